#!/usr/bin/env bash
# Makes the PNG, GIF, BMP and icon samples of the picture codec tests with the tools that write
# such files in the wild (ImageMagick in its many variants, optipng, gifsicle,
# icotool), and ImageMagick's own decoding of each picture as a PAM file (8-bit RGBA) beside it: the oracle the readers' codecs
# are held to. The output is committed, so the tests need none of these tools:
#   make-picture-samples.sh [folder]   (default: this script's folder)
# Each sample is listed in samples.txt: file, frame, reference, and the levels a sample may
# differ by where ImageMagick rounds otherwise (none when not given).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# ImageMagick's convert itself, not a wrapper that may stand in for it on the PATH; PNG files
# without the times of writing, so the samples come out the same on every run.
im() { /usr/bin/convert -define png:exclude-chunks=date,time "$@"; }
# Odd sizes, so row padding and partial bytes of 1- and 4-bit rows are exercised.
size=37x23
im rose: -resize "$size!" colour.png
# A soft alpha (a gradient) and a hard one (a disc), over the same colours.
im colour.png \( -size 23x37 gradient:white-black -rotate 90 \) -alpha off -compose CopyOpacity -composite soft.png
im colour.png \( -size "$size" xc:black -fill white -draw "circle 18,11 18,1" \) -alpha off \
    -compose CopyOpacity -composite hard.png

list="$out/samples.txt"
echo "# file frame reference (made by make-picture-samples.sh)" > "$list.new"
# sample NAME [FRAMES]: references for NAME's frames, from ImageMagick's decoding.
sample() {
    local name="$1" frames="${2:-1}"
    cp "$name" "$out/$name"
    if [ "$frames" -eq 1 ]; then
        im "$name[0]" -depth 8 "$out/$name.pam"
        echo "$name 0 $name.pam" >> "$list.new"
        return
    fi
    # An animation as a viewer shows it at each frame: earlier frames beneath, disposal applied.
    im "$name" -coalesce -depth 8 "$work/frame-%d.pam"
    for ((i = 0; i < frames; i++)); do
        mv "$work/frame-$i.pam" "$out/$name.$i.pam"
        echo "$name $i $name.$i.pam" >> "$list.new"
    done
}

# PNG: every colour type and the depths writers choose.
im colour.png PNG24:png-rgb8.png && sample png-rgb8.png
im soft.png PNG32:png-rgba8.png && sample png-rgba8.png
im hard.png PNG8:png-palette-trns.png && sample png-palette-trns.png
im colour.png -colorspace gray -define png:color-type=0 -define png:bit-depth=8 png-gray8.png && sample png-gray8.png
im soft.png -colorspace gray -define png:color-type=4 png-gray-alpha.png && sample png-gray-alpha.png
im colour.png -colorspace gray -monochrome -define png:bit-depth=1 -define png:color-type=0 png-gray1.png &&
    sample png-gray1.png
im colour.png -colorspace gray -depth 16 -define png:color-type=0 png-gray16.png && sample png-gray16.png
# ImageMagick's 8-bit reading of 16-bit gray is not always the high byte: one level apart.
sed -i 's/^png-gray16.png 0 png-gray16.png.pam$/& 1/' "$list.new"
im colour.png -depth 16 PNG48:png-rgb16.png && sample png-rgb16.png
im soft.png -depth 16 PNG64:png-rgba16.png && sample png-rgba16.png
im soft.png -interlace PNG PNG32:png-interlaced.png && sample png-interlaced.png
# optipng rewrites in the smallest form it finds (here a palette of 4 bits, or gray with tRNS).
im colour.png -colors 12 PNG24:few.png && optipng -quiet -o2 -out png-optipng.png few.png && sample png-optipng.png
im colour.png -colorspace gray -colors 4 -depth 8 PNG24:gray4.png && optipng -quiet -o2 -out png-optipng-gray.png gray4.png &&
    sample png-optipng-gray.png

# GIF: one frame, transparency, interlacing, an animation with offsets and every disposal, and
# the same animation as gifsicle optimizes it (frames cut to what changes, transparency added).
im colour.png gif-static.gif && sample gif-static.gif
im hard.png gif-transparent.gif && sample gif-transparent.gif
im colour.png -interlace GIF gif-interlaced.gif && sample gif-interlaced.gif
im -delay 10 -dispose none colour.png \
    -dispose background \( -size 12x9 xc:yellow -repage +5+4 \) \
    -dispose previous \( -size 10x10 xc:blue -repage +20+8 \) \
    -dispose none \( hard.png -resize 19x12! -repage +14+10 \) \
    +repage -set page "$size+0+0" gif-animated.gif
im gif-animated.gif -coalesce -depth 8 info: | wc -l | grep -qx 4 || { echo "gif-animated.gif: not 4 frames" >&2; exit 1; }
sample gif-animated.gif 4
gifsicle -O2 gif-animated.gif > gif-gifsicle.gif && sample gif-gifsicle.gif 4

# BMP: OS/2 core header, Windows 3 at 1, 4, 8 and 24 bits, RLE8, version 5 headers with bit
# fields (16-bit 5-6-5 and 1-5-5-5, 32-bit with alpha).
im colour.png BMP2:bmp2-24.bmp && sample bmp2-24.bmp
im colour.png -colors 200 -type palette BMP2:bmp2-8.bmp && sample bmp2-8.bmp
im colour.png BMP3:bmp3-24.bmp && sample bmp3-24.bmp
im colour.png -colors 200 -type palette -compress none BMP3:bmp3-8.bmp && sample bmp3-8.bmp
im colour.png -colors 12 -type palette BMP3:bmp3-4.bmp && sample bmp3-4.bmp
im colour.png -monochrome -type bilevel BMP3:bmp3-1.bmp && sample bmp3-1.bmp
im colour.png -colors 200 -type palette -compress RLE BMP3:bmp3-rle8.bmp && sample bmp3-rle8.bmp
im colour.png -define bmp:subtype=RGB565 bmp5-565.bmp && sample bmp5-565.bmp
im soft.png -define bmp:subtype=ARGB1555 bmp5-1555.bmp && sample bmp5-1555.bmp
# ImageMagick reads a set 1-bit alpha as 128 of 255; the bit means opaque.
im "$out/bmp5-1555.bmp.pam" -channel A -threshold 40% +channel "$out/bmp5-1555.bmp.pam"
im soft.png BMP:bmp5-32.bmp && sample bmp5-32.bmp
im colour.png -type truecolor BMP:bmp5-24.bmp && sample bmp5-24.bmp
# Top-down rows: ImageMagick writes none, so its Windows 3 file is turned over (rows reversed,
# height negated), which ImageMagick then reads back as the reference.
python3 - bmp3-24.bmp bmp3-topdown.bmp <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
offset, = struct.unpack_from('<I', data, 10)
width, height = struct.unpack_from('<ii', data, 18)
stride = (width * 3 + 3) & ~3
rows = [data[offset + i * stride: offset + (i + 1) * stride] for i in range(height)]
data[offset:offset + stride * height] = b''.join(reversed(rows))
struct.pack_into('<i', data, 22, -height)
open(sys.argv[2], 'wb').write(data)
PY
sample bmp3-topdown.bmp
# A version 4 header: ImageMagick 6 writes version 5 ones, whose first 108 bytes are version 4's;
# its 32-bit file is cut down to that header (offsets moved by the 16 bytes dropped).
python3 - bmp5-32.bmp bmp4-32.bmp <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
assert struct.unpack_from('<I', data, 14)[0] == 124
del data[14 + 108:14 + 124]
struct.pack_into('<I', data, 14, 108)
struct.pack_into('<I', data, 2, len(data))
struct.pack_into('<I', data, 10, struct.unpack_from('<I', data, 10)[0] - 16)
open(sys.argv[2], 'wb').write(data)
PY
sample bmp4-32.bmp
# Bit fields after a version 3 header (as Windows' own 16-bit screenshots store them): the 5-6-5
# file's masks moved behind a 40-byte header.
python3 - bmp5-565.bmp bmp3-565.bmp <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
masks = data[14 + 40:14 + 52]
del data[14 + 40:14 + 124]
data[14 + 40:14 + 40] = masks
struct.pack_into('<I', data, 14, 40)
struct.pack_into('<I', data, 2, len(data))
struct.pack_into('<I', data, 10, struct.unpack_from('<I', data, 10)[0] - 72)
open(sys.argv[2], 'wb').write(data)
PY
sample bmp3-565.bmp
# RLE4: no tool at hand writes it, so the runs are laid down here (encoded runs of odd length,
# absolute runs padded to a word, a delta, row ends and the end of the bitmap) over a 16-colour
# palette; ImageMagick's reading of the file is the reference.
python3 - bmp3-rle4.bmp <<'PY'
import struct, sys
width, height = 13, 6
palette = b''.join(bytes((16 * i, 255 - 16 * i, (97 * i) % 256, 0)) for i in range(16))
rows = [
    bytes((5, 0x12, 4, 0x34, 0, 0)),             # row 0: 1 2 1 2 1, 3 4 3 4, rest skipped
    bytes((0, 5, 0x56, 0x78, 0x90, 0, 0, 0)),     # row 1: absolute 5 6 7 8 9 (padded to a word)
    bytes((13, 0xAB, 0, 0)),                      # row 2: a full row of A B ...
    bytes((3, 0xCD, 0, 2, 4, 1, 2, 0xEF, 0, 0)),  # row 3: C D C, a delta 4 right 1 up, E F
    bytes((0, 3, 0x1F, 0x20, 0, 1)),              # row 4: absolute 1 F 2, end of bitmap
]
# ImageMagick reads on past the end of the bitmap's code: a word of padding keeps it in the file.
data = b''.join(rows) + bytes(2)
header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 2, len(data), 2835, 2835, 16, 0)
offset = 14 + len(header) + len(palette)
with open(sys.argv[1], 'wb') as f:
    f.write(b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset) + header + palette + data)
PY
sample bmp3-rle4.bmp

# Icons and cursors by icotool: bitmap entries at 1, 4, 8 and 32 bits (AND mask, alpha), a raw
# PNG entry ("Vista" icons), and a cursor; ImageMagick's reading of each entry is the reference.
im hard.png -resize 16x16! hard16.png
im hard16.png -colors 2 PNG8:two.png
im hard16.png -colors 12 PNG8:twelve.png
im hard16.png -colors 100 PNG8:hundred.png
im soft.png -resize 24x24! PNG32:soft24.png
icotool -c -o ico-bitmaps.ico -b 1 two.png -b 4 twelve.png -b 8 hundred.png -b 32 soft24.png
icotool -c -o ico-png.ico -r soft24.png hundred.png
icotool -c --cursor -X 3 -Y 5 -o cur-8.cur hundred.png
for entry in 0 1 2 3; do
    im "ico-bitmaps.ico[$entry]" -depth 8 "$out/ico-bitmaps.ico.$entry.pam"
    echo "ico-bitmaps.ico $entry ico-bitmaps.ico.$entry.pam" >> "$list.new"
done
cp ico-bitmaps.ico "$out/"
sample ico-png.ico
im "ico-png.ico[1]" -depth 8 "$out/ico-png.ico.1.pam" && echo "ico-png.ico 1 ico-png.ico.1.pam" >> "$list.new"
sample cur-8.cur
mv "$list.new" "$list"
