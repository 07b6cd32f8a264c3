#!/usr/bin/env bash
# Runs the Windows command line (under Wine) and the native pictrove over the same documents,
# one of every kind the readers open plus files made by real producers, and requires the same
# listings and byte-identical files of every type. Drawings (EMF, WMF) are the one difference
# allowed: only Windows turns them into pixels, so natively their encoded files fail and their
# listed pixel type is unknown.
set -euo pipefail
shopt -s nullglob
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
native="${PICTROVE_NATIVE_DIR:-$build/native}"
windows_cli="$build/bin/PictroveCli.exe"
work="$(mktemp -d)"
own_wine=""
cleanup() {
    rm -rf "$work"
    if [ -n "$own_wine" ]; then wine_env_stop; fi
}
trap cleanup EXIT

mkdir -p "$work/docs"
"$native/pictrove_write_corpus" "$work/docs"
data="$root/tests/readers/data"
cp "$data"/cmyk-jpeg/*.pdf "$data"/cmyk-jpeg/*.jpg "$data"/pictures.doc "$data"/metafiles/*.doc \
    "$data"/metafiles/*.emf "$data"/metafiles/*.wmf "$work/docs/"
for kind in png gif bmp ico; do
    cp "$data"/pictures/*."$kind" "$work/docs/" 2>/dev/null || true
done
cp "$build"/readers-core-native/djvu-samples/*.djvu "$work/docs/" 2>/dev/null || true

# Under the test command's ctest Wine is ready; run alone, the script prepares it.
if [ -z "${WINEPREFIX:-}" ]; then
    # shellcheck source=scripts/wine-env.sh
    source "$root/scripts/wine-env.sh"
    own_wine=1
fi
cd "$work"
documents=(docs/*)
status=0

# The pixel type of a drawing is whatever draws it; elsewhere the listings must agree.
listing() {
    sed -E 's/"pixelType": "[a-z0-9+]*", "storedFormat": "(emf|wmf)"/"pixelType": "-", "storedFormat": "\1"/' |
        tr -d '\r'
}
"$native/pictrove" list --json "${documents[@]}" | listing > native-list.json || true
wine "$windows_cli" list --json "${documents[@]}" 2>/dev/null | listing > windows-list.json || true
if ! diff -u windows-list.json native-list.json; then
    echo "The listings differ."
    status=1
fi

for type in png bmp gif jpeg original; do
    "$native/pictrove" extract "${documents[@]}" -o "native-$type" --type "$type" --quiet 2> native-errors.txt || true
    wine "$windows_cli" extract "${documents[@]}" -o "windows-$type" --type "$type" --quiet 2>/dev/null || true
    written=0
    for file in "windows-$type"/*; do
        name="${file##*/}"
        if [ ! -f "native-$type/$name" ]; then
            # Only a drawing may be missing natively, and then it says why.
            if ! grep -q "$name: The picture is a drawing" native-errors.txt; then
                echo "$type: $name written on Windows only"
                status=1
            fi
            continue
        fi
        written=$((written + 1))
        # JPEG too: the same library at the same quality on both sides.
        if ! cmp -s "$file" "native-$type/$name"; then
            echo "$type: $name differs"
            status=1
        fi
    done
    for file in "native-$type"/*; do
        [ -f "windows-$type/${file##*/}" ] || { echo "$type: ${file##*/} written natively only"; status=1; }
    done
    echo "$type: $written files compared"
done
[ $status -eq 0 ] && echo "Both command lines list the same and write the same bytes."
exit $status
