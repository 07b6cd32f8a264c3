#!/usr/bin/env bash
# Makes the documents of the page and placement tests with the tools that write such files in the
# wild, and records what pdfimages -list says of the PDFs (page, x-ppi, y-ppi of every drawing).
# The output is committed, so the tests need none of these tools:
#   make-page-samples.sh [folder] (default: this script's folder)
#
#   ghostscript.pdf  pdfwrite from PostScript, pages 400 x 300 pt: picture A (40 x 20) at 80 x 40 pt
#                    from (50, 60) on page 1 and at 20 x 10 pt from (300, 250) on page 3; picture B
#                    (30 x 20) drawn 60 x 40 pt turned a quarter about (200, 100) on page 2; a form
#                    drawing picture C (16 x 16) on 32 x 32 pt, twice on page 4 (at (100, 100) scaled
#                    2, at (10, 10)) and once on page 5 at (0, 0); all positions from the bottom left
#   inline.pdf       pdfwrite, pages 200 x 100 pt: an 8 x 8 inline picture at 16 x 16 pt from
#                    (20, 30) on each of its two pages
#   img2pdf.pdf      img2pdf of a 300 x 200 picture at 150 dpi and a 200 x 100 one at 50 dpi, the
#                    second page turned a quarter clockwise by qpdf
#   pages.djvu       c44 pages bundled by djvm: three pages
#   pages.tif        ImageMagick: three pages
#   pages.dcx        ImageMagick: two pages
#   comic.cbz        zip of page10.png, page2.png, page1.png (in that order in the archive)
#   book.epub        zip of a hand-written book: a cover named only by the metadata, chapter 1
#                    showing a.png, chapter 2 showing b.png and a.png, c.png in no chapter
#   fixed.xps        zip of a hand-written XPS document: two FixedPages of 96 x 96 units (1 inch)
#   pdfimages.txt    pdfimages -list of ghostscript.pdf, inline.pdf and img2pdf.pdf
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
im=/usr/bin/convert

python3 - <<'EOF'
import random
random.seed(7)
def hexdata(n):
    return ''.join('%02x' % random.randrange(256) for _ in range(n))
open('pages.ps', 'w').write(f'''%!PS
<< /PageSize [400 300] >> setpagedevice
/imgA <{hexdata(40 * 20 * 3)}> def
/imgB <{hexdata(30 * 20 * 3)}> def
/imgC <{hexdata(16 * 16 * 3)}> def
/drawA {{ 40 20 8 [40 0 0 -20 0 20] {{imgA}} false 3 colorimage }} def
/Logo << /FormType 1 /BBox [0 0 32 32] /Matrix [1 0 0 1 0 0]
  /PaintProc {{ pop gsave 32 32 scale 16 16 8 [16 0 0 -16 0 16] {{imgC}} false 3 colorimage grestore }} >> def
gsave 50 60 translate 80 40 scale drawA grestore showpage
gsave 200 100 translate 90 rotate 60 40 scale 30 20 8 [30 0 0 -20 0 20] {{imgB}} false 3 colorimage grestore showpage
gsave 300 250 translate 20 10 scale drawA grestore showpage
gsave 100 100 translate 2 2 scale Logo execform grestore
gsave 10 10 translate Logo execform grestore showpage
gsave Logo execform grestore showpage
''')
with open('inline.ps', 'w') as ps:
    ps.write('%!PS\n<< /PageSize [200 100] >> setpagedevice\n')
    for page in range(2):
        data = ''.join('%02x' % ((x * 37 + page) % 256) for x in range(64))
        ps.write(f'gsave 20 30 translate 16 16 scale 8 8 8 [8 0 0 -8 0 8] {{<{data}>}} image grestore showpage\n')
EOF
# Every picture an XObject of its own (pdfwrite puts small ones inline otherwise), drawn once and
# referred to again where it is drawn again.
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dMaxInlineImageSize=0 -dDetectDuplicateImages=true \
    -o ghostscript.pdf pages.ps
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -o inline.pdf inline.ps

"$im" -size 300x200 gradient:red-blue -units PixelsPerInch -density 150 wide.png
"$im" -size 200x100 gradient:green-yellow -units PixelsPerInch -density 50 low.png
img2pdf --output upright.pdf wide.png low.png
qpdf --rotate=+90:2 upright.pdf img2pdf.pdf

for i in 1 2 3; do
    "$im" -size $((40 + i * 8))x32 "gradient:gray$((i * 20))-white" "page$i.ppm"
    c44 "page$i.ppm" "page$i.djvu"
done
djvm -c pages.djvu page1.djvu page2.djvu page3.djvu
"$im" -size 24x16 xc:red -size 32x16 xc:green -size 40x16 xc:blue -compress lzw pages.tif
"$im" -size 24x16 xc:red -size 32x16 xc:green pages.dcx

"$im" -size 10x10 xc:red page1.png
"$im" -size 20x10 xc:green page2.png
"$im" -size 30x10 xc:blue page10.png
zip -q -X comic.cbz page10.png page2.png page1.png

mkdir -p book/META-INF book/OEBPS
"$im" -size 12x12 xc:gray cover.png && mv cover.png book/OEBPS/
for name in a b c; do "$im" -size 8x8 "xc:#$name$name$name" "book/OEBPS/$name.png"; done
printf 'application/epub+zip' >book/mimetype
cat >book/META-INF/container.xml <<'EOF'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
EOF
cat >book/OEBPS/content.opf <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Pages</dc:title>
    <dc:identifier id="id">pages</dc:identifier><meta name="cover" content="cover"/></metadata>
  <manifest>
    <item id="cover" href="cover.png" media-type="image/png"/>
    <item id="a" href="a.png" media-type="image/png"/>
    <item id="b" href="b.png" media-type="image/png"/>
    <item id="c" href="c.png" media-type="image/png"/>
    <item id="one" href="one.xhtml" media-type="application/xhtml+xml"/>
    <item id="two" href="two.xhtml" media-type="application/xhtml+xml"/>
  </manifest>
  <spine><itemref idref="one"/><itemref idref="two"/></spine>
</package>
EOF
page() {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml"><body>%s</body></html>\n' "$1"
}
page '<p><img src="a.png" alt=""/></p>' >book/OEBPS/one.xhtml
page '<p><img src="b.png" alt=""/><img src="a.png" alt=""/></p>' >book/OEBPS/two.xhtml
(cd book && zip -q -X -0 ../book.epub mimetype && zip -q -X -r ../book.epub META-INF OEBPS)

# XPS: picture p.png (96 x 48) on both pages, q.png (48 x 48) on the second.
#   page 1: p's brush fills the viewport 10,20,96,48 of a Path turned by RenderTransform
#           "0.5,0,0,0.5,4,8" (half size, moved)
#   page 2: a Canvas moved by 40,0 holding a Path whose brush places p at 0,0,48,24; q in a
#           resource dictionary used by name (no place known); q again with a MatrixTransform
#           property element of scale 2 on a viewport of 0,50,24,24
mkdir -p xps/_rels xps/Documents/1/Pages xps/Documents/1/Resources
"$im" -size 96x48 xc:orange xps/Documents/1/Resources/p.png
"$im" -size 48x48 xc:purple xps/Documents/1/Resources/q.png
cat >xps/_rels/.rels <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
  <Relationship Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation" Target="/FixedDocSeq.fdseq" Id="R0"/>
</Relationships>
EOF
cat >xps/FixedDocSeq.fdseq <<'EOF'
<FixedDocumentSequence xmlns="http://schemas.microsoft.com/xps/2005/06"><DocumentReference Source="Documents/1/FixedDoc.fdoc"/></FixedDocumentSequence>
EOF
cat >xps/Documents/1/FixedDoc.fdoc <<'EOF'
<FixedDocument xmlns="http://schemas.microsoft.com/xps/2005/06"><PageContent Source="Pages/1.fpage"/><PageContent Source="Pages/2.fpage"/></FixedDocument>
EOF
cat >xps/Documents/1/Pages/1.fpage <<'EOF'
<FixedPage Width="96" Height="96" xmlns="http://schemas.microsoft.com/xps/2005/06" xml:lang="en">
  <Path Data="M 10,20 L 106,20 106,68 10,68 Z" RenderTransform="0.5,0,0,0.5,4,8">
    <Path.Fill>
      <ImageBrush ImageSource="../Resources/p.png" Viewbox="0,0,96,48" ViewboxUnits="Absolute" Viewport="10,20,96,48" ViewportUnits="Absolute"/>
    </Path.Fill>
  </Path>
</FixedPage>
EOF
cat >xps/Documents/1/Pages/2.fpage <<'EOF'
<FixedPage Width="96" Height="96" xmlns="http://schemas.microsoft.com/xps/2005/06" xmlns:x="http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key" xml:lang="en">
  <FixedPage.Resources>
    <ResourceDictionary>
      <ImageBrush x:Key="Q" ImageSource="../Resources/q.png" Viewbox="0,0,48,48" ViewboxUnits="Absolute" Viewport="0,0,48,48" ViewportUnits="Absolute"/>
    </ResourceDictionary>
  </FixedPage.Resources>
  <Canvas RenderTransform="1,0,0,1,40,0">
    <Path Data="M 0,0 L 48,0 48,24 0,24 Z">
      <Path.Fill>
        <ImageBrush ImageSource="../Resources/p.png" Viewbox="0,0,96,48" ViewboxUnits="Absolute" Viewport="0,0,48,24" ViewportUnits="Absolute"/>
      </Path.Fill>
    </Path>
  </Canvas>
  <Path Data="M 0,0 L 48,0 48,48 0,48 Z" Fill="{StaticResource Q}"/>
  <Path Data="M 0,100 L 48,100 48,148 0,148 Z">
    <Path.RenderTransform><MatrixTransform Matrix="2,0,0,2,0,0"/></Path.RenderTransform>
    <Path.Fill>
      <ImageBrush ImageSource="../Resources/q.png" Viewbox="0,0,48,48" ViewboxUnits="Absolute" Viewport="0,50,24,24" ViewportUnits="Absolute"/>
    </Path.Fill>
  </Path>
</FixedPage>
EOF
(cd xps && zip -q -X -r ../fixed.xps _rels FixedDocSeq.fdseq Documents)

{
    echo "# pdfimages -list of the PDF samples, made by make-page-samples.sh"
    for pdf in ghostscript.pdf inline.pdf img2pdf.pdf; do
        pdfimages -list "$pdf" | tail -n +3 | sed "s/^/$pdf /"
    done
} >pdfimages.txt
cp ghostscript.pdf inline.pdf img2pdf.pdf pages.djvu pages.tif pages.dcx comic.cbz book.epub fixed.xps pdfimages.txt \
    "$out/"
ls -l "$out"
