#!/usr/bin/env bash
# The demo of what Lorvane does so far: one device (the module loaded by a minimal host under
# Wine) with its own gpsd replaying a drive through town. It shows the module attach, its
# settings written back to the registry, its UDP endpoint on port 28695, and its own fix
# answering a locate request from another machine's socket; then it unloads the module.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export PATH="$PATH:/usr/sbin:/sbin"
demo="$root/build/demo"
gpsd_port=29480
route="$root/tests/data/route-loop.nmea"

step() { printf '\n== %s\n' "$*"; }

bash scripts/setup.sh
step "Building (native tools and the Win32 DLLs)"
cmake --preset native >/dev/null && cmake --build --preset native --target udpprobe >/dev/null
cmake --preset mingw >/dev/null && cmake --build --preset mingw >/dev/null
echo "built: build/mingw/bin/lorvane.dll, gpsdriver.dll, lorvane-minihost.exe; build/native/bin/udpprobe"

source scripts/wine-session.sh
source scripts/gpsfake.sh
cleanup() {
    [ -n "${HOST_PID:-}" ] && kill "$HOST_PID" 2>/dev/null || true
    gpsfake_stop
    wine_session_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step "Starting the device: a Wine prefix of its own, its root folder as drive L:"
mkdir -p "$demo"
wine_session_start "$root/build/mingw" "$demo"
rm -rf "$demo/devroot/Windows" "$demo/devroot/My Documents"
wine reg delete 'HKCU\Software\Orlisk Inc.\Orlisk GPS\3.0' /f >/dev/null 2>&1 || true
echo "device root: $demo/devroot (a fresh device: no settings, no lists)"

step "Starting the device's gpsd, replaying $(basename "$route")"
gpsfake_start "$route" "$gpsd_port"
echo "gpsd (gpsfake) on port $gpsd_port"

step "The host loads lorvane.dll (which loads gpsdriver.dll)"
coproc HOST { LORVANE_GPSD="127.0.0.1:$gpsd_port" wine build/mingw/bin/lorvane-minihost.exe --root 'L:\' 2>&1; }
host_out=${HOST[0]} host_in=${HOST[1]}
read -r -t 60 line <&"$host_out" || true
echo "host: ${line%$'\r'}"

step "Settings written back at attach (registry of the device)"
wine reg query 'HKCU\Software\Orlisk Inc.\Orlisk GPS\3.0' 2>/dev/null | tr -d '\r' | sed '/^$/d'

step "The module's UDP endpoint, as Linux sees it"
ss -uln | awk 'NR == 1 || /:28695 /'

step "Waiting for the device's own fix from gpsd"
fix="fix none"
for i in $(seq 1 60); do
    echo fix >&"$host_in"
    read -r -t 10 fix <&"$host_out" || true
    fix=${fix%$'\r'}
    [ "$fix" != "fix none" ] && break
    sleep 0.5
done
echo "driver: $fix"

step "Another machine asks the device where it is (a locate request to UDP 28695)"
answer=""
for i in $(seq 1 10); do
    answer=$(build/native/bin/udpprobe locate 127.0.0.1 28695 --timeout-ms 1000) && break
    answer=""
done
echo "${answer:-no answer}"

step "The host unloads the module"
echo quit >&"$host_in"
read -r -t 30 line <&"$host_out" || true
echo "host: ${line%$'\r'}"
HOST_PID=""

step "What this showed"
ok=1
[ -n "$answer" ] || ok=0
cat <<TEXT
- lorvane.dll attached inside a host under Wine, with gpsdriver.dll as its GPS driver library.
- A fresh device has no server name: the module wrote its default "lorvane-tracker" back to
  "QVServerName" as a whole 512-byte buffer, and left "QVID" (the account) unset.
- The module's single UDP socket listens on port 28695 on all addresses.
- gpsd replayed a drive through town; the driver stand-in turned its reports into the fix record.
- A locate request from a plain Linux socket was $( [ $ok = 1 ] && echo "answered from port 28695 with that fix (latitude and longitude in degrees x 10^6)" || echo "NOT answered" ).
- The module unloaded cleanly: its receiver thread and the driver's reader ended first.
Not yet shown (later steps): track files, the CDPD poller, the tracking server link and dialogs.
TEXT
[ $ok = 1 ]
