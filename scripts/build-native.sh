#!/usr/bin/env bash
# Builds the native command line pictrove (and its tests) on Debian 12 into build/native,
# installing the compilers and Debian's codec libraries it needs first (only those missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/native"
packages=(g++ cmake ninja-build googletest zlib1g-dev libjpeg62-turbo-dev libopenjp2-7-dev liblcms2-dev
    libdeflate-dev libpng-dev libgif-dev libwebp-dev libarchive-dev python3-dev python3-pybind11)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ! -f "$out/build.ninja" ]; then
    cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$out" -- -j"$(nproc)"
echo "Built $out/pictrove"
