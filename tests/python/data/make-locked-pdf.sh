#!/usr/bin/env bash
# Makes locked.pdf: a 12x8 picture put in a PDF by img2pdf, then locked by qpdf with AES-128
# (user password "letmein", owner password "admin"). Needs imagemagick, img2pdf and qpdf.
set -euo pipefail
cd "$(dirname "$0")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
convert -size 12x8 gradient:red-blue -depth 8 "PNG24:$work/picture.png"
img2pdf --producer "" --nodate "$work/picture.png" -o "$work/open.pdf"
qpdf --static-id --encrypt letmein admin 128 --use-aes=y -- "$work/open.pdf" locked.pdf
