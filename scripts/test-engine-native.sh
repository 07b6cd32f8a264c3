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
    "$root"/engine/*.cpp "$root"/tests/engine/*.cpp \
    "$out/gtest.o" "$out/gtest_main.o" -lpthread -o "$out/engine_tests"
"$out/engine_tests" --gtest_brief=1
