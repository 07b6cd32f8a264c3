#!/usr/bin/env bash
# Builds and runs the PDF reader benchmark natively (optimised), then, when poppler-utils is
# installed, times its pdfimages on the same file for comparison. Not part of the test run.
#   scripts/bench-pdf.sh [pages, default 1000]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/bench"
core="$root/components/readers/core"
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$core" -I"$root" -I"$root/tests/readers" "$root/components/readers/bench/PdfBenchmark.cpp" \
    "$core"/*.cpp "$core"/pdf/*.cpp "$root/tests/readers/TestPdf.cpp" \
    "$core"/codecs/*.cpp "$core"/jbig2/*.cpp \
    -lz -o "$out/pdf-benchmark"
"$out/pdf-benchmark" "$out/bench.pdf" "${1:-1000}"
if command -v pdfimages >/dev/null; then
    echo "--- pdfimages on the same file"
    /usr/bin/time -f "pdfimages -list: %e s, peak %M KB" pdfimages -list "$out/bench.pdf" >/dev/null
    rm -rf "$out/png" && mkdir -p "$out/png"
    /usr/bin/time -f "pdfimages -png: %e s, peak %M KB" pdfimages -png "$out/bench.pdf" "$out/png/img"
    echo "pdfimages wrote $(ls "$out/png" | wc -l) files"
fi
