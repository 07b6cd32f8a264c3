#!/usr/bin/env bash
# Builds the extraction engine and its unit tests with the host compiler and runs them natively,
# which shows the engine needs nothing of Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/engine-native"
mkdir -p "$out"
gtest=/usr/src/googletest/googletest
if [ ! -f "$out/gtest.o" ]; then
    g++ -std=c++20 -O1 -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" -o "$out/gtest.o"
    g++ -std=c++20 -O1 -I"$gtest/include" -c "$gtest/src/gtest_main.cc" -o "$out/gtest_main.o"
fi
g++ -std=c++20 -O1 -Wall -Wextra -Werror -I"$root" -I"$gtest/include" \
    "$root"/engine/*.cpp "$root"/engine/writers/*.cpp "$root"/tests/engine/*.cpp \
    "$out/gtest.o" "$out/gtest_main.o" -ldeflate -lz -ljpeg -lpthread -o "$out/engine_tests"

# The writers' tests read their files back with ImageMagick, giflib and djpeg; a full disk and a
# read-only folder are two small file systems of their own, where this shell may mount them.
mounts="$out/mounts"
cleanup() {
    for m in "$mounts/full" "$mounts/readonly"; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done
    return 0
}
trap cleanup EXIT
mkdir -p "$mounts/full" "$mounts/readonly"
cleanup
if mount -t tmpfs -o size=64k tmpfs "$mounts/full" 2>/dev/null &&
    mount -t tmpfs -o ro,size=64k tmpfs "$mounts/readonly" 2>/dev/null; then
    export PICTROVE_TEST_FULL_FOLDER="$mounts/full" PICTROVE_TEST_READONLY_FOLDER="$mounts/readonly"
else
    echo "test-engine-native: cannot mount small file systems here; the full-disk test is skipped" >&2
fi
"$out/engine_tests" --gtest_brief=1
