#!/usr/bin/env bash
# Makes the WebP samples of the picture codec tests with the encoders of Debian's webp package
# (cwebp, img2webp, gif2webp) from ImageMagick drawings, and a reference of each picture as a PAM
# file (8-bit RGBA) beside it. Lossless files are held to the drawings they were made from,
# lossy ones to dwebp's decoding, animations to their frames as drawn (img2webp cuts each to
# what changed, with offsets, blending and disposal) or to ImageMagick's coalescing of the GIF a
# file was converted from. The output is committed, so the tests need none of these tools:
#   make-webp-samples.sh [folder]   (default: this script's folder)
# The samples are listed in webp-samples.txt as in samples.txt: file, frame, reference, and the
# levels a sample may differ by (none when not given).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

im() { /usr/bin/convert -define png:exclude-chunks=date,time "$@"; }
# The drawings of make-picture-samples.sh: odd sizes, a soft alpha and a hard one.
size=37x23
im rose: -resize "$size!" colour.png
im colour.png \( -size 23x37 gradient:white-black -rotate 90 \) -alpha off -compose CopyOpacity -composite soft.png
im colour.png \( -size "$size" xc:black -fill white -draw "circle 18,11 18,1" \) -alpha off \
    -compose CopyOpacity -composite hard.png
im colour.png -colorspace gray -define png:color-type=0 gray.png

list="$out/webp-samples.txt"
echo "# file frame reference [tolerance] (made by make-webp-samples.sh)" > "$list.new"
# reference WEBP FRAME PICTURE [TOLERANCE]: PICTURE (any file ImageMagick reads) as the frame's
# reference.
reference() {
    local name="$1" frame="$2" picture="$3" tolerance="${4:-}" pam="$1.pam"
    [ "$frame" = "-" ] && frame=0 || pam="$1.$2.pam"
    im "$picture" -depth 8 "$out/$pam"
    echo "$name $frame $pam${tolerance:+ $tolerance}" >> "$list.new"
}
keep() { cp "$1" "$out/$1"; }

# Lossy (VP8), lossy with an alpha chunk (VP8X), both as dwebp decodes them: a later libwebp
# may round a level otherwise.
cwebp -quiet -q 80 colour.png -o webp-lossy.webp && keep webp-lossy.webp
dwebp -quiet webp-lossy.webp -pam -o lossy.pam && reference webp-lossy.webp - lossy.pam 1
cwebp -quiet -q 80 -alpha_q 100 soft.png -o webp-lossy-alpha.webp && keep webp-lossy-alpha.webp
dwebp -quiet webp-lossy-alpha.webp -pam -o lossy-alpha.pam && reference webp-lossy-alpha.webp - lossy-alpha.pam 1
# Lossless (VP8L): the drawings themselves, colour, gray, and a hard alpha whose transparent
# pixels keep their colours (-exact).
cwebp -quiet -lossless colour.png -o webp-lossless.webp && keep webp-lossless.webp
reference webp-lossless.webp - colour.png
cwebp -quiet -lossless gray.png -o webp-lossless-gray.webp && keep webp-lossless-gray.webp
reference webp-lossless-gray.webp - gray.png
cwebp -quiet -lossless -exact hard.png -o webp-lossless-alpha.webp && keep webp-lossless-alpha.webp
reference webp-lossless-alpha.webp - hard.png

# An animation of four whole frames over a transparent background: a rectangle laid on, a
# hole cut back to transparent (which blending cannot give), half-transparent blue over both.
cp hard.png f0.png
im f0.png -fill yellow -draw 'rectangle 5,4 16,12' f1.png
im f1.png \( +clone -alpha extract -fill black -draw 'rectangle 20,8 29,17' \) -alpha off \
    -compose CopyOpacity -composite f2.png
im f2.png -fill '#0000ff80' -draw 'rectangle 2,2 24,20' f3.png
img2webp -lossless f0.png f1.png f2.png f3.png -o webp-animated.webp > /dev/null && keep webp-animated.webp
for i in 0 1 2 3; do reference webp-animated.webp "$i" "f$i.png"; done
# The GIF animation of make-picture-samples.sh (every disposal) converted by gif2webp.
gif2webp -quiet "$here/gif-animated.gif" -o webp-from-gif.webp && keep webp-from-gif.webp
im "$here/gif-animated.gif" -coalesce -depth 8 "gif-%d.pam"
for i in 0 1 2 3; do reference webp-from-gif.webp "$i" "gif-$i.pam"; done
mv "$list.new" "$list"
