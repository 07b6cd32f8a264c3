#!/usr/bin/env bash
# Fuzzes the readers' portable core, built natively with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer. Not part of the test run.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#       each target (default: all) for SECONDS (default 60), two at a time; prints a table
#   scripts/fuzz.sh --campaign MINUTES [TARGET ...]
#       the targets share MINUTES of wall time, two at a time on two cores; each one's new inputs
#       are merged (-merge=1) with its kept corpus, components/readers/fuzz/corpus/<target>/, into
#       the smallest set that covers as much; then the source-based coverage of the kept corpus
#   scripts/fuzz.sh --coverage [TARGET ...]
#       only the coverage of the kept corpus: lines and functions per core file
# Every run starts from the kept corpus and from seeds written at fuzz time by the tests' file
# builders and by the tools that write real documents (make-tool-seeds.sh). Allocations over
# 256 MB count as findings. Findings go to <build>/fuzz/findings/<target>/; each one becomes a
# fixed bug with a regression test. PICTROVE_FUZZ_JOBS sets how many targets run at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode=run
seconds=60
case "${1:-}" in
    --campaign)
        mode=campaign
        minutes="${2:?--campaign needs the total minutes}"
        shift 2
        ;;
    --coverage)
        mode=coverage
        shift
        ;;
    [0-9]*)
        seconds="$1"
        shift
        ;;
esac
out="${PICTROVE_BUILD_DIR:-$root/build}/fuzz"
core="$root/components/readers/core"
fuzz="$root/components/readers/fuzz"
kept="$fuzz/corpus"
tests="$root/tests/readers"
jobs="${PICTROVE_FUZZ_JOBS:-2}"
max_len=65536
# A picture at the readers' size limits takes seconds in the instrumented build on a busy
# machine (an IW44 photo decodes every slice over every pixel); a timeout past that is a hang.
limits=(-timeout=25 -malloc_limit_mb=256 -rss_limit_mb=2048 -max_len=$max_len)
libs=(-larchive -ljpeg -lpng -lgif -lwebpdemux -lwebp -lopenjp2 -llcms2 -ldeflate -lz)

# The fuzzing toolchain only; the Windows build and its tests do not need it. The tools that
# write seeds are optional: each missing one only means fewer seeds.
need=()
for p in clang llvm libclang-rt-dev zlib1g-dev libarchive-dev libjpeg62-turbo-dev libpng-dev libgif-dev libwebp-dev libopenjp2-7-dev liblcms2-dev libdeflate-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if ((${#need[@]})); then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
optional=()
for p in qpdf img2pdf imagemagick libtiff-tools libopenjp2-tools zip djvulibre-bin p7zip-full; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || optional+=("$p")
done
if ((${#optional[@]})); then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${optional[@]}" \
        >/dev/null 2>&1 || echo "some seed tools could not be installed: ${optional[*]}"
fi

targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in "$fuzz"/*Fuzzer.cpp; do targets+=("$(basename "${source%.cpp}")"); done
fi
sources=("$core"/*.cpp "$core"/*/*.cpp )
includes=(-I"$core" -I"$root" -I"$fuzz" -I/usr/include/openjpeg-2.5)

# stale OUTPUT INPUT...: whether OUTPUT is missing or older than an input or a core header.
stale() {
    local output="$1"
    shift
    [ ! -f "$output" ] && return 0
    for input in "$@"; do [ "$input" -nt "$output" ] && return 0; done
    [ -n "$(find "$core" "$fuzz" -name '*.h' -newer "$output" -print -quit)" ]
}

fuzz_flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined "${includes[@]}")
cov_flags=(-std=c++20 -O1 -fprofile-instr-generate -fcoverage-mapping "${includes[@]}")
# The crypto primitives are built optimised, with AddressSanitizer only and without coverage
# instrumentation: the password hash of AES-256 documents runs some twenty thousand AES blocks
# and hundreds of SHA-2 blocks per check, which would otherwise cost most of every input that
# reaches it, and their branches tell the fuzzer nothing. Published vectors test them.
fuzz_crypto_flags=(-std=c++20 -g -O2 -fno-omit-frame-pointer -fsanitize=address "${includes[@]}")
cov_crypto_flags=(-std=c++20 -O2 "${includes[@]}")

# build_objects FOLDER fuzz|cov: the core's objects, rebuilt when a source, a header or the
# flags change.
objects=()
build_objects() {
    local folder="$1" kind="$2"
    local -n flags="${kind}_flags" crypto="${kind}_crypto_flags"
    mkdir -p "$folder"
    if [ "$(cat "$folder/flags" 2>/dev/null)" != "${flags[*]} ${crypto[*]}" ]; then
        rm -f "$folder"/*.o
        echo "${flags[*]} ${crypto[*]}" >"$folder/flags"
    fi
    objects=()
    for source in "${sources[@]}"; do
        local object
        object="$folder/$(basename "${source%.cpp}").o"
        if stale "$object" "$source"; then
            if [ "$(basename "$source")" = PdfCrypto.cpp ]; then
                clang++ "${crypto[@]}" -c "$source" -o "$object"
            else
                clang++ "${flags[@]}" -c "$source" -o "$object"
            fi
        fi
        objects+=("$object")
    done
}

# Seeds: the small files the tests build, and documents made by real tools.
make_seeds() {
    local seeds="$out/seeds"
    mkdir -p "$seeds"
    local seed_sources=("$fuzz/MakeSeeds.cpp" "$tests"/TestImageFiles.cpp "$tests"/TestDocuments.cpp
        "$tests"/TestDocumentFiles.cpp "$tests"/TestPdf.cpp "$tests"/TestJpeg.cpp "$tests"/TestJpx.cpp
        "$tests"/TestArchives.cpp "$tests"/LibarchiveSamples.cpp)
    if stale "$out/make-seeds" "${seed_sources[@]}" "${sources[@]}"; then
        clang++ -std=c++20 -O1 "${includes[@]}" -I"$tests" "${seed_sources[@]}" "$core"/*.cpp "$core"/*/*.cpp \
            "${libs[@]}" -o "$out/make-seeds"
    fi
    if stale "$out/make-jbig2-seeds" "$fuzz/MakeJbig2Seeds.cpp" "$tests/Jbig2TestStreams.cpp"; then
        clang++ -std=c++20 -O1 -I"$core" -I"$tests" "$fuzz/MakeJbig2Seeds.cpp" "$tests/Jbig2TestStreams.cpp" \
            "$core/codecs/MqDecoder.cpp" -o "$out/make-jbig2-seeds"
    fi
    rm -rf "$seeds" && mkdir -p "$seeds"
    "$out/make-seeds" "$seeds"
    "$out/make-jbig2-seeds" "$seeds"
    "$fuzz/make-tool-seeds.sh" "$seeds"
    if [ ! -f "$out/tiff-samples/multi.tif" ]; then
        "$tests/make-tiff-samples.sh" "$out/tiff-samples" >/dev/null || true
    fi
    mkdir -p "$seeds/TiffFuzzer" "$seeds/ComicFuzzer" "$seeds/ArchiveFuzzer" "$seeds/DjvuFuzzer"
    cp "$out/tiff-samples"/*.tif "$seeds/TiffFuzzer/" 2>/dev/null || true
    # 7z and tar comics made by Debian's archivers, as the reader tests make them.
    if [ ! -f "$out/archive-samples/comic.7z" ]; then
        "$tests/make-archive-samples.sh" "$out/archive-samples" >/dev/null || true
    fi
    cp "$out/archive-samples"/*.7z "$out/archive-samples"/*.tar "$seeds/ComicFuzzer/" 2>/dev/null || true
    for f in "$out/archive-samples"/*.7z; do
        [ -f "$f" ] && { printf '\003'; tail -c +7 "$f"; } >"$seeds/ArchiveFuzzer/$(basename "$f")"
    done
    # The documents DjVuLibre's encoders make for the tests.
    if [ ! -f "$out/djvu-samples/done" ]; then
        "$tests/djvu/make-djvu-samples.sh" "$out/djvu-samples" >/dev/null && touch "$out/djvu-samples/done" || true
    fi
    cp "$out/djvu-samples"/*.djvu "$out/djvu-samples"/*.iw4 "$out/djvu-samples"/indirect/*.djvu \
        "$seeds/DjvuFuzzer/" 2>/dev/null || true
    # The PNG, GIF, BMP, icon and WebP files of the codec tests (ImageMagick, optipng, gifsicle,
    # icotool, cwebp, img2webp, gif2webp), each behind the frame byte of PictureFileFuzzer that
    # its reference shows.
    mkdir -p "$seeds/PictureFileFuzzer"
    while read -r file frame _; do
        [ -z "$file" ] || [ "${file:0:1}" = "#" ] && continue
        { printf "\\$(printf '%03o' "$frame")"; cat "$tests/data/pictures/$file"; } \
            >"$seeds/PictureFileFuzzer/$file.$frame"
    done < <(cat "$tests/data/pictures/samples.txt" "$tests/data/pictures/webp-samples.txt")
}

dictionary_of() {
    case "$1" in
        PdfFuzzer | PdfSecurityFuzzer) echo "$fuzz/dictionaries/pdf.dict" ;;
        EpubFuzzer | Fb2Fuzzer | XpsFuzzer) echo "$fuzz/dictionaries/xml.dict" ;;
        PalmDatabaseFuzzer) echo "$fuzz/dictionaries/mobi.dict" ;;
        DjvuFuzzer) echo "$fuzz/dictionaries/djvu.dict" ;;
    esac
}

# fuzz_one TARGET SECONDS MERGE: fuzzes for the time given, starting again after a finding
# (up to 8 times), then merges when asked; writes "executions seconds findings" to results/.
fuzz_one() {
    local target="$1" time="$2" merge="$3"
    local bin="$out/bin/$target" log="$out/logs/$target.log" work="$out/work/$target"
    local findings="$out/findings/$target"
    mkdir -p "$work" "$findings" "$kept/$target" "$out/seeds/$target"
    local options=("${limits[@]}" -print_final_stats=1 -artifact_prefix="$findings/")
    local dict
    dict="$(dictionary_of "$target")"
    [ -n "$dict" ] && options+=(-dict="$dict")
    : >"$log"
    local marker="$out/logs/$target.start"
    touch "$marker"
    local start end tries=0
    start=$(date +%s)
    end=$((start + time))
    while :; do
        local left=$((end - $(date +%s)))
        ((left >= 5)) || break
        local status=0
        "$bin" -max_total_time="$left" "${options[@]}" "$work" "$kept/$target" "$out/seeds/$target" >>"$log" 2>&1 ||
            status=$?
        ((status == 0)) && break
        tries=$((tries + 1))
        ((tries < 8)) || break
    done
    local used=$(($(date +%s) - start))
    local runs
    runs=$({ grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" || true; } | awk '{s += $2} END {print s + 0}')
    local found
    found=$(find "$findings" -type f -newer "$marker" | wc -l)
    if [ "$merge" = 1 ]; then
        # Only small files are kept; a merge picks the fewest inputs that reach every feature.
        local stage="$out/merge/$target"
        rm -rf "$stage" && mkdir -p "$stage/in" "$stage/out"
        for d in "$kept/$target" "$work" "$out/seeds/$target"; do
            find "$d" -maxdepth 1 -type f -size -$((max_len + 1))c -exec cp -t "$stage/in" {} +
        done
        if "$bin" -merge=1 "${limits[@]}" -artifact_prefix="$findings/" "$stage/out" "$stage/in" \
            >"$out/logs/$target.merge.log" 2>&1 && [ -n "$(ls -A "$stage/out")" ]; then
            rm -rf "${kept:?}/$target" && mkdir -p "$kept/$target" && cp "$stage/out"/* "$kept/$target/"
        else
            echo "$target: merge failed, kept corpus left as it was (see $out/logs/$target.merge.log)" >&2
        fi
    fi
    echo "$runs $used $found" >"$out/results/$target"
}

# Source-based coverage of the kept corpus: every target built with clang's instrumentation
# and run once over its kept files, the profiles merged, lines and functions per core file.
coverage() {
    build_objects "$out/cov-obj" cov
    local cov="$out/coverage"
    rm -rf "$cov" && mkdir -p "$cov/bin" "$cov/profiles"
    local binaries=()
    for target in "${targets[@]}"; do
        clang++ "${cov_flags[@]}" "$fuzz/$target.cpp" "$fuzz/RunInputs.cpp" "${objects[@]}" "${libs[@]}" \
            -o "$cov/bin/$target"
        LLVM_PROFILE_FILE="$cov/profiles/$target.profraw" timeout 1200 "$cov/bin/$target" "$kept/$target" ||
            echo "coverage run of $target stopped early" >&2
        binaries+=("$cov/bin/$target")
    done
    llvm-profdata merge -sparse "$cov"/profiles/*.profraw -o "$cov/corpus.profdata"
    local more=()
    for b in "${binaries[@]:1}"; do more+=(-object "$b"); done
    llvm-cov report "${binaries[0]}" "${more[@]}" -instr-profile="$cov/corpus.profdata" \
        -ignore-filename-regex='(^/usr/|/fuzz/|/tests/)' >"$cov/report.txt"
    # Lines and functions per file, least covered first.
    awk 'NF >= 10 && $1 ~ /\.(cpp|h)$/ {
            printf "%f\t%-40s lines %7s of %6d  functions %7s of %5d\n", $10 + 0, $1, $10, $8, $7, $5 }' \
        "$cov/report.txt" | sort -n | cut -f2- >"$cov/summary.txt"
    awk '$1 == "TOTAL" { printf "%-40s lines %7s of %6d  functions %7s of %5d\n", "TOTAL", $10, $8, $7, $5 }' \
        "$cov/report.txt" >>"$cov/summary.txt"
    echo "--- coverage of the kept corpus (full report: $cov/report.txt); least covered files:"
    head -n 12 "$cov/summary.txt"
    tail -n 1 "$cov/summary.txt"
}

mkdir -p "$out/bin" "$out/logs" "$out/results" "$out/findings" "$out/work"
if [ "$mode" = coverage ]; then
    coverage
    exit 0
fi

build_objects "$out/obj" fuzz
for target in "${targets[@]}"; do
    if stale "$out/bin/$target" "$fuzz/$target.cpp" "${objects[@]}"; then
        clang++ "${fuzz_flags[@]}" -fsanitize=fuzzer "$fuzz/$target.cpp" "${objects[@]}" "${libs[@]}" \
            -o "$out/bin/$target"
    fi
done
make_seeds

merge=0
if [ "$mode" = campaign ]; then
    merge=1
    # Two at a time: each target gets its share of the wall time on one core.
    seconds=$((minutes * 60 * jobs / ${#targets[@]}))
fi
echo "--- fuzzing ${#targets[@]} targets, ${seconds}s each, $jobs at a time; logs in $out/logs"
rm -f "$out/results"/*
running=0
for target in "${targets[@]}"; do
    if ((running >= jobs)); then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_one "$target" "$seconds" "$merge" &
    running=$((running + 1))
done
wait || true

table="$out/results.txt"
{
    printf '%-20s %12s %9s %8s %10s %9s\n' target executions exec/s files bytes findings
    for target in "${targets[@]}"; do
        read -r runs used found <"$out/results/$target" || { runs=0 used=1 found=0; }
        files=$(find "$kept/$target" -type f | wc -l)
        bytes=$(find "$kept/$target" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
        printf '%-20s %12d %9d %8d %10d %9d\n' "$target" "$runs" $((runs / (used > 0 ? used : 1))) "$files" \
            "$bytes" "$found"
    done
} >"$table"
echo "--- fuzzing summary (${seconds}s per target; corpus = kept corpus; findings in $out/findings)"
cat "$table"
if [ "$mode" = campaign ]; then
    coverage
fi
