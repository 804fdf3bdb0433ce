#!/bin/sh
# Builds the sample host on Linux, as a host vendor's toolchain would:
#
#   sh build.sh msvc i686|x64 OUT_DIR    Microsoft's ABI with clang and lld (Debian's clang, lld,
#                                        llvm): lorvane.lib, and kernel32.lib made here from
#                                        kernel32.def; no Windows SDK, no C runtime
#   sh build.sh mingw i686|x64 OUT_DIR   mingw-w64's g++: liblorvane.dll.a and mingw's kernel32
#
# The header comes from ../include and the import libraries from ../lib, as the package holds
# them; LORVANE_INCLUDE and LORVANE_LIB name other folders. Writes OUT_DIR/sample_host.exe.
set -eu

toolchain=$1 arch=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
include=${LORVANE_INCLUDE:-$here/../include}
lib=${LORVANE_LIB:-$here/../lib}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $arch in
i686) msvc_target=i686-pc-windows-msvc machine=i386 triple=i686-w64-mingw32 ;;
x64) msvc_target=x86_64-pc-windows-msvc machine=i386:x86-64 triple=x86_64-w64-mingw32 ;;
*) echo "build.sh: no architecture $arch (i686 or x64)" >&2; exit 2 ;;
esac

case $toolchain in
msvc)
    # x64 names carry no argument sizes.
    if [ "$arch" = x64 ]; then
        sed 's/@[0-9]*$//' "$here/kernel32.def" > "$work/kernel32.def"
    else
        cp "$here/kernel32.def" "$work/kernel32.def"
    fi
    llvm-dlltool -m "$machine" -k -d "$work/kernel32.def" -l "$work/kernel32.lib"
    clang++ --target="$msvc_target" -std=c++17 -O2 -fno-exceptions -Wall -Wextra -Werror \
        -I "$include" -c "$here/sample_host.cpp" -o "$work/sample_host.obj"
    lld-link /nologo /entry:start /subsystem:console /nodefaultlib \
        "/out:$out/sample_host.exe" "$work/sample_host.obj" "$lib/lorvane.lib" "$work/kernel32.lib"
    ;;
mingw)
    # The entry symbol carries the 32-bit C underscore.
    entry=start
    [ "$arch" = i686 ] && entry=_start
    "$triple-g++" -std=c++17 -O2 -fno-exceptions -Wall -Wextra -Werror -I "$include" \
        "$here/sample_host.cpp" -o "$out/sample_host.exe" \
        -nostdlib -Wl,--entry,"$entry" -Wl,--subsystem,console -L "$lib" -llorvane -lkernel32
    ;;
*)
    echo "build.sh: no toolchain $toolchain (msvc or mingw)" >&2
    exit 2
    ;;
esac
