#!/usr/bin/env bash
# make dist: the packages a host vendor receives, dist/lorvane-VERSION-i686.zip and
# dist/lorvane-VERSION-x64.zip, from the release builds (build/release32, build/release).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in release32 release; do
    echo "== $preset: what ships, built for shipping"
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset --target dist
done
ls -l dist/*.zip
