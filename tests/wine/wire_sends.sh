#!/usr/bin/env bash
# What the module's dialogs send, as a receiver at the far end gets it (wire_sends_test.cpp).
#
# The module binds UDP port 28695 on every address of its machine, so nothing beside it can
# listen there: the test's device and the far end are hosts of our own network (netlab.sh). The
# device, 10.77.0.2, is the Wine test program with the real module, its own wineserver (Wine's
# sockets are the wineserver's, so it starts inside the device's namespace) and its own gpsd
# replaying ROUTE. The far end holds the server's address (10.77.0.1), a dotted server address
# (10.77.0.5), a CDPD peer (10.77.0.3) and a CDPD modem (10.77.0.4), and records whatever reaches
# any of them at port 28695 or 6000. The server's host name, "lorvane-server", is known to the
# test program alone, through a hosts file bound over /etc/hosts in a mount namespace of its own.
#   wire_sends.sh BIN_DIR TEMPLATE_PREFIX WORK_DIR ROUTE [GTEST_ARGS...]
set -euo pipefail
bin="$1" template="$2" work="$3" route="$4"
shift 4
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/netlab.sh"
source "$here/../../scripts/device.sh"

cleanup() {
    device_stop device 2>/dev/null || true
    netlab_down
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"
netlab_up
netlab_host device 10.77.0.2
netlab_host far 10.77.0.1
for address in 10.77.0.3 10.77.0.4 10.77.0.5; do
    netlab_address far "$address"
done

log="$work/arrivals.txt"
endpoints=()
for address in 10.77.0.1 10.77.0.3 10.77.0.4 10.77.0.5; do
    endpoints+=("$address:28695" "$address:6000")
done
netlab_exec far python3 "$here/wire_listener.py" "$log" "${endpoints[@]}" >"$work/listener.log" 2>&1 &
for i in $(seq 1 100); do
    [ -e "$log" ] && break
    sleep 0.1
done
if [ ! -e "$log" ]; then
    echo "FAILED: the listener did not start"
    cat "$work/listener.log"
    exit 1
fi

printf '127.0.0.1 localhost\n10.77.0.1 lorvane-server\n' >"$work/hosts"
DEVICE_DISPLAY[device]="${DISPLAY:-}"
device_create device "$template" "$work"
device_gpsd device "$route"

status=0
netlab_exec device env $(device_env device) LORVANE_WIRE_LOG="Z:${log//\//\\}" \
    unshare -m sh -c 'mount --bind "$0" /etc/hosts && exec wine "$@"' "$work/hosts" \
    "$bin/wire_sends_wine_test.exe" "$@" >"$work/test.log" 2>&1 || status=$?
tr -d '\r' <"$work/test.log"
echo "-- what reached the far end (to, from, bytes):"
cat "$log"
if [ $status -eq 0 ]; then echo "wire: passed"; else echo "wire: FAILED (exit $status)"; fi
exit $status
