#!/usr/bin/env bash
# Pictures of kinds that are listed but not decoded, written by their own encoders (cwebp and
# img2webp from webp, avifenc from libavif-bin, cjxl from libjxl-tools) from ImageMagick drawings,
# and comics of them packed by zip and 7z. Run once; the results are committed.
#   page.png     8 x 6     the one decodable page
#   lossy.webp   24 x 16   VP8 key frame
#   lossless.webp 20 x 10  VP8L
#   alpha.webp   18 x 12   VP8X (lossy with an alpha chunk)
#   anim.webp    14 x 9    VP8X, two frames
#   photo.avif   30 x 18   'ispe' under meta/iprp/ipco
#   photo.jxl    40 x 25   bare codestream, sizes in full
#   small.jxl    64 x 48   bare codestream, sizes in eighths
#   boxed.jxl    33 x 21   container with a jxlc box
#   fake.webp    not a picture at all: known by its name only
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
draw() { convert -size "$1" gradient:red-blue -fill yellow -draw 'rectangle 1,1 4,3' "$2"; }
draw 8x6 page.png
draw 24x16 a.png && cwebp -quiet -q 80 a.png -o lossy.webp
draw 20x10 b.png && cwebp -quiet -lossless b.png -o lossless.webp
convert -size 18x12 gradient:'#ff000080'-'#0000ffff' c.png && cwebp -quiet -q 80 -exact c.png -o alpha.webp
draw 14x9 d1.png && convert d1.png -negate d2.png && img2webp -lossy d1.png d2.png -o anim.webp > /dev/null
draw 30x18 e.png && avifenc -j 1 -s 10 e.png photo.avif > /dev/null
draw 40x25 f.png && cjxl f.png photo.jxl -q 90 --container=0 > /dev/null 2>&1
draw 64x48 g.png && cjxl g.png small.jxl -q 90 --container=0 > /dev/null 2>&1
draw 33x21 h.png && cjxl h.png boxed.jxl -q 90 --container=1 > /dev/null 2>&1
printf 'these bytes are no picture' > fake.webp
pages=(page.png lossy.webp lossless.webp alpha.webp anim.webp photo.avif photo.jxl small.jxl boxed.jxl fake.webp)
mkdir comic && n=1 && for p in "${pages[@]}"; do cp "$p" "comic/$(printf %02d $n)-$p"; n=$((n + 1)); done
printf '<ComicInfo><Title>Kinds</Title></ComicInfo>' > comic/ComicInfo.xml
rm -f "$out/kinds.cbz" "$out/kinds.cb7"
(cd comic && zip -q -X "$out/kinds.cbz" ./*)
(cd comic && 7z a -bd -bso0 "$out/kinds.cb7" ./* > /dev/null)
cp "${pages[@]}" "$out/"
