#!/usr/bin/env bash
# Builds and runs the comic archive benchmark natively (optimised): makes the pages, packs them
# with p7zip into solid 7z archives (pages in list order, and reversed), and measures opening
# and extracting every page. Not part of the test run.
#   scripts/bench-archive.sh [pages, default 500]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/bench"
core="$root/components/readers/core"
pages="${1:-500}"
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$core" -I"$root" -I"$root/tests/readers" -I/usr/include/openjpeg-2.5 \
    "$root/components/readers/bench/ArchiveBenchmark.cpp" "$core"/*.cpp "$core"/*/*.cpp \
    "$root/tests/readers/TestImageFiles.cpp" -larchive -ljpeg -lpng -lgif -lwebpdemux -lwebp -lopenjp2 -llcms2 -ldeflate -lz -o "$out/archive-benchmark"
rm -rf "$out/comic-pages" "$out"/comic-*.7z
mkdir -p "$out/comic-pages"
"$out/archive-benchmark" pages "$out/comic-pages" "$pages"
in_order=()
reversed=()
for ((i = 1; i <= pages; i++)); do in_order+=("page$i.png"); done
for ((i = pages; i >= 1; i--)); do reversed+=("page$i.png"); done
(cd "$out/comic-pages" && 7z a -bd -ms=on -m0=lzma2 "$out/comic-in-order.7z" "${in_order[@]}" >/dev/null)
(cd "$out/comic-pages" && 7z a -bd -ms=on -m0=lzma2 "$out/comic-reversed.7z" "${reversed[@]}" >/dev/null)
"$out/archive-benchmark" run "$out/comic-in-order.7z" "$out/comic-reversed.7z"
