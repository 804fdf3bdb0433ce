#!/usr/bin/env bash
# End to end over real UDP between our own test hosts (network namespaces): the tracking server,
# a CDPD modem, and devices A and B, each device a host with the real module under its own Wine
# prefix and gpsd. A polls B and the modem over CDPD, reports to the server and tracks B through
# it; B polls A. Then datagrams of our own test the receiver's rules from chosen senders.
#   network_test.sh MINGW_BIN NATIVE_BIN TEMPLATE_PREFIX WORK_DIR
set -euo pipefail
bin="$1" native="$2" template="$3" work="$4"
here="$(cd "$(dirname "$0")" && pwd)"
data="$here/../data"
source "$here/../../scripts/netlab.sh"
source "$here/../../scripts/device.sh"

failures=0
check() {  # description, command...
    local what="$1"
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
for tool in trackserver cdpdmodem udpprobe; do
    [ -x "$native/$tool" ] || { echo "FAILED: no $native/$tool (build the native preset)"; exit 1; }
done

cleanup() {
    for d in A B; do device_stop "$d" 2>/dev/null || true; done
    netlab_down
}
trap cleanup EXIT
mkdir -p "$work"
netlab_up
netlab_host server 10.77.0.1
netlab_host A 10.77.0.2
netlab_host B 10.77.0.3
netlab_host modem 10.77.0.4

netlab_exec server "$native/trackserver" --address 10.77.0.1 --log >"$work/server.log" 2>&1 &
netlab_exec modem "$native/cdpdmodem" --address 10.77.0.4 --route "$data/route-loop.nmea" \
    --log >"$work/modem.log" 2>&1 &

day=$(date +%-m.%-d.%Y)
device_create A "$template" "$work"
device_create B "$template" "$work"
python3 "$here/make_lists.py" "${DEVICE_DIR[A]}/root" \
    --cdpd "10.77.0.3,Peer B/north gate,0.1,1,0" --cdpd "10.77.0.4,Modem,0.1,2,1" \
    --target "B-ID,Truck B,0.1,3" --target "G-ID,Ghost,0.1,4" --target "S-ID,Sentinel,0.1,5"
python3 "$here/make_lists.py" "${DEVICE_DIR[B]}/root" --cdpd "10.77.0.2,Peer A,0.1,0,0"
device_setting A QVServerName 10.77.0.1
device_setting A QVID A-ID
device_setting B QVServerName 10.77.0.1
device_setting B QVID B-ID

device_start A "$data/route-north.nmea" "$bin"
device_start B "$data/route-east.nmea" "$bin"
device_command B ThreeGStartSend "ok ThreeGStartSend true"
device_command B cdpdStartTrack
device_command A ThreeGStartSend "ok ThreeGStartSend true"
device_command A cdpdStartTrack
device_command A ThreeGStartTrack "ok ThreeGStartTrack true"

docs_a="${DEVICE_DIR[A]}/root/My Documents"
docs_b="${DEVICE_DIR[B]}/root/My Documents"
has_records() {  # file, at least
    [ -f "$1" ] && [ "$(od -An -t d4 -j 64 -N 4 "$1" | tr -d ' ')" -ge "$2" ]
}
# Polls every 6 s, own reports every 6 s, target queries every 6 s: wait for a few rounds.
for i in $(seq 1 60); do
    has_records "$docs_a/Peer B($day).way" 2 && has_records "$docs_a/Modem($day).way" 2 &&
        has_records "$docs_a/Truck B($day).way" 1 && has_records "$docs_b/Peer A($day).way" 2 && break
    sleep 1
done
check "A logged B's answers to its locate requests under the entry's name up to '/'" \
    has_records "$docs_a/Peer B($day).way" 2
check "A logged the modem's answers to its modem queries" has_records "$docs_a/Modem($day).way" 2
check "A tracked B through the server (B's own reports, A's target queries)" \
    has_records "$docs_a/Truck B($day).way" 1
check "B's locate requests to A were answered with A's fix" has_records "$docs_b/Peer A($day).way" 2
check "the host was told of A's track files" grep -q "^track Truck B($day).way" "${DEVICE_DIR[A]}/host.log"
check "the server heard both accounts" bash -c "grep -q A-ID '$work/server.log' && grep -q B-ID '$work/server.log'"

# The receiver's rules, from chosen senders. A target report for G-ID (listed as "Ghost").
report() {  # kind-and-id hex (24 bytes), latitude, longitude, quality, total length
    python3 - "$@" <<'PY'
import struct, sys
head, lat, lon, quality, length = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
m = bytes.fromhex(head).ljust(24, b"\0") + struct.pack("<ii", lat, lon) + bytes(4) + bytes([ord("A"), quality])
print((m.ljust(152, b"\0") + bytes(max(0, length - 152)))[:length].hex())
PY
}
target_head() {  # target ID: the kind and ID of a target report, as hex
    printf '6e00000000000000%s' "$(printf '%s' "$1" | od -An -tx1 | tr -d ' \n')"
}
ghost=$(target_head G-ID)
send_from() {  # host, hex
    netlab_exec "$1" "$native/udpprobe" send 10.77.0.2 28695 "$2"
}
# A datagram that must leave no trace is judged once a later one has left its own: the receiver
# takes datagrams one at a time, in the order they come. The later ones are the server's reports
# of S-ID (listed as "Sentinel"), each at a new position, so each adds a record.
sentinels=0
sentinel_logged() {
    local i
    sentinels=$((sentinels + 1))
    send_from server "$(report "$(target_head S-ID)" $((52370000 + sentinels)) 4890000 4 152)"
    for i in $(seq 1 100); do
        has_records "$docs_a/Sentinel($day).way" "$sentinels" && return 0
        sleep 0.1
    done
    return 1
}
send_from modem "$(report "$ghost" 52370000 4890000 4 152)"
check "a later report is logged (sentinel 1)" sentinel_logged
check "a target report from another address than the server's is ignored" \
    test ! -e "$docs_a/Ghost($day).way"
send_from server "$(report "$ghost" 52370000 4890000 4 153)"
check "a later report is logged (sentinel 2)" sentinel_logged
check "a datagram of 153 bytes is dropped" test ! -e "$docs_a/Ghost($day).way"
send_from server "$(report "$ghost" 52370000 4890000 4 48)"
for i in $(seq 1 20); do [ -e "$docs_a/Ghost($day).way" ] && break; sleep 0.2; done
check "a report of 48 bytes from the server is read with zeros after it" has_records "$docs_a/Ghost($day).way" 1
send_from server "$(report "$ghost" 52370000 4890000 4 48)"
check "a later report is logged (sentinel 3)" sentinel_logged
check "an unchanged position is logged once" bash -c "[ \"\$(od -An -t d4 -j 64 -N 4 '$docs_a/Ghost($day).way' | tr -d ' ')\" = 1 ]"

device_command A cdpdStopTrack
device_command A ThreeGStopTrack
device_command A ThreeGStopSend
device_command B cdpdStopTrack
device_command B ThreeGStopSend
echo "-- A's track files:"; ls -l "$docs_a"
echo "-- B's track files:"; ls -l "$docs_b"
echo "-- server log (last lines):"; tail -n 5 "$work/server.log"
if [ $failures -eq 0 ]; then echo "network: passed"; else echo "network: $failures FAILED"; fi
[ $failures -eq 0 ]
