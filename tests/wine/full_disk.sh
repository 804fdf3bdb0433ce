#!/usr/bin/env bash
# A full disk for real: L:\My Documents on a small file system of the test's own while the track
# append test's FullDisk cases run, first a tmpfs, then an ext2 image with 1 KB blocks on a loop
# device; each is unmounted afterwards, also when a case fails.
#   full_disk.sh BIN_DIR
set -euo pipefail
bin="$1"
export PATH="$PATH:/usr/sbin:/sbin"
docs="$(readlink -f "$WINEPREFIX/dosdevices/l:")/My Documents"
mkdir -p "$docs"
image=""
cleanup() {
    while mountpoint -q "$docs"; do umount "$docs"; done
    [ -z "$image" ] || rm -f "$image"
}
trap cleanup EXIT

status=0
run_cases() {  # DISK: what is mounted at $docs, for the test's messages
    echo "-- the documents folder on a $1"
    LORVANE_SMALL_DISK="$1" wine "$bin/track_append_wine_test.exe" --gtest_filter='FullDisk.*' ||
        status=1
    umount "$docs"
}

# 16 pages, and inodes for the cases' files and the fillers of the one that runs out of them.
mount -t tmpfs -o size=64k,nr_inodes=64 tmpfs "$docs"
run_cases "tmpfs of 64 KB"

image=$(mktemp /tmp/lorvane-disk.XXXXXX)
truncate -s 256k "$image"
mkfs.ext2 -q -F -b 1024 -m 0 -N 32 "$image"
mount -o loop "$image" "$docs"
run_cases "ext2 image of 256 KB with 1 KB blocks"

[ $status -eq 0 ] && echo "full disk: passed"
exit $status
