#!/usr/bin/env bash
# Makes the TIFF samples of the reader tests with ImageMagick, each with a raw 8-bit RGB
# reference of its first page (ImageMagick's own decoding; the ink of CMYK pages): one small picture written in every
# common kind of page the reader must handle. Run by the build: make-tiff-samples.sh <folder>
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"
convert -size 23x17 gradient:red-blue -fill green -draw "rectangle 3,3 9,12" -depth 8 base.png
b=(convert base.png -depth 8)
"${b[@]}" -compress lzw lzw.tif
"${b[@]}" -compress none plain.tif
"${b[@]}" -interlace plane -compress zip planar.tif
"${b[@]}" -define tiff:tile-geometry=16x16 -compress rle tiled.tif
"${b[@]}" -alpha set -channel A -fx "i/w" +channel -compress lzw -define tiff:predictor=2 rgba.tif
"${b[@]}" -colors 7 -type palette -compress lzw palette.tif
"${b[@]}" -colorspace gray -compress zip gray.tif
convert base.png -colorspace gray -depth 16 -compress lzw -define tiff:predictor=2 gray16.tif
"${b[@]}" -colorspace cmyk -compress none cmyk.tif
"${b[@]}" -monochrome -compress none bilevel.tif
"${b[@]}" -monochrome -compress group4 g4.tif
"${b[@]}" -monochrome -compress fax g3.tif
"${b[@]}" -compress jpeg -quality 95 jpeg.tif
# Floating-point samples (SampleFormat 3, with SMinSampleValue/SMaxSampleValue) and signed ones.
convert base.png -type truecolor -depth 32 -define quantum:format=floating-point -define tiff:predictor=1 \
    -compress zip float32.tif
convert base.png -type truecolor -depth 64 -define quantum:format=floating-point -define tiff:predictor=1 \
    -compress zip float64.tif
convert base.png -colorspace gray -depth 16 -define quantum:format=signed -compress none signed16.tif
convert -size 300x200 plasma:fractal -depth 8 -compress lzw big.tif
# Three pages of different kinds and sizes.
"${b[@]}" -resize 11x9! -compress zip small.tif
convert lzw.tif small.tif g4.tif -adjoin multi.tif
rm small.tif
for f in *.tif; do
    convert "$f[0]" -depth 8 "rgb:${f%.tif}.rgb"
done
# CMYK pages are compared in ink: the reader's model decides how ink looks on screen.
convert cmyk.tif -depth 8 cmyk:cmyk.ink
convert "multi.tif[1]" -depth 8 rgb:multi-1.rgb
convert "multi.tif[2]" -depth 8 rgb:multi-2.rgb
