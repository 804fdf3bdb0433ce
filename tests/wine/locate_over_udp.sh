#!/usr/bin/env bash
# From outside the module: a plain Linux socket sends a locate request to UDP port 28695 and the
# module's receiver answers from that port with the own fix that gpsd replays. Also shows from
# the Linux side that the module's endpoint is 28695 on the wire (not 6000).
#   locate_over_udp.sh BIN_DIR NATIVE_BIN_DIR ROUTE GPSD_PORT
set -euo pipefail
bin="$1" native="$2" route="$3" port="$4"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/gpsfake.sh"

if [ ! -x "$native/udpprobe" ]; then
    echo "FAILED: no native udpprobe in $native (build the native preset first)"
    exit 1
fi

cleanup() {
    [ -n "${HOST_PID:-}" ] && kill "$HOST_PID" 2>/dev/null || true
    gpsfake_stop
}
trap cleanup EXIT
gpsfake_start "$route" "$port"

coproc HOST { LORVANE_GPSD="127.0.0.1:$port" wine "$bin/lorvane-minihost.exe" --root 'L:\' 2>&1; }
host_out=${HOST[0]} host_in=${HOST[1]}
read -r -t 60 line <&"$host_out" || true
line=${line%$'\r'}
if [ "$line" != "attached" ]; then
    echo "FAILED: the host did not attach the module: '$line'"
    exit 1
fi

echo "-- the endpoint as Linux sees it:"
ss -uln | awk 'NR == 1 || /:28695 /' 
ss -uln | grep -q '[:.]28695 ' || { echo "FAILED: nothing listens on UDP 28695"; exit 1; }
if ss -uln | grep -q '[:.]6000 '; then echo "FAILED: something listens on UDP 6000"; exit 1; fi

answer=""
for i in $(seq 1 30); do
    if answer=$("$native/udpprobe" locate 127.0.0.1 28695 --timeout-ms 1000); then
        break
    fi
    answer=""
done
echo "-- the answer to a locate request:"
echo "$answer"
[ -n "$answer" ] || { echo "FAILED: no answer to a locate request"; exit 1; }
echo "$answer" | grep -q "answer from 127.0.0.1:28695, 152 bytes, kind 'U'" ||
    { echo "FAILED: the answer is not a 152-byte position from port 28695"; exit 1; }
read -r latitude longitude < <(echo "$answer" | sed -n 's/^latitude \(-\?[0-9]*\) longitude \(-\?[0-9]*\).*/\1 \2/p')
# Message units are degrees x 10^6: the routes lie near 52.37 N, 4.89 E.
if [ "$latitude" -le 52300000 ] || [ "$latitude" -ge 52450000 ] ||
   [ "$longitude" -le 4800000 ] || [ "$longitude" -ge 5000000 ]; then
    echo "FAILED: position $latitude $longitude is not on the replayed route"
    exit 1
fi

echo quit >&"$host_in"
read -r -t 30 line <&"$host_out" || true
line=${line%$'\r'}
[ "$line" = "detached" ] || { echo "FAILED: the host did not detach: '$line'"; exit 1; }
echo "locate: passed"
