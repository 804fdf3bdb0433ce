#!/usr/bin/env bash
# Measures the CPU a device uses while it polls a list in which nothing is due: one device (the
# real module in the mini host under Wine, in a network namespace of its own) polls three entries
# of 10-minute frequency; after the first pass nothing is due for ten minutes. Prints the CPU time
# of the host process and of its wineserver over the measured seconds, as a share of one core.
#   idle_poll_cpu.sh [SECONDS]   (default 60; run from the repository after `make test` built it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds="${1:-60}"
source scripts/netlab.sh
source scripts/device.sh
work="$root/build/bench-idle"
cleanup() { device_stop D 2>/dev/null || true; netlab_down; }
trap cleanup EXIT
netlab_up
netlab_host D 10.77.0.2
device_create D "$root/build/mingw/wineprefix" "$work"
python3 tests/e2e/make_lists.py "${DEVICE_DIR[D]}/root" \
    --cdpd "10.77.0.3,Peer 1,10.0,0,0" --cdpd "10.77.0.4,Peer 2,10.0,1,0" --cdpd "10.77.0.5,Modem,10.0,2,1"
device_start D tests/data/route-loop.nmea "$root/build/mingw/bin"
device_command D cdpdStartTrack
sleep 5  # the first pass asks everyone at once; from then on nothing is due

ticks=$(getconf CLK_TCK)
cpu_of() {  # pid: utime + stime in ticks
    awk '{print $14 + $15}' "/proc/$1/stat"
}
host_pid="" server_pid=""
for p in $(ip netns pids "$NETLAB-D"); do
    if grep -qa 'lorvane-minihost' "/proc/$p/cmdline" 2>/dev/null && [ -z "$host_pid" ]; then
        host_pid=$p
    fi
    if [ "$(cat "/proc/$p/comm" 2>/dev/null)" = wineserver64 ]; then server_pid=$p; fi
done
h0=$(cpu_of "$host_pid"); s0=$(cpu_of "$server_pid")
sleep "$seconds"
h1=$(cpu_of "$host_pid"); s1=$(cpu_of "$server_pid")
awk -v h=$((h1 - h0)) -v s=$((s1 - s0)) -v t="$ticks" -v n="$seconds" 'BEGIN {
    printf "over %d s with nothing due: host process %.2f s CPU (%.3f%% of a core), wineserver %.2f s (%.3f%%)\n",
        n, h / t, 100 * h / t / n, s / t, 100 * s / t / n }'
device_command D cdpdStopTrack
