#!/usr/bin/env bash
# A list file that cannot be replaced when a dialog saves: the CDPD and 3G setup dialog tests'
# read-only cases, with L:\Windows made read-only and writable again when the test asks
# ("script: make the list folder read-only" / "... writable") by a read-only bind mount of the
# folder over itself (as root, taking the write bits away would not stop the module). The mount
# is undone at the end, also when a test fails.
#   read_only_lists.sh BIN_DIR
set -euo pipefail
bin="$1"
export PATH="$PATH:/usr/sbin:/sbin"
windows="$(readlink -f "$WINEPREFIX/dosdevices/l:")/Windows"
mkdir -p "$windows"

writable() {
    while mountpoint -q "$windows"; do umount "$windows"; done
}
trap writable EXIT

status=0
# Runs one test binary's read-only case, doing what it asks on the way.
run_case() {
    local exe="$1" filter="$2" line
    coproc CASE { LORVANE_READ_ONLY_LISTS=1 wine "$bin/$exe" --gtest_filter="$filter" 2>&1; }
    local pid=$CASE_PID
    exec {from}<&"${CASE[0]}" {to}>&"${CASE[1]}"
    while IFS= read -r line <&"$from"; do
        line=${line%$'\r'}
        echo "$line"
        case "$line" in
        "script: make the list folder read-only")
            mount --bind "$windows" "$windows" &&
                mount -o remount,bind,ro "$windows" && echo done >&"$to" || echo failed >&"$to" ;;
        "script: make the list folder writable")
            writable && echo done >&"$to" || echo failed >&"$to" ;;
        esac
    done
    wait "$pid" || status=1
    exec {from}<&- {to}>&-
    writable
}

run_case cdpd_dialogs_wine_test.exe 'CdpdDialogs.SavesIntoAReadOnlyFolder*'
run_case threeg_setup_dialogs_wine_test.exe 'ThreeGSetupDialogs.SavesIntoAReadOnlyFolder*'
[ $status -eq 0 ] && echo "read-only lists: passed"
exit $status
