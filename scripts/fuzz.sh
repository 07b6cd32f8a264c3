#!/usr/bin/env bash
# Builds the fuzz targets of the readers' portable core natively (clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer), seeds each from the tests' file builders and
# runs each for a bounded time. Not part of the test run.
#   scripts/fuzz.sh [seconds per target, default 60] [target names, default all]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
out="${PICTROVE_BUILD_DIR:-$root/build}/fuzz"
core="$root/components/readers/core"
fuzz="$root/components/readers/fuzz"
tests="$root/tests/readers"

# The fuzzing toolchain only; the Windows build and its tests do not need it.
need=()
for p in clang libclang-rt-dev zlib1g-dev libarchive-dev libjpeg62-turbo-dev libopenjp2-7-dev liblcms2-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if ((${#need[@]})); then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

mkdir -p "$out/obj" "$out/corpus" "$out/findings"
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -I"$core" -I"$root" -I"$fuzz" -I/usr/include/openjpeg-2.5)
objects=()
for source in "$core"/*.cpp "$core"/codecs/*.cpp "$core"/pdf/*.cpp "$core"/djvu/*.cpp \
    "$core"/jbig2/*.cpp; do
    object="$out/obj/$(basename "${source%.cpp}").o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ -n "$(find "$core" -name '*.h' -newer "$object")" ]; then
        clang++ "${flags[@]}" -c "$source" -o "$object"
    fi
    objects+=("$object")
done

# Seeds: the same small files the tests build.
clang++ -std=c++20 -O1 -I"$core" -I"$root" -I"$tests" -I/usr/include/openjpeg-2.5 "$fuzz/MakeSeeds.cpp" "$tests"/TestImageFiles.cpp \
    "$tests"/TestDocuments.cpp "$tests"/TestDocumentFiles.cpp "$tests"/TestPdf.cpp "$tests"/TestJpeg.cpp "$tests"/TestJpx.cpp \
    "$tests"/TestArchives.cpp "$tests"/LibarchiveSamples.cpp \
    "$core"/*.cpp "$core"/codecs/*.cpp \
    "$core"/pdf/*.cpp \
    "$core"/jbig2/*.cpp \
    -larchive -ljpeg -lopenjp2 -llcms2 -lz -o "$out/make-seeds"
"$out/make-seeds" "$out/corpus"
clang++ -std=c++20 -O1 -I"$core" -I"$tests" "$fuzz/MakeJbig2Seeds.cpp" "$tests/Jbig2TestStreams.cpp" \
    "$core/codecs/MqDecoder.cpp" -o "$out/make-jbig2-seeds"
"$out/make-jbig2-seeds" "$out/corpus"
if [ ! -f "$out/tiff-samples/multi.tif" ]; then
    "$tests/make-tiff-samples.sh" "$out/tiff-samples" >/dev/null
fi
mkdir -p "$out/corpus/TiffFuzzer"
cp "$out/tiff-samples"/*.tif "$out/corpus/TiffFuzzer/"
# 7z and tar comics made by Debian's archivers, as the reader tests make them.
if [ ! -f "$out/archive-samples/comic.7z" ]; then
    "$tests/make-archive-samples.sh" "$out/archive-samples" >/dev/null
fi
mkdir -p "$out/corpus/ComicFuzzer" "$out/corpus/ArchiveFuzzer"
cp "$out/archive-samples"/*.7z "$out/archive-samples"/*.tar "$out/corpus/ComicFuzzer/"
for f in "$out/archive-samples"/*.7z; do
    { printf '\003'; tail -c +7 "$f"; } > "$out/corpus/ArchiveFuzzer/$(basename "$f")"
done

# The DjVu target starts from the documents DjVuLibre's encoders make for the tests.
if [ ! -f "$out/djvu-samples/done" ]; then
    "$tests/djvu/make-djvu-samples.sh" "$out/djvu-samples" >/dev/null && touch "$out/djvu-samples/done"
fi
mkdir -p "$out/corpus/DjvuFuzzer"
cp "$out/djvu-samples"/*.djvu "$out/djvu-samples"/*.iw4 "$out/djvu-samples"/indirect/*.djvu "$out/corpus/DjvuFuzzer/"

targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in "$fuzz"/*Fuzzer.cpp; do targets+=("$(basename "${source%.cpp}")"); done
fi
summary=()
for target in "${targets[@]}"; do
    clang++ "${flags[@]}" -fsanitize=fuzzer "$fuzz/$target.cpp" "${objects[@]}" -larchive -ljpeg -lopenjp2 -llcms2 -lz -o "$out/$target"
    mkdir -p "$out/corpus/$target" "$out/findings/$target"
    log="$out/$target.log"
    status=0
    (cd "$out/findings/$target" && "$out/$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -max_len=262144 -print_final_stats=1 "$out/corpus/$target") >"$log" 2>&1 || status=$?
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    crashes=$(find "$out/findings/$target" -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    summary+=("$(printf '%-22s %12s executions  %d findings  exit %d' "$target" "$runs" "$crashes" "$status")")
    echo "${summary[-1]}"
done
echo "--- fuzzing summary (${seconds}s per target; logs and findings in $out)"
printf '%s\n' "${summary[@]}"
