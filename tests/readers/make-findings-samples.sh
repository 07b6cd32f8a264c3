#!/usr/bin/env bash
# Writes the real-tool counterparts of the findings samples: pictures that code in very few bytes
# for their size, which the bounds against tiny files must still decode. Prints each as the
# C++ array kept in FindingsSamples.cpp. Needs ImageMagick and opj_compress (libopenjp2-tools).
#   make-findings-samples.sh <folder>
set -euo pipefail
out="$1"
mkdir -p "$out"
# A 4000 x 3000 page of white paper with one black mark, as OpenJPEG's encoder writes it.
convert -size 4000x3000 xc:white -fill black -draw "rectangle 100,100 400,180" "$out/blank.ppm"
opj_compress -i "$out/blank.ppm" -o "$out/blank.j2k" >/dev/null
rm "$out/blank.ppm"
od -An -v -tx1 "$out/blank.j2k" | tr -s ' \n' ' ' | sed -e 's/^ //' -e 's/ $//' -e 's/\([0-9a-f][0-9a-f]\)/0x\1,/g' | fold -w 114
echo
