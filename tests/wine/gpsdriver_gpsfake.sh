#!/usr/bin/env bash
# The driver stand-in against gpsfake replaying one of our routes.
#   gpsdriver_gpsfake.sh BIN_DIR ROUTE PORT
set -euo pipefail
bin="$1" route="$2" port="$3"
source "$(dirname "$0")/../../scripts/gpsfake.sh"
trap gpsfake_stop EXIT
gpsfake_start "$route" "$port"

coproc PROBE { LORVANE_GPSD="127.0.0.1:$port" wine "$bin/gpsdriver_probe.exe" 52.3 52.45 4.8 5.0 2>&1; }
probe_out=${PROBE[0]} probe_in=${PROBE[1]} probe_pid=$PROBE_PID
while IFS= read -r -t 60 line <&"$probe_out"; do
    line=${line%$'\r'}
    echo "$line"
    if [ "$line" = "fix-ok" ]; then
        gpsfake_stop
        echo "gps-gone" >&"$probe_in"
    fi
done
wait "$probe_pid"
