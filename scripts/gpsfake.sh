#!/usr/bin/env bash
# Sourced by tests: a gpsd of our own (gpsfake) replaying an NMEA route on a port.
#
#   gpsfake_start ROUTE PORT   starts it and waits until its gpsd takes connections; sets
#                              GPSFAKE_PID and GPSFAKE_GPSD_PID
#   gpsfake_stop               ends it and its gpsd
#
# Other runs may have a gpsfake of their own on this machine, so ours are known by their process
# ids alone: gpsd is the child that gpsfake starts, found once it is there.

# The start time of process PID, in clock ticks since boot (field 22 of /proc/PID/stat), or
# nothing once it is gone: with the pid it names one process, even after the pid is reused.
gpsfake_started_at() {
    local stat fields
    [ -n "$1" ] && stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    read -r -a fields <<<"${stat##*) }"  # the name before it, in parentheses, may hold blanks
    echo "${fields[19]:-}"
}

# The pid of the gpsd that gpsfake PID started, or nothing while there is none.
gpsfake_child_gpsd() {
    ps -o pid= -o comm= --ppid "$1" 2>/dev/null | awk '$2 == "gpsd" { print $1 }' || true
}

gpsfake_start() {
    local route="$1" port="$2" i
    PATH="$PATH:/usr/sbin:/sbin" gpsfake -q -c 0.1 -P "$port" "$route" >/dev/null 2>&1 &
    GPSFAKE_PID=$!
    GPSFAKE_GPSD_PID=""
    GPSFAKE_GPSD_STARTED=""
    for i in $(seq 1 100); do
        [ -n "$GPSFAKE_GPSD_PID" ] || GPSFAKE_GPSD_PID=$(gpsfake_child_gpsd "$GPSFAKE_PID")
        if [ -n "$GPSFAKE_GPSD_PID" ] && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            GPSFAKE_GPSD_STARTED=$(gpsfake_started_at "$GPSFAKE_GPSD_PID")
            return 0
        fi
        sleep 0.1
    done
    echo "gpsfake: gpsd did not come up on port $port" >&2
    gpsfake_stop
    return 1
}

gpsfake_stop() {
    if [ -n "${GPSFAKE_PID:-}" ]; then
        # gpsfake ends its gpsd, and waits for it, when it is told to end itself.
        kill "$GPSFAKE_PID" 2>/dev/null || true
        wait "$GPSFAKE_PID" 2>/dev/null || true
    fi
    # A gpsfake that died without that leaves its gpsd behind.
    if [ -n "${GPSFAKE_GPSD_STARTED:-}" ] &&
       [ "$(gpsfake_started_at "$GPSFAKE_GPSD_PID")" = "$GPSFAKE_GPSD_STARTED" ]; then
        kill "$GPSFAKE_GPSD_PID" 2>/dev/null || true
    fi
    GPSFAKE_PID=""
    GPSFAKE_GPSD_PID=""
    GPSFAKE_GPSD_STARTED=""
}
