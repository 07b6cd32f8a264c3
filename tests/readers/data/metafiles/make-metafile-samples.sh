#!/usr/bin/env bash
# Makes the metafile samples of the reader tests once (CI has none of these tools): a drawing with a coloured
# square in each corner as fig2dev and LibreOffice write it (EMF with a frame away from the origin, WMF), the same
# WMF made poster-sized on a window in twips away from the origin and turned to a window with y going up, a Word 97
# document of them written by LibreOffice, and where LibreOffice's rendering of that document and ImageMagick's of
# the standalone WMFs put each square (metafile-marks.txt). Needs fig2dev, soffice, pdftoppm, python3 and
# ImageMagick with its WMF reader (libmagickcore-6.q16-6-extra). Run: make-metafile-samples.sh [folder]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The corners in order red, green, blue, magenta (top left, top right, bottom left, bottom right), and a black disc
# off the centre so that a mirrored drawing shows.
cat > marks.fig <<'EOF'
#FIG 3.2
Landscape
Center
Inches
Letter
100.00
Single
-2
1200 2
0 32 #ff00ff
2 2 0 0 4 4 40 -1 20 0.000 0 0 -1 0 0 5
	 2400 3600 2760 3600 2760 3960 2400 3960 2400 3600
2 2 0 0 2 2 40 -1 20 0.000 0 0 -1 0 0 5
	 5640 3600 6000 3600 6000 3960 5640 3960 5640 3600
2 2 0 0 1 1 40 -1 20 0.000 0 0 -1 0 0 5
	 2400 5640 2760 5640 2760 6000 2400 6000 2400 5640
2 2 0 0 32 32 40 -1 20 0.000 0 0 -1 0 0 5
	 5640 5640 6000 5640 6000 6000 5640 6000 5640 5640
1 3 0 0 0 0 45 -1 20 0.000 1 0.0000 3600 4500 400 400 3600 4500 4000 4500
EOF
fig2dev -L emf marks.fig offset.emf

cat > marks.svg <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="6cm" height="4cm" viewBox="0 0 600 400">
<rect x="0" y="0" width="60" height="60" fill="#ff0000"/>
<rect x="540" y="0" width="60" height="60" fill="#00ff00"/>
<rect x="0" y="340" width="60" height="60" fill="#0000ff"/>
<rect x="540" y="340" width="60" height="60" fill="#ff00ff"/>
<circle cx="200" cy="150" r="70" fill="#000000"/>
</svg>
EOF
# Draw takes the SVG as a picture on a page with margins, and writes the page's inside as the WMF: the margins go.
soffice --headless --convert-to fodg marks.svg >/dev/null 2>&1
sed -i -e 's/fo:margin-\(top\|bottom\|left\|right\)="[0-9.]*cm"/fo:margin-\1="0cm"/g' \
    -e 's/fo:page-width="[0-9.]*cm" fo:page-height="[0-9.]*cm"/fo:page-width="6cm" fo:page-height="4cm"/' \
    -e 's/svg:width="[0-9.]*cm" svg:height="[0-9.]*cm" svg:x="0cm" svg:y="0cm"/svg:width="6cm" svg:height="4cm" svg:x="0cm" svg:y="0cm"/' \
    marks.fodg
soffice --headless --convert-to wmf marks.fodg >/dev/null 2>&1
mv marks.wmf drawn.wmf

# LibreOffice writes its WMFs in hundredths of a millimetre from (0, 0) with y going down, and a copy of the
# drawing as an EMF in escape records (which GDI plays instead of the records). Other programs write other
# windows; these two are the same drawing with the copy left out and every coordinate moved onto such a window:
# twips from (-3000, 2000) with the drawing made six times as large (wider than 32767 hundredths of a millimetre,
# so that its size in those no longer fits a metafile's 16-bit box), and hundredths of a millimetre from (500, 700)
# with y going up (a negative extent).
python3 - drawn.wmf <<'EOF'
import struct, sys

src = open(sys.argv[1], 'rb').read()
box = struct.unpack('<4h', src[6:14])
width, height = box[2] - box[0], box[3] - box[1]
header = bytearray(src[22:40])

def rewrite(name, point, window, inch, bbox):
    records, largest, off = [], 0, 40
    while off < len(src):
        size, fn = struct.unpack('<IH', src[off:off + 6])
        params = list(struct.unpack('<%dh' % (size - 3), src[off + 6:off + 2 * size]))
        off += 2 * size
        if fn == 0x626:  # escape: the EMF copy
            continue
        if fn == 0x20B:  # SetWindowOrg (y, x)
            params = [window[1], window[0]]
        elif fn == 0x20C:  # SetWindowExt (y, x)
            params = [window[3], window[2]]
        elif fn == 0x416:  # IntersectClipRect (bottom, right, top, left)
            (x0, y0), (x1, y1) = point(params[3], params[2]), point(params[1], params[0])
            params = [max(y0, y1), max(x0, x1), min(y0, y1), min(x0, x1)]
        elif fn == 0x538:  # PolyPolygon: counts, then points
            count = params[0]
            points = params[1 + count:]
            for i in range(0, len(points), 2):
                points[i], points[i + 1] = point(points[i], points[i + 1])
            params = params[:1 + count] + points
        elif fn not in (0x0, 0x1E, 0x127, 0x2FA, 0x2FC, 0x2FB, 0x12D, 0x1F0, 0x209, 0x12E, 0x107, 0x104, 0x102, 0x103):
            sys.exit('record 0x%x has coordinates this script does not move' % fn)
        body = struct.pack('<IH', len(params) + 3, fn) + struct.pack('<%dh' % len(params), *params)
        largest = max(largest, len(params) + 3)
        records.append(body)
    data = b''.join(records)
    struct.pack_into('<I', header, 6, (18 + len(data)) // 2)
    struct.pack_into('<I', header, 12, largest)
    words = [0xCDD7, 0x9AC6, 0] + [b & 0xFFFF for b in bbox] + [inch, 0, 0]
    check = 0
    for w in words:
        check ^= w
    placeable = struct.pack('<11H', *words, check)
    open(name, 'wb').write(placeable + bytes(header) + data)

twips = lambda v: round(v * 6 * 1440 / 2540)
ox, oy = -3000, 2000
rewrite('window.wmf', lambda x, y: (twips(x) + ox, twips(y) + oy), (ox, oy, twips(width), twips(height)), 1440,
        (ox, oy, ox + twips(width), oy + twips(height)))
rewrite('flipped.wmf', lambda x, y: (x + 500, 700 + height - y), (500, 700 + height, width, -height), 2540,
        (500, 700, 500 + width, 700 + height))
EOF

# A Word 97 document of the four, each on a page of its own size with no margins, so that LibreOffice's rendering
# of a page is the picture.
python3 - offset.emf drawn.wmf window.wmf flipped.wmf <<'EOF'
import base64, struct, sys

def size_cm(data):
    if struct.unpack('<I', data[:4])[0] == 1:  # EMF: the frame in hundredths of a millimetre
        left, top, right, bottom = struct.unpack('<4i', data[24:40])
        return (right - left) / 1000, (bottom - top) / 1000, 'image/x-emf'
    left, top, right, bottom, inch = struct.unpack('<4hH', data[6:16])  # placeable WMF
    return (right - left) * 2.54 / inch, (bottom - top) * 2.54 / inch, 'image/x-wmf'

layouts, masters, styles, paragraphs = [], [], [], []
for i, name in enumerate(sys.argv[1:]):
    data = open(name, 'rb').read()
    w, h, mime = size_cm(data)
    layouts.append(f'<style:page-layout style:name="pm{i}"><style:page-layout-properties fo:page-width="{w:.3f}cm" '
                   f'fo:page-height="{h:.3f}cm" fo:margin-top="0cm" fo:margin-bottom="0cm" fo:margin-left="0cm" '
                   f'fo:margin-right="0cm"/></style:page-layout>')
    masters.append(f'<style:master-page style:name="M{i}" style:page-layout-name="pm{i}"/>')
    styles.append(f'<style:style style:name="P{i}" style:family="paragraph" style:master-page-name="M{i}">'
                  f'<style:paragraph-properties fo:line-height="100%"/></style:style>')
    picture = base64.b64encode(data).decode()
    paragraphs.append(f'<text:p text:style-name="P{i}"><draw:frame draw:style-name="fr1" draw:name="Marks{i + 1}" '
                      f'text:anchor-type="page" text:anchor-page-number="{i + 1}" svg:x="0cm" svg:y="0cm" '
                      f'svg:width="{w:.3f}cm" svg:height="{h:.3f}cm"><draw:image loext:mime-type="{mime}">'
                      f'<office:binary-data>{picture}</office:binary-data></draw:image></draw:frame></text:p>')
ns = ' '.join(f'xmlns:{k}="urn:oasis:names:tc:opendocument:xmlns:{v}"' for k, v in [
    ('office', 'office:1.0'), ('style', 'style:1.0'), ('text', 'text:1.0'), ('draw', 'drawing:1.0'),
    ('svg', 'svg-compatible:1.0'), ('fo', 'xsl-fo-compatible:1.0')])
open('metafiles.fodt', 'w').write(f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} xmlns:loext="urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>{''.join(layouts)}{''.join(styles)}<style:style style:name="fr1" style:family="graphic"><style:graphic-properties style:wrap="run-through" style:vertical-pos="from-top" style:vertical-rel="page" style:horizontal-pos="from-left" style:horizontal-rel="page"/></style:style></office:automatic-styles>
<office:master-styles>{''.join(masters)}</office:master-styles>
<office:body><office:text>
{chr(10).join(paragraphs)}
</office:text></office:body></office:document>
''')
EOF
soffice --headless --convert-to 'doc:MS Word 97' metafiles.fodt >/dev/null 2>&1
soffice --headless --convert-to pdf metafiles.doc >/dev/null 2>&1
pdftoppm -r 96 -png metafiles.pdf page
for f in drawn window flipped; do convert -density 96 "$f.wmf" "magick-$f.png"; done

# Each square's centre and size in pixels at 96 dpi, per rendering: the oracle the tests compare with.
python3 - page-*.png magick-*.png > metafile-marks.txt <<'EOF'
import subprocess, sys
colours = {'red': (255, 0, 0), 'green': (0, 255, 0), 'blue': (0, 0, 255), 'magenta': (255, 0, 255)}
print('# rendering width height, then the centre x y and the width and height of the red, green, blue and magenta squares')
for name in sys.argv[1:]:
    ppm = subprocess.run(['convert', name, '-depth', '8', 'ppm:-'], capture_output=True, check=True).stdout
    fields = ppm.split(maxsplit=4)
    w, h = int(fields[1]), int(fields[2])
    pixels = fields[4][-w * h * 3:]
    line = [name.rsplit('.', 1)[0], str(w), str(h)]
    for rgb in colours.values():
        xs, ys = [], []
        for i in range(w * h):
            if all(abs(pixels[3 * i + c] - rgb[c]) < 40 for c in range(3)):
                xs.append(i % w)
                ys.append(i // w)
        if not xs:
            sys.exit(f'{name}: a square is missing')
        line += [f'{(min(xs) + max(xs) + 1) / 2:.1f}', f'{(min(ys) + max(ys) + 1) / 2:.1f}']
        line += [str(max(xs) - min(xs) + 1), str(max(ys) - min(ys) + 1)]
    print(' '.join(line))
EOF
cp offset.emf drawn.wmf window.wmf flipped.wmf metafiles.doc metafile-marks.txt "$out/"
[ -n "${KEEP_RENDERINGS:-}" ] && cp page-*.png magick-*.png metafiles.pdf "$out/"
cat "$out/metafile-marks.txt"
