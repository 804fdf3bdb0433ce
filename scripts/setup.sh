#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# Runs `apt-get update` once, and only when something must be installed.
set -euo pipefail

packages=(
    cmake ninja-build make clang googletest libbenchmark-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686
    wine64 wine wine32:i386 xvfb xauth
    gpsd gpsd-clients nlohmann-json3-dev python3 iproute2 procps libxml2-utils gpsbabel tzdata libstb-dev
    mount e2fsprogs
)

# The 32-bit Wine comes from Debian's i386 architecture, which dpkg must know first.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    [ "$(id -u)" -eq 0 ] && dpkg --add-architecture i386 || sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The sanitizers' and libFuzzer's runtime belongs to the clang that is installed: its package
# carries clang's major version in its name.
clang_major=$(clang --version | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n1)
runtime="libclang-rt-${clang_major}-dev"
if ! dpkg-query -W -f='${Status}' "$runtime" 2>/dev/null | grep -q 'install ok installed'; then
    echo "setup: installing $runtime"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$runtime" ||
        { $sudo apt-get update -qq &&
          DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$runtime"; }
fi
