#!/usr/bin/env bash
# Writes fuzz seeds made by the tools that write real documents, when they are installed:
# ImageMagick, img2pdf and qpdf (PDF pages of JPEG, JPEG 2000, CCITT and Flate pictures, then
# encrypted and packed; ImageMagick's own PDF writer is usually shut off by its security policy),
# libtiff's tiffcp, OpenJPEG's opj_compress and zip. Each seed goes into <folder>/<target>/; a
# missing tool only means fewer seeds. Small pictures keep the seeds small.
#   make-tool-seeds.sh <folder>
set -uo pipefail
out="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
have() { command -v "$1" >/dev/null 2>&1; }
# seed TARGET NAME FILE [PREFIX-BYTE]: the PDF, picture-codec and archive targets read a first
# byte of their own before the file.
seed() {
    [ -s "$3" ] || return 0
    mkdir -p "$out/$1"
    if [ -n "${4:-}" ]; then
        { printf "\\$(printf '%03o' "$4")"; cat "$3"; } >"$out/$1/$2"
    else
        cp "$3" "$out/$1/$2"
    fi
}
made=()

if have convert; then
    made+=(ImageMagick)
    convert -size 24x16 gradient:red-blue -fill green -draw "rectangle 3,3 9,12" -depth 8 base.png 2>/dev/null
    convert base.png -colorspace gray gray.png
    convert base.png -monochrome bw.png
    convert base.png -alpha set -channel A -fx "i/w" +channel rgba.png 2>/dev/null
    convert base.png -quality 80 base.jpg
    convert base.png -colorspace cmyk -quality 80 cmyk.jpg
    convert base.png -interlace plane -quality 60 progressive.jpg
    convert base.png base.ppm
    convert gray.png gray.pgm
    for f in base.png bw.png gray.png; do
        convert "$f" "pcx:${f%.png}.pcx" && seed PcxFuzzer "${f%.png}.pcx" "${f%.png}.pcx"
    done
    convert base.png gray.png -adjoin dcx:pages.dcx 2>/dev/null && seed PcxFuzzer pages.dcx pages.dcx
    convert base.png base.psd && seed PsdFuzzer base.psd base.psd
    convert gray.png -depth 16 gray16.psd && seed PsdFuzzer gray16.psd gray16.psd
    convert rgba.png -compress rle rgba.psd 2>/dev/null && seed PsdFuzzer rgba-rle.psd rgba.psd
    for c in none lzw zip jpeg rle; do
        convert base.png -compress "$c" "tiff-$c.tif" 2>/dev/null && seed TiffFuzzer "im-$c.tif" "tiff-$c.tif"
    done
    convert bw.png -compress group4 bw-g4.tif && seed TiffFuzzer im-g4.tif bw-g4.tif
    convert bw.png -compress fax bw-g3.tif && seed TiffFuzzer im-g3.tif bw-g3.tif
    convert base.png -colorspace cmyk cmyk.tif && seed TiffFuzzer im-cmyk.tif cmyk.tif
    convert base.png gray.png -adjoin pages.tif && seed TiffFuzzer im-pages.tif pages.tif
    for f in base.jpg cmyk.jpg progressive.jpg; do seed PictureCodecFuzzer "im-$f" "$f" 0; done
    for e in png gif bmp tif ico jpg; do
        convert base.png "header.$e" 2>/dev/null && seed ImageHeaderFuzzer "im.$e" "header.$e"
    done
fi

if have opj_compress && [ -f base.ppm ]; then
    made+=(opj_compress)
    opj_compress -i base.ppm -o opj.jp2 -n 3 >/dev/null 2>&1 && seed PictureCodecFuzzer opj.jp2 opj.jp2 1
    opj_compress -i base.ppm -o opj-lossy.j2k -r 20 -n 3 >/dev/null 2>&1 && seed PictureCodecFuzzer opj-lossy.j2k opj-lossy.j2k 1
    opj_compress -i gray.pgm -o opj-tiles.jp2 -n 2 -t 8,8 -p RPCL >/dev/null 2>&1 && seed PictureCodecFuzzer opj-tiles.jp2 opj-tiles.jp2 1
fi

if have img2pdf && [ -f base.jpg ]; then
    made+=(img2pdf)
    # Flate with a PNG predictor, DCT (gray, RGB, CMYK), JPX and CCITT G4, as img2pdf embeds them.
    pdf() { img2pdf "$2" -o "$1" 2>/dev/null && seed PdfFuzzer "i2p-$1" "$1" 0; }
    pdf zip.pdf base.png
    pdf gray.pdf gray.png
    pdf bw.pdf bw.png
    pdf jpeg.pdf base.jpg
    pdf cmyk.pdf cmyk.jpg
    pdf progressive.pdf progressive.jpg
    [ -f opj.jp2 ] && pdf jpx.pdf opj.jp2
    [ -f bw-g4.tif ] && pdf g4.pdf bw-g4.tif
    img2pdf base.jpg base.png bw-g4.tif -o pages.pdf 2>/dev/null && seed PdfFuzzer i2p-pages.pdf pages.pdf 0
fi

if have tiffcp && [ -f base.png ]; then
    made+=(tiffcp)
    convert base.png plain.tif
    tiffcp -c lzw:2 -t -w 16 -l 16 plain.tif tiled.tif 2>/dev/null && seed TiffFuzzer tiffcp-tiled.tif tiled.tif
    tiffcp -c zip:2 -r 4 plain.tif strips.tif 2>/dev/null && seed TiffFuzzer tiffcp-strips.tif strips.tif
    tiffcp -c jpeg plain.tif jpeg.tif 2>/dev/null && seed TiffFuzzer tiffcp-jpeg.tif jpeg.tif
    tiffcp -p separate plain.tif planar.tif 2>/dev/null && seed TiffFuzzer tiffcp-planar.tif planar.tif
fi

if have qpdf && [ -f zip.pdf ]; then
    made+=(qpdf)
    # Opened with the user (1) and the owner (2) password, which the PDF target's first byte picks.
    qpdf --encrypt user owner 256 -- zip.pdf aes256.pdf 2>/dev/null
    seed PdfFuzzer qpdf-aes256-user.pdf aes256.pdf 1
    seed PdfFuzzer qpdf-aes256-owner.pdf aes256.pdf 2
    qpdf --encrypt user owner 128 --use-aes=y -- jpeg.pdf aes128.pdf 2>/dev/null
    seed PdfFuzzer qpdf-aes128-user.pdf aes128.pdf 1
    qpdf --allow-weak-crypto --encrypt user owner 128 --use-aes=n -- zip.pdf rc4.pdf 2>/dev/null
    seed PdfFuzzer qpdf-rc4-owner.pdf rc4.pdf 2
    qpdf --allow-weak-crypto --encrypt user owner 40 -- gray.pdf rc4-40.pdf 2>/dev/null
    seed PdfFuzzer qpdf-rc4-40-user.pdf rc4-40.pdf 1
    qpdf --encrypt "" owner 256 -- g4.pdf aes256-empty.pdf 2>/dev/null
    seed PdfFuzzer qpdf-aes256-empty.pdf aes256-empty.pdf 0
    qpdf --object-streams=generate jpeg.pdf packed.pdf 2>/dev/null && seed PdfFuzzer qpdf-packed.pdf packed.pdf 0
    qpdf --linearize zip.pdf linear.pdf 2>/dev/null && seed PdfFuzzer qpdf-linear.pdf linear.pdf 0
    qpdf --qdf --object-streams=disable pages.pdf qdf.pdf 2>/dev/null && seed PdfFuzzer qpdf-qdf.pdf qdf.pdf 0
    if [ -f jpx.pdf ]; then
        qpdf --object-streams=generate --encrypt user owner 256 -- jpx.pdf jpx-packed.pdf 2>/dev/null
        seed PdfFuzzer qpdf-jpx-packed.pdf jpx-packed.pdf 1
    fi
fi

if have c44 && have cjb2 && [ -f base.ppm ]; then
    made+=(djvulibre)
    # Small pages decode quickly: the test samples are pages of hundreds of pixels.
    c44 base.ppm photo.djvu >/dev/null 2>&1 && seed DjvuFuzzer small-photo.djvu photo.djvu
    c44 -slice 20,40 gray.pgm gray.djvu >/dev/null 2>&1 && seed DjvuFuzzer small-gray.djvu gray.djvu
    convert bw.png bw.pbm && cjb2 bw.pbm bw.djvu >/dev/null 2>&1 && seed DjvuFuzzer small-bilevel.djvu bw.djvu
    cjb2 -lossy bw.pbm lossy.djvu >/dev/null 2>&1 && seed DjvuFuzzer small-lossy.djvu lossy.djvu
    if have djvm && [ -f photo.djvu ] && [ -f bw.djvu ]; then
        djvm -c bundle.djvu photo.djvu bw.djvu >/dev/null 2>&1 && seed DjvuFuzzer small-bundle.djvu bundle.djvu
    fi
    if have djvumake && [ -f bw.djvu ]; then
        djvuextract bw.djvu Sjbz=mask.jb2 >/dev/null 2>&1
        c44 -dpi 100 base.ppm bg.djvu >/dev/null 2>&1 && djvuextract bg.djvu BG44=bg.iw4 >/dev/null 2>&1
        djvumake compound.djvu INFO=24,16,300 Sjbz=mask.jb2 BG44=bg.iw4:2 >/dev/null 2>&1 &&
            seed DjvuFuzzer small-compound.djvu compound.djvu
    fi
fi

if have zip && [ -f base.png ]; then
    made+=(zip)
    mkdir -p comic/pages && cp base.png comic/pages/p1.png && cp base.jpg comic/pages/p2.jpg && cp header.gif comic/p10.gif
    (cd comic && zip -qr ../comic.cbz . && zip -qr0 ../stored.cbz . && zip -qrD ../nodirs.cbz .)
    seed ComicFuzzer zip.cbz comic.cbz
    seed ComicFuzzer zip-stored.cbz stored.cbz
    seed ZipFuzzer zip.zip comic.cbz
    seed ZipFuzzer zip-stored.zip stored.cbz
    seed ZipFuzzer zip-nodirs.zip nodirs.cbz
    mkdir -p epub/META-INF epub/OEBPS/images
    printf 'application/epub+zip' >epub/mimetype
    cat >epub/META-INF/container.xml <<'XML'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles></container>
XML
    cat >epub/OEBPS/content.opf <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">seed</dc:identifier><meta name="cover" content="cover"/></metadata>
<manifest><item id="c1" href="ch1.xhtml" media-type="application/xhtml+xml"/><item id="cover" href="images/cover.jpg" media-type="image/jpeg" properties="cover-image"/><item id="p" href="images/p.png" media-type="image/png"/></manifest>
<spine><itemref idref="c1"/></spine><guide><reference type="cover" href="ch1.xhtml"/></guide></package>
XML
    cat >epub/OEBPS/ch1.xhtml <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:xlink="http://www.w3.org/1999/xlink"><body><p><img src="images/p.png" alt=""/></p><svg><image xlink:href="images/cover.jpg"/></svg></body></html>
XML
    cp base.jpg epub/OEBPS/images/cover.jpg && cp base.png epub/OEBPS/images/p.png
    (cd epub && zip -qX0 ../book.epub mimetype && zip -qXr ../book.epub META-INF OEBPS)
    seed EpubFuzzer zip-book.epub book.epub
    {
        printf '<?xml version="1.0" encoding="UTF-8"?>\n<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0" xmlns:l="http://www.w3.org/1999/xlink">'
        printf '<description><title-info><coverpage><image l:href="#cover.jpg"/></coverpage></title-info></description>'
        printf '<body><section><p>text</p><image l:href="#p.png"/></section></body>'
        printf '<binary id="cover.jpg" content-type="image/jpeg">%s</binary>' "$(base64 -w 76 base.jpg)"
        printf '<binary id="p.png" content-type="image/png">%s</binary></FictionBook>\n' "$(base64 -w 76 base.png)"
    } >book.fb2
    seed Fb2Fuzzer tool-book.fb2 book.fb2
    zip -q book.fb2.zip book.fb2 && seed Fb2Fuzzer zip-book.fb2.zip book.fb2.zip
    mkdir -p xps/_rels xps/Documents/1/Pages xps/Documents/1/Resources/Images
    cat >xps/_rels/.rels <<'XML'
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Target="/FixedDocSeq.fdseq" Id="R0" Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation"/></Relationships>
XML
    cat >'xps/[Content_Types].xml' <<'XML'
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="fdseq" ContentType="application/vnd.ms-package.xps-fixeddocumentsequence+xml"/><Default Extension="fdoc" ContentType="application/vnd.ms-package.xps-fixeddocument+xml"/><Default Extension="fpage" ContentType="application/vnd.ms-package.xps-fixedpage+xml"/><Default Extension="png" ContentType="image/png"/><Default Extension="jpg" ContentType="image/jpeg"/></Types>
XML
    echo '<FixedDocumentSequence xmlns="http://schemas.microsoft.com/xps/2005/06"><DocumentReference Source="/Documents/1/FixedDoc.fdoc"/></FixedDocumentSequence>' >xps/FixedDocSeq.fdseq
    echo '<FixedDocument xmlns="http://schemas.microsoft.com/xps/2005/06"><PageContent Source="Pages/1.fpage"/></FixedDocument>' >xps/Documents/1/FixedDoc.fdoc
    echo '<FixedPage Width="96" Height="96" xmlns="http://schemas.microsoft.com/xps/2005/06"><Path Data="M 0,0 L 24,0 24,16 0,16 Z"><Path.Fill><ImageBrush ImageSource="../Resources/Images/a.png" Viewbox="0,0,24,16" ViewboxUnits="Absolute" Viewport="0,0,24,16" ViewportUnits="Absolute"/></Path.Fill></Path><Path Data="M 0,20 L 24,20 24,36 0,36 Z"><Path.Fill><ImageBrush ImageSource="/Documents/1/Resources/Images/b.jpg" Viewbox="0,0,24,16" ViewboxUnits="Absolute" Viewport="0,20,24,16" ViewportUnits="Absolute"/></Path.Fill></Path></FixedPage>' >xps/Documents/1/Pages/1.fpage
    cp base.png xps/Documents/1/Resources/Images/a.png && cp base.jpg xps/Documents/1/Resources/Images/b.jpg
    (cd xps && zip -qXr ../doc.xps '[Content_Types].xml' _rels FixedDocSeq.fdseq Documents)
    seed XpsFuzzer zip-doc.xps doc.xps
fi
echo "tool seeds from: ${made[*]:-no tool}"
