#!/usr/bin/env bash
# Sourced by the end-to-end tests and the demo: a device is one host process with the module, in
# its own network namespace (scripts/netlab.sh), with its own Wine prefix and wineserver, its own
# file-system root as drive L:, and its own gpsd replaying its own route.
#
#   device_create NAME TEMPLATE_PREFIX DIR   a prefix for NAME under DIR/NAME, sharing the
#                                            template's unchanging files
#   device_setting NAME VALUE TEXT           a registry setting ("QVServerName", "QVID")
#   device_start NAME ROUTE BIN_DIR          gpsd and the host (lorvane-minihost) inside NAME
#   device_command NAME COMMAND [REPLY]      sends a command; waits for a reply line starting
#                                            with REPLY (default "ok COMMAND")
#   device_start_viewer NAME ROUTE BIN SCRIPT   gpsd and lorvane-host (the map) on $DISPLAY,
#                                            running SCRIPT (see host/lorvane_host.cpp)
#   device_stop NAME                         quit the host, stop its gpsd and wineserver
# DEVICE_DIR[NAME] is the device's folder: root/ (its L:), host.log, gpsd.log. A device shows
# windows only when DEVICE_DISPLAY[NAME] names a display before device_create (Wine's desktop
# keeps the display it started with).

declare -A DEVICE_DIR DEVICE_FD DEVICE_SEEN DEVICE_DISPLAY

device_env() {
    local name="$1"
    echo "WINEPREFIX=${DEVICE_DIR[$name]}/wineprefix" WINEDEBUG=-all DISPLAY="${DEVICE_DISPLAY[$name]:-}" \
        WINEDLLOVERRIDES="mscoree,mshtml="
}

device_create() {
    local name="$1" template="$2" dir="$3/$1"
    DEVICE_DIR[$name]="$dir"
    rm -rf "$dir"
    mkdir -p "$dir/root/Windows" "$dir/root/My Documents"
    # Hard links for the prefix's files, which Wine only reads; its own copies of the registry.
    cp -al "$template" "$dir/wineprefix"
    local reg
    for reg in system.reg user.reg userdef.reg; do
        rm -f "$dir/wineprefix/$reg"
        cp "$template/$reg" "$dir/wineprefix/$reg"
    done
    ln -sfn "$dir/root" "$dir/wineprefix/dosdevices/l:"
    netlab_exec "$name" env $(device_env "$name") wineserver -p
}

device_setting() {
    local name="$1" value="$2" text="$3"
    netlab_exec "$name" env $(device_env "$name") \
        wine reg add 'HKCU\Software\Orlisk Inc.\Orlisk GPS\3.0' /v "$value" /t REG_SZ /d "$text" /f \
        >/dev/null 2>&1
}

device_gpsd() {
    local name="$1" route="$2" dir="${DEVICE_DIR[$1]}" i
    netlab_exec "$name" env PATH="$PATH:/usr/sbin:/sbin" \
        gpsfake -q -c 0.1 -P 2947 "$route" >"$dir/gpsd.log" 2>&1 &
    for i in $(seq 1 100); do
        netlab_exec "$name" bash -c 'exec 3<>/dev/tcp/127.0.0.1/2947' 2>/dev/null && break
        sleep 0.1
    done
}

device_start_viewer() {
    local name="$1" route="$2" bin="$3" script="$4" dir="${DEVICE_DIR[$1]}"
    device_gpsd "$name" "$route"
    netlab_exec "$name" env $(device_env "$name") \
        wine "$bin/lorvane-host.exe" --root 'L:\' --script "$script" >"$dir/host.log" 2>&1 &
    DEVICE_VIEWER_PID=$!
    device_wait "$name" attached 60
}

device_start() {
    local name="$1" route="$2" bin="$3" dir="${DEVICE_DIR[$1]}"
    device_gpsd "$name" "$route"
    rm -f "$dir/commands"
    mkfifo "$dir/commands"
    netlab_exec "$name" env $(device_env "$name") \
        wine "$bin/lorvane-minihost.exe" --root 'L:\' <"$dir/commands" >"$dir/host.log" 2>&1 &
    exec {DEVICE_FD[$name]}>"$dir/commands"
    device_wait "$name" attached 60
}

# Waits until the host's log has a line starting with TEXT (after the lines seen so far).
device_wait() {
    local name="$1" text="$2" seconds="${3:-30}" dir="${DEVICE_DIR[$1]}" i
    for i in $(seq 1 $((seconds * 10))); do
        # grep reads to the end (no -q): a grep that quits early would end tr with SIGPIPE, which
        # pipefail reports as a failure once the log is longer than a pipe holds.
        if tr -d '\r' <"$dir/host.log" | tail -n +"${DEVICE_SEEN[$name]:-1}" | grep "^$text" >/dev/null; then
            DEVICE_SEEN[$name]=$(($(wc -l <"$dir/host.log") + 1))
            return 0
        fi
        sleep 0.1
    done
    echo "device $name: no '$text' within ${seconds}s; its log:" >&2
    tr -d '\r' <"$dir/host.log" >&2
    return 1
}

device_command() {
    local name="$1" command="$2" reply="${3:-ok $2}"
    echo "$command" >&"${DEVICE_FD[$name]}"
    device_wait "$name" "$reply"
}

device_stop() {
    local name="$1"
    if [ -n "${DEVICE_FD[$name]:-}" ]; then
        echo quit >&"${DEVICE_FD[$name]}" 2>/dev/null || true
        device_wait "$name" detached 30 || true
        exec {DEVICE_FD[$name]}>&- || true
        DEVICE_FD[$name]=""
    fi
    netlab_exec "$name" env $(device_env "$name") wineserver -k 2>/dev/null || true
}
