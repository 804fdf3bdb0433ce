#!/usr/bin/env bash
# Sourced by the test and demo scripts: a Wine prefix of the build's own, a virtual X display,
# and a persistent wineserver, started before ctest (Wine's services otherwise keep ctest waiting
# on inherited pipes) and stopped afterwards.
#
#   wine_session_start BUILD_DIR [STATE_DIR]
#       exports WINEPREFIX (STATE_DIR/wineprefix), WINEDEBUG and DISPLAY; drive L: is
#       STATE_DIR/devroot, the device's own file-system root. STATE_DIR defaults to BUILD_DIR.
#   wine_session_stop

wine_session_start() {
    local build="$1" state="${2:-$1}"
    export WINEPREFIX="$state/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts in a new prefix
    mkdir -p "$state/devroot"

    # A display first: a desktop started without one stays without one.
    xvfb_start

    # A prefix made before the 32-bit Wine was installed answers every call with exit code 53:
    # such a prefix is made anew.
    if [ -f "$WINEPREFIX/system.reg" ] && ! wine_prefix_works; then
        echo "wine: the prefix $WINEPREFIX does not run programs; making it anew"
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine: creating the prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        # Unmanaged windows (each window otherwise costs seconds under Xvfb), and no crash dialog
        # (a crash would otherwise hang on it).
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver -w
    fi
    ln -sfn "$state/devroot" "$WINEPREFIX/dosdevices/l:"

    wineserver -p
    # Touch the desktop once and keep a program alive, so each test starts in a fraction of a second.
    if [ -f "$build/bin/keepalive.exe" ]; then
        exec {WINE_SESSION_KEEPALIVE_FD}< <(wine "$build/bin/keepalive.exe" 2>/dev/null)
        local line=""
        read -r -t 60 line <&"$WINE_SESSION_KEEPALIVE_FD" || true
        line=${line%$'\r'}
        [ "$line" = "ready" ] || echo "wine: keepalive did not start (got '$line')" >&2
    fi
}

# True when the prefix runs a program of each architecture it is asked to (cmd is 64-bit; the
# 32-bit check needs a 32-bit program, so only the exit code 53 of a broken prefix is looked for).
wine_prefix_works() {
    local rc=0
    wine cmd /c exit 0 >/dev/null 2>&1 || rc=$?
    wineserver -w  # the check's server ends first, or the persistent one could not start
    [ $rc -ne 53 ]
}

wine_session_stop() {
    wineserver -k 2>/dev/null || true
    xvfb_stop
}

# A virtual X display of our own (its unix socket also serves network namespaces); exports DISPLAY.
xvfb_start() {
    local fdfile i
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
    WINE_SESSION_XVFB=$!
    for i in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

xvfb_stop() {
    if [ -n "${WINE_SESSION_XVFB:-}" ]; then
        kill "$WINE_SESSION_XVFB" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB" 2>/dev/null || true
    fi
    WINE_SESSION_XVFB=""
}
