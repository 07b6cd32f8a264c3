#!/usr/bin/env bash
# Builds and runs the PDF reader benchmark natively (optimised) on three documents: Flate
# pictures, JPEG photographs (DCTDecode) and JPEG 2000 pictures (JPXDecode); then, when
# poppler-utils and mupdf-tools are installed, times pdfimages -png and mutool extract on the
# same files for comparison. Not part of the test run.
#   scripts/bench-pdf.sh [flate pages, default 1000] [jpeg pages, default 200] [jpx pages, default 100]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/bench"
core="$root/components/readers/core"
tests="$root/tests/readers"
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$core" -I"$root" -I"$tests" -I/usr/include/openjpeg-2.5 \
    "$root/components/readers/bench/PdfBenchmark.cpp" "$core"/*.cpp "$core"/*/*.cpp \
    \
    "$tests/TestPdf.cpp" "$tests/TestJpeg.cpp" "$tests/TestJpx.cpp" \
    -larchive -ljpeg -lpng -lgif -lopenjp2 -llcms2 -ldeflate -lz -o "$out/pdf-benchmark"
for run in "flate ${1:-1000}" "jpeg ${2:-200}" "jpx ${3:-100}"; do
    set -- $run
    kind="$1" pages="$2" file="$out/bench-$1.pdf"
    echo "=== $kind"
    "$out/pdf-benchmark" "$file" "$pages" "$kind"
    if command -v pdfimages >/dev/null; then
        rm -rf "$out/png" && mkdir -p "$out/png"
        /usr/bin/time -f "pdfimages -png: %e s, peak %M KB" pdfimages -png "$file" "$out/png/img"
        echo "pdfimages wrote $(ls "$out/png" | wc -l) files"
    fi
    if command -v mutool >/dev/null; then
        rm -rf "$out/mutool" && mkdir -p "$out/mutool"
        (cd "$out/mutool" && /usr/bin/time -f "mutool extract: %e s, peak %M KB" mutool extract "$file" >/dev/null)
        echo "mutool extract wrote $(ls "$out/mutool" | wc -l) files"
    fi
done
