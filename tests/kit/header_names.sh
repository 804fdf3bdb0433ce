#!/usr/bin/env bash
# The published header against the names the module publishes, for one architecture:
#   - include/lorvane.h is plain C++98 to g++ and clang on their own;
#   - a use of every declaration (header_use.cpp), compiled for Microsoft's ABI by clang, asks for
#     exactly the names the .def publishes under Microsoft's decorations (the left side of each
#     alias), no more and no fewer; compiled by mingw's g++, exactly the .def's mingw names;
#   - module/export_names.h (printed by export_names_print.exe under Wine) spells the same
#     Microsoft names;
#   - lorvane.dll exports exactly the .def's names of both kinds.
#
# usage: header_names.sh i686|x64 SOURCE_DIR NAMES_EXE LORVANE_DLL WORK_DIR
set -euo pipefail
arch=$1 root=$2 names_exe=$3 dll=$4 work=$5
def=$root/module/lorvane_$arch.def
case $arch in
i686) msvc_target=i686-pc-windows-msvc triple=i686-w64-mingw32 c_prefix=_ ;;
x64) msvc_target=x86_64-pc-windows-msvc triple=x86_64-w64-mingw32 c_prefix= ;;
esac
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# same WHAT EXPECTED GOT: the two sorted lists are equal, or the test fails showing the difference.
same() {
    if ! diff -u "$2" "$3" > difference.txt; then
        echo "FAILED: $1 (- $2, + $3)"
        cat difference.txt
        exit 1
    fi
    echo "ok: $1 ($(wc -l < "$3") names)"
}

# The .def's aliases, "PUBLISHED = MINGW".
sed -n 's/^[[:space:]]*\([^;[:space:]=][^[:space:]=]*\)[[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1 \2/p' \
    "$def" > aliases.txt
cut -d' ' -f1 aliases.txt | sort > def_published.txt
cut -d' ' -f2 aliases.txt | sort > def_mingw.txt
[ -s def_published.txt ] || { echo "FAILED: no aliases read from $def"; exit 1; }

for compiler in g++ clang++; do
    "$compiler" -std=c++98 -pedantic -Wall -Wextra -Werror -x c++ -fsyntax-only \
        "$root/include/lorvane.h" || { echo "FAILED: $compiler -std=c++98 rejects the header"; exit 1; }
done
echo "ok: the header is plain C++98 to g++ and clang++"

# Every name an object asks for, less the import prefix (and, for mingw on 32 bits, the C
# underscore): a name asked for otherwise than through the import table stays as it is, and fails.
asked_names() {  # OBJECT PREFIX
    llvm-nm -u "$1" | awk '{print $NF}' | sed "s/^__imp_$2//" | sort
}

clang++ --target="$msvc_target" -std=c++17 -Wall -Wextra -Werror -I "$root/include" \
    -c "$root/tests/kit/header_use.cpp" -o use_msvc.obj
asked_names use_msvc.obj "" > msvc_asked.txt
same "Microsoft's ABI ($msvc_target): asked for = the .def's published names" \
    def_published.txt msvc_asked.txt

"$triple-g++" -std=c++17 -Wall -Wextra -Werror -I "$root/include" \
    -c "$root/tests/kit/header_use.cpp" -o use_mingw.o
asked_names use_mingw.o "$c_prefix" > mingw_asked.txt
same "mingw ($triple-g++): asked for = the .def's mingw names" def_mingw.txt mingw_asked.txt

wine "$names_exe" | tr -d '\r' | sort > export_names.txt
same "module/export_names.h = the .def's published names" def_published.txt export_names.txt

sort def_published.txt def_mingw.txt > def_all.txt
llvm-readobj --coff-exports "$dll" | sed -n 's/^ *Name: //p' | sort > dll_exports.txt
same "lorvane.dll exports = the .def's names" def_all.txt dll_exports.txt

echo "header names: passed"
