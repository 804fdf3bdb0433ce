#!/usr/bin/env bash
# From outside the module, over real UDP: native senders at 127.0.0.2, .3 and so on (every
# loopback address is this machine's) ask the module in lorvane-minihost, whose fix gpsd replays.
#   - defaults: 20 locate requests in one second from one address get one answer, and five other
#     addresses each get theirs;
#   - "QVAnswer" "listed": a listed peer is answered, a stranger is not;
#   - "QVLog" "listed": a stranger's position makes no track file, a listed sender's does.
#   owner_settings_udp.sh BIN_DIR NATIVE_BIN_DIR ROUTE GPSD_PORT
set -euo pipefail
bin="$1" native="$2" route="$3" port="$4"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/gpsfake.sh"
devroot="$(cd "$bin/.." && pwd)/devroot"
key='HKCU\Software\Orlisk Inc.\Orlisk GPS\3.0'
probe="$native/udpprobe"

if [ ! -x "$probe" ]; then
    echo "FAILED: no native udpprobe in $native (build the native preset first)"
    exit 1
fi

fail() {
    echo "FAILED: $*"
    exit 1
}

cleanup() {
    stop_host
    gpsfake_stop
    rm -f "$devroot/Windows/zqCDPD"
    wine reg delete "$key" /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

start_host() {
    coproc HOST { LORVANE_GPSD="127.0.0.1:$port" wine "$bin/lorvane-minihost.exe" --root 'L:\' 2>&1; }
    host_out=${HOST[0]} host_in=${HOST[1]}
    local line=""
    read -r -t 60 line <&"$host_out" || true
    line=${line%$'\r'}
    [ "$line" = "attached" ] || fail "the host did not attach the module: '$line'"
}

stop_host() {
    [ -n "${HOST_PID:-}" ] || return 0
    echo quit >&"$host_in" 2>/dev/null || true
    local line=""
    read -r -t 30 line <&"$host_out" || true
    wait "$HOST_PID" 2>/dev/null || true
    HOST_PID=""
}

# The module's settings: none but those given as NAME VALUE pairs.
settings() {
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    while [ $# -gt 0 ]; do
        wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
        shift 2
    done
}

# A CDPD list of one device entry at ADDRESS named DESCRIPTION.
cdpd_list() {
    mkdir -p "$devroot/Windows"
    python3 - "$devroot/Windows/zqCDPD" "$1" "$2" <<'EOF'
import socket, struct, sys
entry = struct.pack("<4sfi52siii", socket.inet_aton(sys.argv[2]), 0.0, 0,
                    sys.argv[3].encode(), 0, 0, 0)
open(sys.argv[1], "wb").write(struct.pack("<iii", 0, 0, 1) + entry)
EOF
}

# Answers to COUNT locate requests sent at once from FROM, counted until 700 ms pass without one.
answers() {
    "$probe" locate 127.0.0.1 28695 --from "$1" --count "$2" --timeout-ms "${3:-700}" |
        sed -n 's/^answers //p'
}

# Waits (bounded) until the module answers FROM, that is until the replayed fix is there.
wait_for_fix() {
    local i
    for i in $(seq 1 30); do
        "$probe" locate 127.0.0.1 28695 --from "$1" --timeout-ms 1000 >/dev/null 2>&1 && return 0
    done
    fail "no answer to $1 within 30 s"
}

gpsfake_start "$route" "$port"

echo "-- defaults: one answer a second per address"
settings
rm -f "$devroot/Windows/zqCDPD"
start_host
wait_for_fix 127.0.0.2
sleep 1.2  # the answer just given is a second old
n=$(answers 127.0.0.2 20)
echo "20 requests at once from 127.0.0.2: $n answer(s)"
[ "$n" = 1 ] || fail "20 requests in one second from one address got $n answers, not 1"
for a in 3 4 5 6 7; do
    n=$(answers "127.0.0.$a" 4)
    echo "4 requests at once from 127.0.0.$a: $n answer(s)"
    [ "$n" = 1 ] || fail "127.0.0.$a got $n answers, not 1"
done
stop_host

echo "-- QVAnswer listed: the listed peer only"
settings QVAnswer listed
cdpd_list 127.0.0.2 "Peer"
start_host
wait_for_fix 127.0.0.2
n=$(answers 127.0.0.3 1 1500)
echo "a stranger at 127.0.0.3: $n answer(s)"
[ "$n" = 0 ] || fail "QVAnswer listed answered an unlisted sender"
sleep 1.2
n=$(answers 127.0.0.2 1 3000)
echo "the listed peer at 127.0.0.2: $n answer(s)"
[ "$n" = 1 ] || fail "QVAnswer listed did not answer a listed peer"
stop_host

echo "-- QVLog listed: nothing logged for a stranger"
settings QVLog listed
cdpd_list 127.0.0.2 "Listed car"
mkdir -p "$devroot/My Documents"
rm -f "$devroot/My Documents/Listed car("*").way" "$devroot/My Documents/127.0.0.3("*").way"
start_host
# A position, 152 bytes: 'U', latitude 52370000 and longitude 4890000 (degrees x 10^6) at 24
# and 28, status 'A' and quality 4 at 36 and 37.
position=$(python3 -c 'import struct; print((b"U" + bytes(23) + struct.pack("<ii", 52370000, 4890000) + bytes(4) + b"A\x04" + bytes(114)).hex())')
"$probe" send 127.0.0.1 28695 "$position" --from 127.0.0.3
"$probe" send 127.0.0.1 28695 "$position" --from 127.0.0.2
# The receiver takes datagrams in turn: once the listed sender's file is there, the stranger's
# position has been dealt with.
for i in $(seq 1 100); do
    compgen -G "$devroot/My Documents/Listed car(*).way" >/dev/null && break
    sleep 0.1
done
ls "$devroot/My Documents"
compgen -G "$devroot/My Documents/Listed car(*).way" >/dev/null ||
    fail "QVLog listed did not log the listed sender"
if compgen -G "$devroot/My Documents/127.0.0.3(*).way" >/dev/null; then
    fail "QVLog listed logged a position from an unlisted sender"
fi
stop_host
rm -f "$devroot/My Documents/Listed car("*").way"

echo "owner settings: passed"
