#!/usr/bin/env bash
# A package as a host vendor receives it: unpacked into an empty folder, its checksums hold and
# cover every file; the sample host, built from the package alone (its header, its import
# libraries, its build script) with both toolchains, runs under Wine against the package's
# release DLLs; each shipped file carries the tree's version; waytool.exe says the same version.
#
# usage: package_test.sh i686|x64 ZIP WORK_DIR VERSION_TEST_EXE VERSION
set -euo pipefail
arch=$1 zip=$2 work=$3 version_test=$4 version=$5
package=lorvane-$version-$arch

fail() {
    echo "FAILED: $*"
    exit 1
}

[ -f "$zip" ] || fail "$zip: no package (make dist makes it)"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cmake -E tar xf "$zip"
[ "$(ls)" = "$package" ] || fail "the zip holds $(ls | tr '\n' ' ')instead of the one folder $package"
cd "$package"

expected="GUIDE.md
SHA256SUMS
bin/lorvane.dll
bin/waytool.exe
include/lorvane.h
lib/liblorvane.dll.a
lib/lorvane.lib
sample/build.sh
sample/kernel32.def
sample/sample_host.cpp
standin/README.txt
standin/gpsdriver.dll"
found=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$found" = "$expected" ] || fail "the package holds:
$found
expected:
$expected"
echo "ok: the package holds the $(echo "$expected" | wc -l) files it should"

sha256sum --quiet -c SHA256SUMS || fail "a checksum does not match"
summed=$(sed 's/^[0-9a-f]*  //' SHA256SUMS | LC_ALL=C sort)
[ "$summed" = "$(echo "$found" | grep -vx SHA256SUMS)" ] || fail "SHA256SUMS does not cover every other file"
echo "ok: SHA256SUMS covers every other file and holds"

# The sample host from the package alone; the stand-in driver goes beside the DLL, as the guide
# says, for the module to load.
for toolchain in msvc mingw; do
    run=$work/run-$toolchain
    sh sample/build.sh "$toolchain" "$arch" "$run" || fail "the sample host does not build for $toolchain"
    cp bin/lorvane.dll bin/waytool.exe standin/gpsdriver.dll "$run/"
    code=0
    (cd "$run" && wine sample_host.exe) > "$run/output.txt" 2>&1 || code=$?
    tr -d '\r' < "$run/output.txt"
    [ $code -eq 0 ] || fail "the sample host built for $toolchain exited with $code"
    grep -q "sample host: passed" "$run/output.txt" || fail "the sample host built for $toolchain did not pass"
    echo "ok: the sample host built for $toolchain from the package runs"
done

run=$work/run-msvc
LORVANE_SHIPPED_DIR=$(winepath -w "$run") wine "$version_test" || fail "a version resource is wrong"
said=$(wine "$run/waytool.exe" --version | tr -d '\r')
[ "$said" = "waytool $version" ] || fail "waytool.exe --version says '$said', not 'waytool $version'"
echo "ok: waytool.exe --version says $said"

echo "package: passed"
