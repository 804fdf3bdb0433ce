#!/usr/bin/env bash
# The soak: the real module under Wine, fed positions for minutes, and what it kept.
#
#   benchmarks/soak.sh --arch x64|i686 [--seconds 60] [--rate 1000] [--peers 20]
#   benchmarks/soak.sh --arch x64|i686 [--seconds 20] --flood
#   --bin DIR takes lorvane.dll and the host from DIR instead of the build (to compare a change
#   with the module before it).
#
# A device (lorvane-minihost with lorvane.dll of the mingw or mingw32 build, its own Wine prefix,
# root and gpsd) in a network namespace of its own, its CDPD list naming the peers; the peers in
# another namespace, each on an address of its own (under Wine, loopback senders all look like
# one address), sending `rate` valid positions a second between them, in turn; a prober beside
# them asking the device for its position once a second. With --flood one listed peer sends as
# fast as it can instead. Afterwards it prints one row of the table in benchmarks/README.md:
# positions sent and kept (the records of the track files, each file walked whole), the host's
# notifications, the prober's answers, the host's memory (before the traffic, a sixth of the way
# in, and after it), and the module's socket as Linux sees it (its receive buffer and the
# datagrams it dropped). It fails when a track file does not walk whole or holds a peer's
# positions out of order.
#
# As root, under the shared lock (network namespaces, Wine):
#   flock /tmp/lorvane-wine.lock benchmarks/soak.sh --arch x64
# Builds first: cmake --build --preset native, and --preset mingw or mingw32.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export PATH="$PATH:/usr/sbin:/sbin"

arch="" seconds="" rate=1000 peers=20 flood=false bin=""
while [ $# -gt 0 ]; do
    case "$1" in
    --arch) arch="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --rate) rate="$2"; shift 2 ;;
    --peers) peers="$2"; shift 2 ;;
    --flood) flood=true; shift ;;
    --bin) bin="$2"; shift 2 ;;
    *) echo "usage: soak.sh --arch x64|i686 [--seconds N] [--rate N] [--peers N] [--flood] [--bin DIR]" >&2
       exit 2 ;;
    esac
done
case "$arch" in
x64) preset=mingw ;;
i686) preset=mingw32 ;;
*) echo "soak: --arch x64 or i686" >&2; exit 2 ;;
esac
$flood && peers=1
seconds="${seconds:-$($flood && echo 20 || echo 60)}"
[ "$peers" -ge 1 ] && [ "$peers" -le 100 ] || { echo "soak: 1 to 100 peers" >&2; exit 2; }

bin="${bin:-$root/build/$preset/bin}" native="$root/build/native/bin"
for f in "$bin/lorvane-minihost.exe" "$bin/lorvane.dll" "$native/soak_peers"; do
    [ -e "$f" ] || { echo "soak: no $f (cmake --build --preset $preset, and --preset native)" >&2
                     exit 2; }
done
source "$root/scripts/netlab.sh"
source "$root/scripts/device.sh"
source "$root/scripts/wine-session.sh"

# The module asks for a receive buffer of 1 MiB (kReceiveBufferBytes in exchange/receive_loop.h).
# Wine's socket is a Linux socket, and Linux gives no socket more than net.core.rmem_max (Debian:
# 208 KiB) unless the owner allows it; the device's own Winsock has no such cap. So the soak
# lifts the cap to what the module asks for, for its run only.
asked=1048576
rmem_was=$(sysctl -n net.core.rmem_max)
work="$root/build/$preset/soak"
cleanup() {
    device_stop device 2>/dev/null || true
    netlab_down
    [ "$(sysctl -n net.core.rmem_max)" = "$rmem_was" ] || sysctl -qw net.core.rmem_max="$rmem_was"
}
trap cleanup EXIT
[ "$rmem_was" -ge "$asked" ] || sysctl -qw net.core.rmem_max="$asked"

# The device's prefix is made from the build's own, which the Wine tests make; made here if not.
template="$root/build/$preset/wineprefix"
if [ ! -f "$template/system.reg" ]; then
    wine_session_start "$root/build/$preset" >/dev/null
    wine_session_stop
fi

rm -rf "$work"
mkdir -p "$work"
netlab_up
netlab_host device 10.77.0.1
netlab_host peers 10.77.0.2
# The prober at .3 and .4, the peers from .100 on, all on the peers' one link.
netlab_address peers 10.77.0.3
netlab_address peers 10.77.0.4
lists=()
for i in $(seq 0 $((peers - 1))); do
    netlab_address peers "10.77.0.$((100 + i))"
    # Polled once at the start and then every 1000 minutes: the peers send on their own.
    lists+=(--cdpd "10.77.0.$((100 + i)),Peer $i,1000,$((i % 6)),0")
done

device_create device "$template" "$work"
python3 "$root/tests/e2e/make_lists.py" "${DEVICE_DIR[device]}/root" "${lists[@]}"
device_start device "$root/tests/data/route-loop.nmea" "$bin"
device_command device cdpdStartTrack  # gives the module the host's window
host_log="${DEVICE_DIR[device]}/host.log"
docs="${DEVICE_DIR[device]}/root/My Documents"

memory() { device_command device memory memory; }
memory_seen() {  # the host's last answer: "working-set private", in KiB
    tr -d '\r' <"$host_log" | grep '^memory ' | tail -n1 | awk '{print $3, $5}'
}
notified() { tr -d '\r' <"$host_log" | grep -c '^track ' || true; }
module_socket() {  # the receive buffer Linux gives the module's socket, and its drops
    netlab_exec device ss -uamnH 'sport = :28695' |
        sed -n 's/.*skmem:(\([^)]*\)).*/\1/p' | tr ',' '\n' |
        awk '/^rb/ {rb = substr($0, 3)} /^d/ {d = substr($0, 2)} END {print rb + 0, d + 0}'
}

sleep 2  # the first poll's requests to the peers go out and fail quietly
memory >/dev/null
read -r ws_start private_start < <(memory_seen)
netlab_exec peers "$native/soak_peers" probe 10.77.0.1 --from 10.77.0.3 --seconds "$seconds" \
    >"$work/probe.txt" &
prober=$!
start=$(date +%s.%N)
if $flood; then
    traffic=(flood 10.77.0.1 --from 10.77.0.100 --seconds "$seconds")
else
    traffic=(send 10.77.0.1 --from 10.77.0.100 --peers "$peers" --rate "$rate" --seconds "$seconds")
fi
netlab_exec peers "$native/soak_peers" "${traffic[@]}" >"$work/send.txt" &
sender=$!
# Memory once the traffic has run a sixth of its time: what the module needs under way. From
# there to the end it should not grow.
sleep $(((seconds + 5) / 6))
memory >/dev/null
read -r ws_under_way private_under_way < <(memory_seen)
wait "$sender"
wait "$prober"

# The module works off what waits in its socket; done once the notifications stop for 10 s.
last=$(notified) last_at=$(date +%s.%N) still=0
while [ $still -lt 100 ]; do
    sleep 0.1
    now=$(notified)
    if [ "$now" = "$last" ]; then
        still=$((still + 1))
    else
        last=$now last_at=$(date +%s.%N) still=0
    fi
done
memory >/dev/null
read -r ws_end private_end < <(memory_seen)
read -r rcvbuf drops < <(module_socket)
device_stop device

sent=$(awk '{print $2}' "$work/send.txt")
read -r _ files _ kept _ sound _ ordered < <("$native/soak_peers" count "$docs")
read -r _ asked_probe _ answered _ slowest < <(cat "$work/probe.txt")
load=$($flood && echo "flood, 1 peer" || echo "$rate/s, $peers peers")
awk -v arch="$arch" -v load="$load" -v seconds="$seconds" -v sent="$sent" -v kept="$kept" \
    -v busy="$(awk -v a="$start" -v b="$last_at" 'BEGIN {print b - a}')" -v told="$last" \
    -v answered="$answered" -v asked="$asked_probe" -v slowest="$slowest" \
    -v memory="$ws_start / $ws_under_way / $ws_end | $private_start / $private_under_way / $private_end" \
    -v files="$sound/$files" \
    -v socket="$rcvbuf | $drops" 'BEGIN {
        printf "| %s | %s | %s | %d | %d | %.1f%% | %.0f | %d | %d/%d (slowest %d ms) | %s | %s | %s |\n",
            arch, load, seconds, sent, kept, 100 * kept / sent, kept / busy, told, answered, asked,
            slowest, memory, files, socket
    }'
[ "$sound" = "$files" ] && [ "$ordered" = "$files" ] || { echo "soak: a track file does not walk whole or is out of order" >&2; exit 1; }
