#!/usr/bin/env bash
# Makes the CMYK JPEG samples of the reader tests the way real producers write them, and records
# what independent decoders show for them in expected.txt. The output is committed, so the tests
# need none of these tools: make-cmyk-jpeg-samples.sh [folder] (default: this script's folder).
#
# Six patches of 16x16 pixels, left to right: paper, cyan, magenta, yellow, black, and a mix.
#   pdfwrite.pdf       Ghostscript's pdfwrite from a CMYK TIFF: a DCTDecode DeviceCMYK picture
#                      with Adobe's marker (transform 0) and no Decode array
#   pdfwrite-ycck.pdf  the same with the JPEG stored as YCCK (Adobe transform 2)
#   decode.pdf         four pages, each drawing one picture: Ghostscript's JPEG without and with
#                      /Decode [1 0 1 0 1 0 1 0], then ImageMagick's JPEG without and with it
#   imagemagick.jpg    ImageMagick's CMYK JPEG file (Adobe marker, YCCK, inverted ink)
# Oracles: pdftoppm for the PDFs (mutool draw must agree on paper and black), ImageMagick for
# the JPEG file (its ink amounts, which the reader's CMYK model turns into colour).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# ImageMagick's convert itself, not a wrapper that may stand in for it on the PATH.
im=/usr/bin/convert
patches=("cmyk(0,0,0,0)" "cmyk(255,0,0,0)" "cmyk(0,255,0,0)" "cmyk(0,0,255,0)" "cmyk(0,0,0,255)"
    "cmyk(40,200,255,30)")
args=()
for p in "${patches[@]}"; do args+=("xc:$p"); done
"$im" -size 16x16 "${args[@]}" +append -depth 8 -compress none patches.tif
[ "$(identify -format %[colorspace] patches.tif)" = CMYK ] || { echo "patches.tif is not CMYK" >&2; exit 1; }

# pdfwrite reads PostScript, not TIFF: ImageMagick's EPS keeps the samples CMYK and uncompressed.
"$im" patches.tif -compress none eps3:patches.eps
gsPdf() {
    gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -o "$1" -dEPSCrop -dAutoFilterColorImages=false \
        -dColorImageFilter=/DCTEncode -sColorConversionStrategy=LeaveColorUnchanged -dDownsampleColorImages=false \
        -dCompressPages=false "${@:2}" -f patches.eps
}
gsPdf pdfwrite.pdf
gsPdf pdfwrite-ycck.pdf -c "<< /ColorImageDict << /QFactor 0.5 /Blend 1 /HSamples [1 1 1 1] \
    /VSamples [1 1 1 1] /ColorTransform 1 >> >> setdistillerparams"
"$im" patches.tif -quality 90 -sampling-factor 1x1 imagemagick.jpg

# The one picture of a Ghostscript PDF, checked to be what the samples are meant to show.
python3 - pdfwrite.pdf gs.jpg 0 pdfwrite-ycck.pdf gs-ycck.jpg 2 imagemagick.jpg - 2 <<'EOF'
import re, sys
args = sys.argv[1:]
for source, target, transform in zip(args[0::3], args[1::3], args[2::3]):
    data = open(source, 'rb').read()
    if target != '-':
        found = re.search(rb'<<((?:(?!>>).)*?/Subtype\s*/Image(?:(?!>>).)*)>>\s*stream\r?\n', data, re.S)
        dictionary = found.group(1)
        for needed in (rb'/ColorSpace\s*/DeviceCMYK', rb'/Filter\s*/DCTDecode'):
            if not re.search(needed, dictionary):
                sys.exit(f'{source}: the picture lacks {needed.decode()}')
        if b'/Decode' in dictionary:
            sys.exit(f'{source}: the picture has a Decode array')
        length = int(re.search(rb'/Length\s+(\d+)', dictionary).group(1))
        data = data[found.end():found.end() + length]
        open(target, 'wb').write(data)
    marker = data.find(b'\xff\xee\x00\x0eAdobe')
    if marker < 0 or data[marker + 15] != int(transform):
        sys.exit(f'{source}: no Adobe marker with transform {transform}')
EOF

# Each page as large as its picture, which fills it: one pixel a point at 72 dpi.
python3 - decode.pdf gs.jpg imagemagick.jpg <<'EOF'
import sys
target, *jpegs = sys.argv[1:]
objects = []
def add(body):
    objects.append(body)
    return len(objects)
catalog = add(None)
pages = add(None)
kids = []
for jpeg in jpegs:
    data = open(jpeg, 'rb').read()
    for decode in (b'', b' /Decode [1 0 1 0 1 0 1 0]'):
        image = add(b'<< /Type /XObject /Subtype /Image /Width 96 /Height 16 /ColorSpace /DeviceCMYK '
                    b'/BitsPerComponent 8 /Filter /DCTDecode' + decode +
                    b' /Length %d >>\nstream\n' % len(data) + data + b'\nendstream')
        content = b'q 96 0 0 16 0 0 cm /Im Do Q'
        stream = add(b'<< /Length %d >>\nstream\n' % len(content) + content + b'\nendstream')
        kids.append(add(b'<< /Type /Page /Parent %d 0 R /MediaBox [0 0 96 16] /Contents %d 0 R '
                        b'/Resources << /XObject << /Im %d 0 R >> >> >>' % (pages, stream, image)))
objects[catalog - 1] = b'<< /Type /Catalog /Pages %d 0 R >>' % pages
objects[pages - 1] = (b'<< /Type /Pages /Kids [' + b' '.join(b'%d 0 R' % k for k in kids) +
                      b'] /Count %d >>' % len(kids))
out = bytearray(b'%PDF-1.4\n%\xe2\xe3\xcf\xd3\n')
offsets = []
for number, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += b'%d 0 obj\n' % number + body + b'\nendobj\n'
xref = len(out)
out += b'xref\n0 %d\n0000000000 65535 f \n' % (len(objects) + 1)
out += b''.join(b'%010d 00000 n \n' % o for o in offsets)
out += b'trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n' % (len(objects) + 1, catalog, xref)
open(target, 'wb').write(out)
EOF

# The centre of every patch: pdftoppm's colour for each PDF page, ImageMagick's ink for the file.
{
    echo "# file page x y kind values: pdftoppm's red, green, blue for PDF pages; ImageMagick's cyan, magenta,"
    echo "# yellow, black ink for the JPEG file. Made by make-cmyk-jpeg-samples.sh."
    for pdf in pdfwrite.pdf pdfwrite-ycck.pdf decode.pdf; do
        pdftoppm -r 72 "$pdf" pp
        pageCount=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
        for page in $(seq 1 "$pageCount"); do
            ppm=$(ls pp-*"$page".ppm | head -1)
            mutool draw -q -r 72 -o mu.ppm "$pdf" "$page" 2>/dev/null
            for x in 8 24 40 56 72 88; do
                rgb=$("$im" "$ppm" -format "%[fx:int(255*p{$x,8}.r+.5)] %[fx:int(255*p{$x,8}.g+.5)] %[fx:int(255*p{$x,8}.b+.5)]" info:)
                mu=$("$im" mu.ppm -format "%[fx:int(255*p{$x,8}.r+.5)] %[fx:int(255*p{$x,8}.g+.5)] %[fx:int(255*p{$x,8}.b+.5)]" info:)
                # The renderers differ in their ink models but never about paper and solid black.
                if [ "$x" = 8 ] || [ "$x" = 72 ]; then
                    read -r a b c <<<"$rgb"
                    read -r d e f <<<"$mu"
                    if [ $(((a > 128) != (d > 128) || (b > 128) != (e > 128) || (c > 128) != (f > 128))) = 1 ]; then
                        echo "$pdf page $page x $x: pdftoppm $rgb, mutool $mu" >&2
                        exit 1
                    fi
                fi
                echo "$pdf $page $x 8 rgb $rgb"
            done
            rm -f "$ppm"
        done
    done
    for x in 8 24 40 56 72 88; do
        echo "imagemagick.jpg 1 $x 8 cmyk $("$im" imagemagick.jpg -depth 8 -format \
            "%[fx:int(255*p{$x,8}.c+.5)] %[fx:int(255*p{$x,8}.m+.5)] %[fx:int(255*p{$x,8}.y+.5)] %[fx:int(255*p{$x,8}.k+.5)]" info:)"
    done
} >expected.txt
cp pdfwrite.pdf pdfwrite-ycck.pdf decode.pdf imagemagick.jpg expected.txt "$out/"
ls -l "$out"
