#!/usr/bin/env bash
# The size of what ships, per architecture: the stripped release files (make dist builds them),
# then where the bytes of lorvane.dll come from, from the linker's map of the same link without
# stripping (written to build/PRESET/size/).
#
# usage: benchmarks/release_size.sh [TOP]     TOP: how many of the largest objects to list (25)
set -euo pipefail
cd "$(dirname "$0")/.."
top=${1:-25}

for preset in release32 release; do
    build=build/$preset
    [ -f "$build/bin/lorvane.dll" ] || { echo "$build: no release build (make dist)"; exit 1; }
    echo "== $preset: stripped"
    for file in lorvane.dll gpsdriver.dll waytool.exe; do
        printf '%10d  %s\n' "$(stat -c %s "$build/bin/$file")" "$file"
    done

    # The DLL's own link, kept unstripped and with a map.
    mkdir -p "$build/size"
    link=$(cd "$build" && ninja -t commands bin/lorvane.dll | tail -n1)
    link=${link#: && }
    link=${link% && :}
    link=${link// -s / }
    link=${link/-o bin\/lorvane.dll/-o size/lorvane-symbols.dll -Wl,-Map=size/lorvane.map}
    link=${link/--out-implib,module\/liblorvane.dll.a/--out-implib,size/liblorvane.dll.a}
    (cd "$build" && eval "$link")
    echo "== $preset: lorvane.dll by origin (unstripped link, debug sections left out)"
    python3 benchmarks/map_sizes.py "$build/size/lorvane.map" "$top"
    echo
done
