#!/usr/bin/env bash
# Makes the DjVu samples of the reader tests with DjVuLibre's encoders (and minidjvu for shared
# dictionaries), each with ddjvu's rendering of every page as the reference the decoder is held
# to: PBM for bilevel pages, PGM or PPM for the others. The pictures come from ImageMagick.
# Run by the build: make-djvu-samples.sh <folder>
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"
rm -rf work indirect indirect-missing && mkdir work
m=(convert -font DejaVu-Sans)

# Pictures: text (bilevel), a smooth colour photo, a four-colour drawing.
"${m[@]}" -size 320x200 xc:white -pointsize 22 -fill black -annotate +10+40 "Hello, bilevel world 123" \
    -annotate +10+90 "The quick brown fox jumps" -annotate +10+140 "over the lazy dog again" \
    -draw "circle 280,170 300,190" -monochrome work/text.pbm
convert -size 173x91 plasma:fractal -blur 0x1 work/photo.ppm
convert work/photo.ppm -colorspace gray work/grey.pgm
"${m[@]}" -size 300x120 xc:white -pointsize 28 -fill red -annotate +10+40 "Red words" -fill blue \
    -annotate +10+90 "Blue words" -fill "#00a000" -draw "rectangle 220,20 280,100" -colors 4 +dither work/palette.ppm
for i in 1 2 3; do
    "${m[@]}" -size 400x160 xc:white -pointsize 20 -fill black -annotate +10+40 "Page $i shares its letters" \
        -annotate +10+90 "with the other pages: abcdef" -annotate +10+130 "ghijkl mnopqr $i$i$i" \
        -type bilevel -compress group4 "work/shared$i.tif"
done

# Bilevel pages: lossless, and lossy with refinement and matched shapes.
cjb2 work/text.pbm text.djvu
cjb2 -lossy work/text.pbm lossy.djvu
# Photos: a page of IW44 chunks in colour and grey, chrominance variants, standalone photos.
c44 work/photo.ppm photo.djvu
c44 work/grey.pgm grey.djvu
c44 -crcbhalf work/photo.ppm half.djvu
c44 -crcbfull -slice 30+50+70+90 work/photo.ppm full.djvu
c44 -crcbdelay 0 work/photo.ppm nodelay.djvu
# A big page that is nearly all plain paper: its background codes in few bytes for its size.
"${m[@]}" -size 2400x3000 xc:"#e8e8e8" -pointsize 40 -fill black -annotate +100+200 "A big, nearly empty page" \
    work/blank.ppm
c44 work/blank.ppm blank.djvu
djvuextract photo.djvu BG44=photo.iw4 >/dev/null 2>&1
djvuextract grey.djvu BG44=grey.iw4 >/dev/null 2>&1
# A palette page: mask, colour per shape and a small background.
cpaldjvu work/palette.ppm palette.djvu
# A compound page: mask, FG44 colours and a BG44 background at a third of the resolution.
"${m[@]}" -size 400x300 xc:white -pointsize 30 -fill black -annotate +20+60 "Compound page" \
    -annotate +20+150 "mask over photo" -monochrome work/mask.pbm
cjb2 work/mask.pbm work/mask.djvu
convert -size 134x100 gradient:yellow-purple work/bg.ppm
c44 work/bg.ppm work/bg.djvu
djvuextract work/bg.djvu BG44=work/bg.iw4 >/dev/null 2>&1
convert -size 34x25 gradient:red-blue work/fg.ppm
c44 -slice 100 work/fg.ppm work/fg.djvu
djvuextract work/fg.djvu BG44=work/fg.iw4 >/dev/null 2>&1
djvumake compound.djvu INFO=400,300,300 Sjbz=work/mask.djvu FG44=work/fg.iw4 BG44=work/bg.iw4 >/dev/null
# The compound page with a JPEG background instead (BGjp; djvumake adds a black palette).
convert work/bg.ppm -quality 92 work/bg.jpg
djvumake jpeg.djvu INFO=400,300,300 Sjbz=work/mask.djvu BGjp=work/bg.jpg >/dev/null 2>&1
# The mask with the black palette djvumake adds to it.
djvumake black.djvu INFO=400,300,300 Sjbz=work/mask.djvu FGbz=#000000 >/dev/null
# The mask alone as Group 4 (Smmr): whole, and in strips of 64 rows with black and white swapped.
convert work/mask.pbm group4:work/mask.g4
u16() { printf "\\x$(printf %02x $(($1 >> 8)))\\x$(printf %02x $(($1 & 255)))"; }
u32() { u16 $(($1 >> 16)); u16 $(($1 & 65535)); }
{ printf 'MMR\x00'; u16 400; u16 300; cat work/mask.g4; } > work/mask.mmr
djvumake mmr.djvu INFO=400,300,300 Smmr=work/mask.mmr >/dev/null
convert work/mask.pbm -negate work/negated.pbm
{
    printf 'MMR\x03'; u16 400; u16 300; u16 64
    for top in 0 64 128 192 256; do
        rows=$((top + 64 > 300 ? 300 - top : 64))
        convert work/negated.pbm -crop "400x$rows+0+$top" +repage group4:work/strip.g4
        u32 "$(stat -c %s work/strip.g4)"
        cat work/strip.g4
    done
} > work/striped.mmr
djvumake striped.djvu INFO=400,300,300 Smmr=work/striped.mmr >/dev/null
# The same page turned by INFO's orientation flags (byte 9 of INFO: 5, 2 and 6).
offset=$(($(grep -abo INFO compound.djvu | head -1 | cut -d: -f1) + 8 + 9))
for f in 5 2 6; do
    cp compound.djvu "rotated$f.djvu"
    printf "\\x0$f" | dd of="rotated$f.djvu" bs=1 seek="$offset" conv=notrunc status=none
done
# Bundled documents: three pages sharing a JB2 dictionary, and pages of every kind with thumbnails.
minidjvu -m work/shared1.tif work/shared2.tif work/shared3.tif shared.djvu >/dev/null
djvm -c bundle.djvu text.djvu photo.djvu palette.djvu grey.djvu >/dev/null
cp bundle.djvu thumbs.djvu
djvused -e "set-thumbnails 32" -s thumbs.djvu
# Indirect documents: an index beside its page files, and the same with one page file gone.
mkdir indirect indirect-missing
djvmcvt -i shared.djvu indirect index.djvu >/dev/null
cp indirect/* indirect-missing/
rm "indirect-missing/$(ls indirect-missing | grep -v index.djvu | grep -vi '\.iff$' | sort | sed -n 2p)"
# A text file and its BZZ compression.
for i in $(seq 1 200); do echo "line $i of a text the BZZ coder compresses, with repeats repeats repeats"; done > bzz.txt
bzz -e bzz.txt bzz.bzz

# References: ddjvu's rendering of every page.
for f in *.djvu *.iw4; do
    pages=$(djvused -e n "$f" 2>/dev/null || echo 1)
    for p in $(seq 1 "$pages"); do
        ddjvu -format=pnm -page="$p" "$f" "${f/./-}-$p.pnm"
    done
done
rm -rf work
