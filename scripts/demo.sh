#!/usr/bin/env bash
# make demo: a live tracking network on this machine, built and torn down by this script.
#
#   the tracking server      10.77.0.1   trackserver
#   peer device "Truck 1"    10.77.0.3   the module in a headless host, gpsd replaying town-truck
#   peer device "Van 2"      10.77.0.4   the same with town-van; reports to the server as P2-ID
#   a CDPD modem             10.77.0.5   cdpdmodem answering with town-courier
#   the viewing device       10.77.0.2   lorvane-host (the map) under Xvfb, gpsd replaying
#                                        town-courier: it polls both peers and the modem over
#                                        CDPD, reports its own position to the server, and tracks
#                                        Van 2 through the server.
# The routes are drives through the made-up town of tools/town/town.txt, whose streets the map
# shows under the tracks.
# Each host lives in a network namespace of its own; each device has its own Wine prefix,
# wineserver, file-system root and gpsd. At the end: a summary, a screenshot of the map
# (build/demo/host.png) and the GPX of every track (build/demo/tracks.gpx). Exit 0 only when
# every expected track has points.
#
#   scripts/demo.sh [--seconds N] [--no-build]   (default 120 seconds; --no-build: the tests
#                                                 run it on what they built)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=120
build=1
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: scripts/demo.sh [--seconds N] [--no-build]" >&2; exit 2 ;;
    esac
done
[ "$seconds" -ge 20 ] || { echo "demo: give it at least 20 seconds" >&2; exit 2; }
export PATH="$PATH:/usr/sbin:/sbin"
demo="$root/build/demo"
native="$root/build/native/bin"
bin="$root/build/mingw/bin"
data="$root/tests/data"

step() { printf '\n== %s\n' "$*"; }
winpath() { local p="${1//\//\\}"; echo "Z:$p"; }

if [ $build = 1 ]; then
    bash scripts/setup.sh
    step "Building what is missing"
    cmake --preset native >/dev/null && cmake --build --preset native --target trackserver cdpdmodem udpprobe waytool >/dev/null
    cmake --preset mingw >/dev/null && cmake --build --preset mingw >/dev/null
    echo "built: lorvane.dll, gpsdriver.dll, lorvane-host.exe, lorvane-minihost.exe; trackserver, cdpdmodem, waytool"
fi

source scripts/wine-session.sh
source scripts/netlab.sh
source scripts/device.sh
cleanup() {
    trap - EXIT INT TERM
    for d in P1 P2 V; do device_stop "$d" >/dev/null 2>&1 || true; done
    netlab_down
    xvfb_stop
}
trap cleanup EXIT
trap 'echo; echo "demo: interrupted"; exit 130' INT TERM

if [ ! -f "$root/build/mingw/wineprefix/system.reg" ]; then
    step "A Wine prefix to copy for each device"
    wine_session_start "$root/build/mingw"   # makes build/mingw/wineprefix
    wine_session_stop
fi
xvfb_start
echo "display $DISPLAY"

step "The network: five hosts in namespaces of their own"
rm -rf "$demo"
mkdir -p "$demo"
netlab_up
netlab_host server 10.77.0.1
netlab_host V 10.77.0.2
netlab_host P1 10.77.0.3
netlab_host P2 10.77.0.4
netlab_host modem 10.77.0.5
netlab_exec server "$native/trackserver" --address 10.77.0.1 --store "$demo/server.store" --log \
    >"$demo/server.log" 2>&1 &
netlab_exec modem "$native/cdpdmodem" --address 10.77.0.5 --route "$data/town-courier.nmea" --log \
    >"$demo/modem.log" 2>&1 &
echo "server 10.77.0.1, viewer 10.77.0.2, Truck 1 10.77.0.3, Van 2 10.77.0.4, modem 10.77.0.5"

step "The peer devices"
DEVICE_DISPLAY[V]="$DISPLAY"
for d in P1 P2 V; do device_create "$d" "$root/build/mingw/wineprefix" "$demo"; done
python3 tests/e2e/make_lists.py "${DEVICE_DIR[P1]}/root"
python3 tests/e2e/make_lists.py "${DEVICE_DIR[P2]}/root"
device_setting P2 QVServerName 10.77.0.1
device_setting P2 QVID P2-ID
device_start P1 "$data/town-truck.nmea" "$bin"
device_start P2 "$data/town-van.nmea" "$bin"
device_command P2 ThreeGStartSend "ok ThreeGStartSend true"
echo "Truck 1 answers locate requests; Van 2 also reports to the server as P2-ID"

step "The viewing device: lorvane-host with the map"
python3 tests/e2e/make_lists.py "${DEVICE_DIR[V]}/root" \
    --cdpd "10.77.0.3,Truck 1/north route,0.1,0,0" --cdpd "10.77.0.4,Van 2,0.1,3,0" \
    --cdpd "10.77.0.5,Courier modem,0.1,1,1" --target "P2-ID,Van 2 via server,0.1,5"
device_setting V QVServerName 10.77.0.1
device_setting V QVID V-ID
shot="$demo/host.png"
cat >"$demo/host-script.txt" <<SCRIPT
0 town $(winpath "$root/tools/town/town.txt")
1 cdpdStartTrack
1 ThreeGStartSend
2 ThreeGStartTrack
$((seconds - 2)) screenshot $(winpath "$shot")
$((seconds - 1)) cdpdStopTrack
$((seconds - 1)) ThreeGStopTrack
$((seconds - 1)) ThreeGStopSend
$seconds quit
SCRIPT
device_start_viewer V "$data/town-courier.nmea" "$bin" "$(winpath "$demo/host-script.txt")"

docs="${DEVICE_DIR[V]}/root/My Documents"
day=$(date +%-m.%-d.%Y)
expected=("Truck 1" "Van 2" "Courier modem" "Van 2 via server")
count_of() {  # file: the record count, 0 when missing
    if [ -f "$1" ]; then od -An -t d4 -j 64 -N 4 "$1" | tr -d ' '; else echo 0; fi
}
progress() {
    local line="" name
    for name in "${expected[@]}"; do
        line+="$name: $(count_of "$docs/$name($day).way")   "
    done
    echo "$line"
}
step "Running for $seconds seconds (positions logged by the viewing device)"
start=$(date +%s)
while kill -0 "$DEVICE_VIEWER_PID" 2>/dev/null; do
    elapsed=$(( $(date +%s) - start ))
    printf '[%3d s] %s\n' "$elapsed" "$(progress)"
    [ "$elapsed" -gt $((seconds + 60)) ] && { echo "demo: the host did not end"; break; }
    sleep 10
done
DEVICE_FD[V]=""

step "Summary"
ok=1
for name in "${expected[@]}"; do
    n=$(count_of "$docs/$name($day).way")
    printf '  %-20s %4d positions logged\n' "$name" "$n"
    [ "$n" -gt 0 ] || ok=0
done
echo "  files written by the viewing device:"
ls -1 "$docs" | sed 's/^/    /'
echo "  datagrams on each host's link (sent / received):"
for h in server V P1 P2 modem; do
    stats=$(ip -n "$NETLAB-$h" -s -o link show | awk '$2 !~ /^lo/ {
        for (i = 1; i <= NF; i++) { if ($i == "RX:") rx = $(i + 9); if ($i == "TX:") tx = $(i + 9) }
        print tx " / " rx }' | head -1)
    printf '    %-7s %s\n' "$h" "$stats"
done
echo "  the server heard: $(grep -c "'o'" "$demo/server.log" || true) own reports, $(grep -c "'m'" "$demo/server.log" || true) target queries"
echo "  the host was told of $(grep -c '^track ' "${DEVICE_DIR[V]}/host.log" || true) appends"
grep -E '^\[|^summary' "${DEVICE_DIR[V]}/host.log" | tr -d '\r' | sed 's/^/  host: /'

"$native/waytool" gpx "$docs"/*"($day).way" >"$demo/tracks.gpx" && echo "  GPX of every track: $demo/tracks.gpx"
[ -f "$shot" ] && echo "  screenshot of the map: $shot"
if [ $ok = 1 ]; then echo "demo: every expected track has points"; else echo "demo: FAILED: a track has no points"; fi
[ $ok = 1 ]
