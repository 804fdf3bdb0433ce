#!/usr/bin/env bash
# Builds and runs every test: the native core (ASan + UBSan, then ThreadSanitizer, with the fuzz
# targets' bounded runs), the packages for host vendors (make dist), and the Win32 DLLs under Wine,
# where each architecture's package is unpacked and tried too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export PATH="$PATH:/usr/sbin:/sbin"

bash scripts/setup.sh

status=0
run_ctest() {  # test preset: its jobs (one at a time under Wine), timeout and output
    ctest --preset "$1" || status=1
}

echo "== native: portable core, ASan + UBSan, fuzz targets"
cmake --preset native >/dev/null
cmake --build --preset native
run_ctest native

echo "== native: ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
run_ctest tsan

echo "== release: the packages for host vendors"
bash scripts/dist.sh || status=1

# The DLLs, the hosts and every Wine test, for x64 and for the 32-bit platform of the device.
source scripts/wine-session.sh
for preset in mingw mingw32; do
    echo "== $preset: DLLs under Wine"
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset
    trap wine_session_stop EXIT
    wine_session_start "$root/build/$preset"
    run_ctest $preset
    wine_session_stop
    trap - EXIT
done

if [ $status -ne 0 ]; then
    echo "make test: FAILED"
fi
exit $status
