#!/usr/bin/env bash
# Builds the portable core of the readers and its unit tests with the host compiler and runs
# them natively, which shows the core needs nothing of Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/readers-core-native"
mkdir -p "$out"
core="$root/components/readers/core"
gtest=/usr/src/googletest/googletest
if [ ! -f "$out/gtest.o" ]; then
    g++ -std=c++20 -O1 -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" -o "$out/gtest.o"
    g++ -std=c++20 -O1 -I"$gtest/include" -c "$gtest/src/gtest_main.cc" -o "$out/gtest_main.o"
fi
# The DjVu samples, made by DjVuLibre's encoders with ddjvu's renderings as references.
# Made again whenever the script that makes them changes.
samples_script="$root/tests/readers/djvu/make-djvu-samples.sh"
samples_stamp="$(sha256sum "$samples_script" | cut -d' ' -f1)"
if [ "$(cat "$out/djvu-samples/done" 2>/dev/null)" != "$samples_stamp" ]; then
    rm -rf "$out/djvu-samples"
    "$samples_script" "$out/djvu-samples" && echo "$samples_stamp" > "$out/djvu-samples/done"
fi
g++ -std=c++20 -O1 -Wall -Wextra -Werror -I"$core" -I"$root" -I"$gtest/include" -I/usr/include/openjpeg-2.5 \
    -DPICTROVE_DJVU_SAMPLES="\"$out/djvu-samples\"" -DPICTROVE_CMYK_JPEG_SAMPLES="\"$root/tests/readers/data/cmyk-jpeg\"" \
    -DPICTROVE_PICTURE_SAMPLES="\"$root/tests/readers/data/pictures\"" \
    -DPICTROVE_READER_DATA="\"$root/tests/readers/data\"" \
    -DPICTROVE_PAGE_SAMPLES="\"$root/tests/readers/data/pages\"" \
    "$root/tests/readers/djvu/DjvuTests.cpp" \
    "$core"/*.cpp "$core"/*/*.cpp "$root/tests/readers/codecs/"*.cpp \
    "$root/tests/readers/ByteReaderTests.cpp" "$root/tests/readers/FileBytesTests.cpp" \
    "$root/tests/readers/ReaderCoreTests.cpp" "$root/tests/readers/ContainerCoreTests.cpp" \
    "$root/tests/readers/EbookCoreTests.cpp" "$root/tests/readers/ForeignPictureTests.cpp" \
    "$root/tests/readers/OfficeDocumentTests.cpp" \
    "$root/tests/readers/AllocationProbe.cpp" "$root/tests/readers/FindingsSamples.cpp" \
    "$root/tests/readers/FindingsTests.cpp" \
    "$root/tests/readers/FormatCoreTests.cpp" \
    "$root/tests/readers/PalmAndWordCoreTests.cpp" "$root/tests/readers/PalmBitmapTests.cpp" \
    "$root/tests/readers/TestDocumentFiles.cpp" \
    "$root/tests/readers/TestImageFiles.cpp" "$root/tests/readers/TestDocuments.cpp" \
    "$root/tests/readers/PdfCoreTests.cpp" "$root/tests/readers/PdfImageTests.cpp" \
    "$root/tests/readers/TestPdf.cpp" "$root/tests/readers/TestJpeg.cpp" "$root/tests/readers/TestJpx.cpp" \
    "$root/tests/readers/StoredPdfImageTests.cpp" "$root/tests/readers/StoredPictureFileTests.cpp" \
    "$root/tests/readers/CmykJpegSampleTests.cpp" \
    "$root/tests/readers/ArchiveCoreTests.cpp" "$root/tests/readers/TestArchives.cpp" \
    "$root/tests/readers/LibarchiveSamples.cpp" "$root/tests/readers/ArchiveFuzzFindings.cpp" \
    "$root/tests/readers/Jbig2Tests.cpp" "$root/tests/readers/Jbig2SymbolTests.cpp" \
    "$root/tests/readers/Jbig2PdfTests.cpp" "$root/tests/readers/Jbig2TestStreams.cpp" \
    "$root/tests/readers/TestCorpus.cpp" "$root/tests/readers/DamagedDocumentsTests.cpp" \
    "$root/tests/readers/PagePlacementTests.cpp" \
    "$out/gtest.o" "$out/gtest_main.o" -larchive -ljpeg -lpng -lgif -lopenjp2 -llcms2 -ldeflate -lz -lpthread -o "$out/readers_core_tests"
"$out/readers_core_tests" --gtest_brief=1
