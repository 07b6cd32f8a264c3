#!/usr/bin/env bash
# Times the console companion (under Wine) and the native pictrove against the command-line
# extractors Debian has, on the same generated documents, warm cache, median of several runs,
# and prints a table with ratios, CPU time and peak memory. Not part of the test command.
#   scripts/bench-extract.sh [PAGES] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
pages="${1:-1000}"
runs="${2:-3}"

missing=()
for tool in pdfimages:poppler-utils mutool:mupdf-tools; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" PictroveCli PictroveReaders extract_bench
"$root/scripts/build-native.sh" >/dev/null
native="$build/native/pictrove"

bench="$build/bench"
docs="$bench/documents"
generator="$root/tests/cli/bench/make-bench-documents.py"
stamp="$docs/.pages-$pages-$(sha256sum "$generator" | cut -c1-12)"
if [ ! -f "$stamp" ]; then
    rm -rf "$docs"
    python3 "$generator" "$docs" "$pages"
    touch "$stamp"
fi
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT
cli="$build/bin/PictroveCli.exe"
windows_path() { winepath -w "$1" 2>/dev/null; }

# measure NAME OUTPUT_FOLDER COMMAND...: runs the command $runs times into a fresh output folder
# and prints "NAME median_seconds peak_MB median_cpu_seconds". measure_once does the same with one run and no
# warming run, for a peer so far behind that more runs would only add minutes.
measure_once() {
    runs=1 warm=0 measure "$@"
}
measure() {
    local name="$1" out="$2"
    shift 2
    local times=() cpus=() peak=0
    # One run first that is not counted: file cache and Wine's own start-up warm.
    if [ "${warm:-1}" = 1 ]; then
        rm -rf "$out" && mkdir -p "$out"
        "$@" >/dev/null 2>&1 || true
    fi
    for _ in $(seq 1 "$runs"); do
        rm -rf "$out" && mkdir -p "$out"
        local stats
        /usr/bin/time -f "%e %M %U %S" -o "$bench/time.txt" "$@" >/dev/null 2>&1 || true
        read -r seconds kb user system < <(tail -n 1 "$bench/time.txt")
        times+=("$seconds")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
        [ "$kb" -gt "$peak" ] && peak="$kb"
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    local cpu
    cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
    last_result="$median $((peak / 1024)) $cpu"
    echo "$name $last_result"
}

atlas="$docs/atlas.pdf"
results="$bench/results.txt"
: > "$results"
out="$bench/out"
{
    # What any run of the program under Wine costs before it reads a document.
    measure "start-up:PictroveCli" "$out" wine "$cli" --help
    measure "list:PictroveCli" "$out" wine "$cli" list "$(windows_path "$atlas")"
    measure "list:pdfimages" "$out" pdfimages -list "$atlas"
    measure "png:PictroveCli" "$out" wine "$cli" extract "$(windows_path "$atlas")" -o "$(windows_path "$out")" --type png --quiet
    measure "png:pictrove" "$out" "$native" extract "$atlas" -o "$out" --type png --quiet
    # The window's Extract all: progress window and a 10 ms rest after each picture.
    measure "png:Pictrove-window" "$out" wine "$build/bin/extract_bench.exe" --document "$(windows_path "$atlas")" 3
    # mutool extract writes PNG files, and JPEG pictures as stored: a peer of both tasks.
    measure "png:mutool" "$out" sh -c "cd '$out' && mutool extract '$atlas'"
    mutool_result="$last_result"
    measure_once "png:pdfimages" "$out" pdfimages -png "$atlas" "$out/img"
    measure "original:PictroveCli" "$out" wine "$cli" extract "$(windows_path "$atlas")" -o "$(windows_path "$out")" --type original --quiet
    measure "original:pictrove" "$out" "$native" extract "$atlas" -o "$out" --type original --quiet
    echo "original:mutool $mutool_result"
    measure "original:pdfimages" "$out" pdfimages -all "$atlas" "$out/img"
    # The other encoded types, all written by the program's own encoders like PNG.
    for type in bmp gif jpeg; do
        measure "$type:PictroveCli" "$out" wine "$cli" extract "$(windows_path "$atlas")" -o "$(windows_path "$out")" \
            --type "$type" --quiet
    done
    measure "epub:PictroveCli" "$out" wine "$cli" extract "$(windows_path "$docs/book.epub")" -o "$(windows_path "$out")" --quiet
    measure "epub:pictrove" "$out" "$native" extract "$docs/book.epub" -o "$out" --quiet
    measure "tiff:PictroveCli" "$out" wine "$cli" extract "$(windows_path "$docs/scans.tif")" -o "$(windows_path "$out")" --quiet
    measure "tiff:pictrove" "$out" "$native" extract "$docs/scans.tif" -o "$out" --quiet
} | tee -a "$results" >/dev/null

echo "Extraction benchmark: $pages-page PDF ($(du -h "$atlas" | cut -f1)), EPUB and TIFF; median of $runs runs (pdfimages -png: one)"
printf '%-22s %10s %10s %10s %16s %14s\n' "task:tool" "seconds" "CPU s" "peak MB" "vs fastest peer" "CPU vs Wine"
awk '
    { task = $1; sub(/:.*/, "", task); time[$1] = $2; mem[$1] = $3; cpu[$1] = $4; order[NR] = $1
      if ($1 !~ /Pictrove|pictrove/ && (!(task in best) || $2 < best[task])) best[task] = $2 }
    END {
        for (i = 1; i <= NR; i++) {
            name = order[i]; task = name; sub(/:.*/, "", task)
            ratio = (task in best && best[task] > 0) ? sprintf("%.2fx", time[name] / best[task]) : "-"
            wine = task ":PictroveCli"
            vs = (name ~ /:pictrove$/ && cpu[wine] > 0) ? sprintf("%.2fx", cpu[name] / cpu[wine]) : "-"
            printf "%-22s %10.2f %10.2f %10d %16s %14s\n", name, time[name], cpu[name], mem[name], ratio, vs
        }
    }' "$results"
pictures=$("$native" list "$atlas" 2>/dev/null | awk 'NR == 1 { print $(NF - 1) }')
awk -v n="$pictures" '
    $1 == "png:PictroveCli" { cli = $2 }
    $1 == "png:Pictrove-window" { window = $2 }
    END {
        if (cli > 0)
            printf "Window Extract all (PNG, %d pictures): %.2f s; the command line plus a 10 ms rest per picture: %.2f s\n",
                n, window, cli + n * 0.010
    }' "$results"
