#!/usr/bin/env bash
# Sourced by tests and the demo: a gpsd of our own (gpsfake) replaying an NMEA route on a port.
#
#   gpsfake_start ROUTE PORT   starts it and waits until gpsd takes connections; sets GPSFAKE_PID
#   gpsfake_stop               ends it and its gpsd

gpsfake_start() {
    local route="$1" port="$2"
    PATH="$PATH:/usr/sbin:/sbin" gpsfake -q -c 0.1 -P "$port" "$route" >/dev/null 2>&1 &
    GPSFAKE_PID=$!
    local i
    for i in $(seq 1 100); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    echo "gpsfake: gpsd did not come up on port $port" >&2
    return 1
}

gpsfake_stop() {
    if [ -n "${GPSFAKE_PID:-}" ]; then
        # gpsfake ends its gpsd when it ends itself.
        kill "$GPSFAKE_PID" 2>/dev/null || true
        wait "$GPSFAKE_PID" 2>/dev/null || true
        pkill -f "gpsd.*-P.*gpsfake" 2>/dev/null || true
    fi
    GPSFAKE_PID=""
}
