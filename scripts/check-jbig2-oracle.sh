#!/usr/bin/env bash
# Compares the core's JBIG2 decoding with independent decoders: writes PDFs of generic,
# refinement and halftone streams made by the tests' encoders (tests/readers/Jbig2OracleCases.cpp),
# has mupdf-tools' mutool extract and poppler-utils' pdfimages decode them, and compares the
# pixels with ImageMagick. Fails when neither agrees: this mutool gives a blank picture for a
# refinement of an intermediate region, and this poppler decodes refinement with typical
# prediction differently from mutool and from us. Run by hand, not part of the test run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/jbig2-oracle"
core="$root/components/readers/core"
rm -rf "$out" && mkdir -p "$out"
g++ -std=c++20 -O1 -I"$core" -I"$root" -I"$root/tests/readers" -I/usr/include/openjpeg-2.5 "$root/tests/readers/Jbig2OracleCases.cpp" \
    "$root/tests/readers/Jbig2TestStreams.cpp" "$root/tests/readers/TestPdf.cpp" "$root/tests/readers/TestImageFiles.cpp" \
    "$core"/*.cpp "$core"/*/*.cpp -larchive -ljpeg -lpng -lgif -lwebpdemux -lwebp -lopenjp2 -llcms2 -ldeflate -lz -o "$out/cases"
"$out/cases" "$out"
failed=0
for pdf in "$out"/*.pdf; do
    name="$(basename "${pdf%.pdf}")"
    (cd "$out" && rm -f image-* && mutool extract "$pdf" >/dev/null 2>&1)
    convert "$(ls "$out"/image-* | head -1)" -threshold 50% "$out/$name.mupdf.pbm"
    mupdf="$(compare -metric AE "$out/$name.ours.pbm" "$out/$name.mupdf.pbm" null: 2>&1 || true)"
    pdfimages "$pdf" "$out/$name.poppler"
    poppler="$(compare -metric AE "$out/$name.ours.pbm" "$(ls "$out/$name.poppler"-000.* | head -1)" null: 2>&1 || true)"
    printf '%-28s pixels differing from mutool: %-6s from pdfimages: %s\n' "$name" "$mupdf" "$poppler"
    [ "$mupdf" = "0" ] || [ "$poppler" = "0" ] || failed=1
done
exit $failed
