#!/usr/bin/env bash
# Office documents with pictures, written by the programs that write them in the wild: flat
# OpenDocument sources made here (pictures by ImageMagick, the metafile by fig2dev, the SVG by
# hand) converted by LibreOffice to DOCX, PPTX, XLSX, ODT, ODP, ODS, ODG, PPT and XLS, and Word and Excel
# files written by python3-docx and openpyxl. Run once; the results are committed with
# pictures.txt, the pictures each document should list in order (name width height).
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The pictures: red.png 8x6, photo.jpg 16x12, blue.png 10x4, green.png 6x6, mark.png 12x9 (the
# SVG's own fallback size is LibreOffice's choice), shape.emf from fig2dev.
convert -size 8x6 xc:red -fill white -draw 'point 1,1' red.png
convert -size 16x12 gradient:yellow-navy -quality 92 photo.jpg
convert -size 10x4 xc:blue blue.png
convert -size 6x6 xc:green green.png
printf '<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg" width="12" height="9"><rect width="12" height="9" fill="purple"/></svg>\n' > mark.svg
printf '#FIG 3.2\nLandscape\nCenter\nMetric\nA4\n100.00\nSingle\n-2\n1200 2\n2 2 0 1 0 7 50 -1 20 0.000 0 0 -1 0 0 5\n\t 0 0 2400 0 2400 1200 0 1200 0 0\n' > shape.fig
fig2dev -L emf shape.fig shape.emf

b64() { base64 -w0 "$1"; }
frame() {  # name mime file width height
    printf '<draw:frame draw:name="%s" text:anchor-type="as-char" svg:width="%s" svg:height="%s"><draw:image loext:mime-type="%s"><office:binary-data>%s</office:binary-data></draw:image></draw:frame>' \
        "$1" "$4" "$5" "$2" "$(b64 "$3")"
}
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:loext="urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" office:version="1.3"'

# Text: red, photo, the SVG, the metafile, blue, red again (listed once).
cat > text.fodt <<DOC
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>
<text:p>One $(frame Red image/png red.png 2cm 1.5cm) two $(frame Photo image/jpeg photo.jpg 4cm 3cm)</text:p>
<text:p>Drawing $(frame Mark image/svg+xml mark.svg 2cm 1.5cm) metafile $(frame Shape image/x-emf shape.emf 4cm 2cm)</text:p>
<text:p>Last $(frame Blue image/png blue.png 2cm 1cm) again $(frame Red2 image/png red.png 2cm 1.5cm)</text:p>
</office:text></office:body></office:document>
DOC

# Presentation: slide one blue then photo, slide two green, slide three red.
slide() { printf '<draw:page draw:name="%s">%s</draw:page>' "$1" "$2"; }
pframe() {  # like frame, placed on a page
    printf '<draw:frame draw:name="%s" svg:x="%s" svg:y="2cm" svg:width="4cm" svg:height="3cm"><draw:image loext:mime-type="%s"><office:binary-data>%s</office:binary-data></draw:image></draw:frame>' \
        "$1" "$4" "$2" "$(b64 "$3")"
}
cat > slides.fodp <<DOC
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:mimetype="application/vnd.oasis.opendocument.presentation"><office:body><office:presentation>
$(slide One "$(pframe Blue image/png blue.png 1cm)$(pframe Photo image/jpeg photo.jpg 8cm)")
$(slide Two "$(pframe Green image/png green.png 1cm)")
$(slide Three "$(pframe Red image/png red.png 1cm)")
</office:presentation></office:body></office:document>
DOC

# Spreadsheet: sheet one green, sheet two photo then red.
cframe() { printf '<table:table-row><table:table-cell>%s</table:table-cell></table:table-row>' "$(pframe "$@")"; }
cat > sheets.fods <<DOC
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>
<table:table table:name="First">$(cframe Green image/png green.png 1cm)</table:table>
<table:table table:name="Second">$(cframe Photo image/jpeg photo.jpg 1cm)$(cframe Red image/png red.png 1cm)</table:table>
</office:spreadsheet></office:body></office:document>
DOC

# Drawing: red, then blue.
cat > drawing.fodg <<DOC
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:mimetype="application/vnd.oasis.opendocument.graphics"><office:body><office:drawing>
$(slide Page "$(pframe Red image/png red.png 1cm)$(pframe Blue image/png blue.png 8cm)")
</office:drawing></office:body></office:document>
DOC

convert_to() { soffice --headless --convert-to "$1" --outdir "$work/out" "$2" > /dev/null 2>&1; }
mkdir -p out
convert_to docx text.fodt
convert_to odt text.fodt
convert_to pptx slides.fodp
convert_to odp slides.fodp
convert_to xlsx sheets.fods
convert_to ods sheets.fods
convert_to odg drawing.fodg
convert_to 'ppt:MS PowerPoint 97' slides.fodp
convert_to 'xls:MS Excel 97' sheets.fods

# python3-docx: a picture in the header and two in the body; openpyxl: pictures on two sheets.
/usr/bin/python3 - <<'PY'
import docx, openpyxl
from docx.shared import Cm
from openpyxl.drawing.image import Image
d = docx.Document()
d.sections[0].header.paragraphs[0].add_run().add_picture('green.png', width=Cm(1))
d.add_paragraph('Body')
d.add_picture('photo.jpg', width=Cm(4))
d.add_picture('blue.png', width=Cm(2))
d.save('out/written.docx')
book = openpyxl.Workbook()
book.active.add_image(Image('red.png'), 'B2')
other = book.create_sheet('Other')
other.add_image(Image('blue.png'), 'A1')
other.add_image(Image('green.png'), 'C5')
book.save('out/written.xlsx')
PY

for f in out/*; do cp "$f" "$out/"; done
cp text.fodt "$out/text.fodt"
# A Word document renamed as an OpenDocument text, and an OpenDocument text renamed as Word.
cp out/text.docx "$out/docx-named.odt"
cp out/text.odt "$out/odt-named.docx"
for f in red.png photo.jpg blue.png green.png shape.emf; do cp "$f" "$out/$f"; done
