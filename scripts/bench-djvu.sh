#!/usr/bin/env bash
# Builds and runs the DjVu reader benchmark natively (optimised) on a 100-page bundled document
# at 300 dpi (text masks over wavelet backgrounds, made once by DjVuLibre's encoders), then
# times ddjvu drawing the same pages. Not part of the test run.
#   scripts/bench-djvu.sh [pages, default 100]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/bench"
core="$root/components/readers/core"
pages="${1:-100}"
doc="$out/bench-$pages.djvu"
mkdir -p "$out"
if [ ! -f "$doc" ]; then
    work="$out/djvu-pages" && rm -rf "$work" && mkdir -p "$work"
    # Four distinct page designs, repeated through the document: 60 lines of text each.
    for k in 1 2 3 4; do
        lines=()
        for l in $(seq 1 60); do
            lines+=(-annotate "+150+$((150 + l * 50))" "Chapter $k, line $l: the quick brown fox jumps over the lazy dog again.")
        done
        convert -size 2550x3300 xc:white -font DejaVu-Serif -pointsize $((30 + 2 * k)) -fill black "${lines[@]}" \
            -monochrome "$work/mask$k.pbm"
        cjb2 "$work/mask$k.pbm" "$work/mask$k.djvu"
        convert -size 850x1100 plasma:fractal -blur 0x3 "$work/bg$k.ppm"
        c44 "$work/bg$k.ppm" "$work/bg$k.djvu"
        djvuextract "$work/bg$k.djvu" BG44="$work/bg$k.iw4" >/dev/null 2>&1
        djvumake "$work/design$k.djvu" INFO=2550,3300,300 Sjbz="$work/mask$k.djvu" FGbz=#202020 \
            BG44="$work/bg$k.iw4" >/dev/null
    done
    files=()
    for p in $(seq 1 "$pages"); do
        cp "$work/design$(((p - 1) % 4 + 1)).djvu" "$work/p$(printf %04d "$p").djvu"
        files+=("$work/p$(printf %04d "$p").djvu")
    done
    djvm -c "$doc" "${files[@]}"
    rm -rf "$work"
fi
g++ -std=c++20 -O2 -DNDEBUG -I"$core" -I"$root" "$root/components/readers/bench/DjvuBenchmark.cpp" \
    "$core"/djvu/*.cpp "$core"/codecs/Ccitt.cpp "$core"/TextCodec.cpp "$core"/DocumentSource.cpp "$core"/DecodedImage.cpp "$core"/ImageNames.cpp \
    -o "$out/djvu-benchmark"
echo "--- our reader ($(stat -c %s "$doc") bytes)"
"$out/djvu-benchmark" "$doc"
if command -v ddjvu >/dev/null; then
    echo "--- ddjvu drawing the same pages"
    start=$(date +%s.%N)
    for p in $(seq 1 "$pages"); do ddjvu -format=ppm -page="$p" "$doc" /dev/null; done
    end=$(date +%s.%N)
    echo "ddjvu: $(echo "($end - $start) * 1000 / $pages" | bc -l | cut -c1-6) ms per page"
fi
