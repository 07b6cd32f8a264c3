#!/usr/bin/env bash
# Builds and runs the JBIG2 benchmark natively (optimised): a 300 dpi A4 page in generic and in
# symbol mode, each also written as a one-page PDF; when poppler-utils or mupdf-tools are
# installed, times pdftoppm and mutool drawing the same pages at 300 dpi for comparison.
# Not part of the test run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/bench"
core="$root/components/readers/core"
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$core" -I"$root" -I"$root/tests/readers" -I/usr/include/openjpeg-2.5 \
    "$root/components/readers/bench/Jbig2Benchmark.cpp" "$root/tests/readers/Jbig2TestStreams.cpp" \
    "$root/tests/readers/TestPdf.cpp" "$root/tests/readers/TestImageFiles.cpp" \
    "$core"/*.cpp "$core"/*/*.cpp -larchive -ljpeg -lpng -lgif -lwebpdemux -lwebp -lopenjp2 -llcms2 -ldeflate -lz -o "$out/jbig2-benchmark"
"$out/jbig2-benchmark" "$out"
for mode in generic symbol; do
    if command -v pdftoppm >/dev/null; then
        /usr/bin/time -f "pdftoppm -r 300 ($mode): %e s" pdftoppm -r 300 -gray "$out/jbig2-$mode.pdf" "$out/ppm-$mode"
    fi
    if command -v mutool >/dev/null; then
        /usr/bin/time -f "mutool draw -r 300 ($mode): %e s" mutool draw -q -r 300 -c gray -o "$out/mu-$mode.pgm" \
            "$out/jbig2-$mode.pdf"
    fi
done
