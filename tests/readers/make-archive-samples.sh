#!/usr/bin/env bash
# Makes the 7z and tar comics of the reader tests with Debian's own archivers (p7zip-full, tar)
# and ImageMagick: three pages of known flat colours in a folder, beside a text file and a
# resource fork that must not be listed; a solid 7z, a tar, and 7z archives whose data or whose
# headers are encrypted. Run by the build: make-archive-samples.sh <folder>
set -euo pipefail
out="$1"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/comic/pages" "$work/comic/__MACOSX/pages"
cd "$work/comic"
convert -size 3x2 xc:'rgb(10,20,30)' PNG24:pages/p1.png
convert -size 5x4 xc:'rgb(200,100,50)' PNG24:pages/p2.png
convert -size 2x6 xc:'rgb(0,128,255)' PNG24:pages/p10.png
cp pages/p1.png __MACOSX/pages/._p1.png
echo "scanned for the tests" > notes.txt
rm -f "$out"/*.7z "$out"/*.tar
7z a -bd -ms=on -m0=lzma2 "$out/comic.7z" pages/p10.png pages/p2.png pages/p1.png notes.txt __MACOSX >/dev/null
tar -cf "$out/comic.tar" pages notes.txt __MACOSX
7z a -bd -pSecret "$out/encrypted-data.7z" pages >/dev/null
7z a -bd -pSecret -mhe=on "$out/encrypted-headers.7z" pages >/dev/null
