#!/usr/bin/env bash
# Reads the files an extraction job wrote with ImageMagick, an independent decoder, and checks
# format, size, resolution and pixels against reference pictures the test program wrote.
# Usage: decode-check.sh <extract_tests.exe>
set -uo pipefail
exe="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
PICTROVE_DECODE_CHECK_DIR="$(winepath -w "$out" 2>/dev/null)"
export PICTROVE_DECODE_CHECK_DIR
if ! wine "$exe" --gtest_color=no --gtest_also_run_disabled_tests --gtest_filter='DecodeCheck.*' \
    >"$out/run.log" 2>&1; then
    cat "$out/run.log"
    echo "FAIL: the test program could not write the files"
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# compare prints its metric on stderr (with warnings first, if any) and exits non-zero on a difference.
metric() {
    compare -metric "$1" "$2" "$3" null: 2>&1 | tail -1 | awk '{print $1}'
}

for name in smooth gray ramp alpha; do
    ref="$out/$name.pam"
    read -r rw rh < <(identify -format '%w %h\n' "$ref")
    for ext in bmp gif jpg png; do
        file="$out/$name.$ext"
        label="$name.$ext"
        before=$failures
        [ -s "$file" ] || { fail "$label missing or empty"; continue; }
        if ! info=$(identify -format '%m %w %h\n' "$file" 2>"$out/identify.err"); then
            fail "$label does not decode: $(cat "$out/identify.err")"
            continue
        fi
        read -r format w h <<<"$(echo "$info" | head -1)"
        case $ext in
            bmp) want=BMP ;; gif) want=GIF ;; jpg) want=JPEG ;; png) want=PNG ;;
        esac
        [[ "$format" == "$want"* ]] || fail "$label is $format, not $want"
        [ "$w $h" = "$rw $rh" ] || fail "$label is ${w}x$h, not ${rw}x$rh"
        if [ "$ext" != gif ]; then
            dpi=$(identify -units PixelsPerInch -format '%x %y\n' "$file" | head -1)
            awk -v d="$dpi" \
                'BEGIN { split(d, v, " "); exit !(v[1] > 95.9 && v[1] < 96.1 && v[2] > 95.9 && v[2] < 96.1) }' ||
                fail "$label resolution is $dpi, not 96 dpi"
        fi
        # The alpha picture has transparent pixels: PNG keeps alpha and is compared whole; GIF
        # keeps fully transparent pixels through its graphic control extension, so its alpha
        # must equal the source's; BMP and JPEG keep none.
        if [ "$name" = alpha ] && [ "$ext" = gif ]; then
            convert "$ref" -alpha extract "$out/ref-alpha.pgm"
            convert "$file" -alpha extract "$out/gif-alpha.pgm"
            ae=$(metric AE "$out/ref-alpha.pgm" "$out/gif-alpha.pgm")
            [ "$ae" = 0 ] || fail "$label alpha differs from the source in $ae pixels"
            [ "$failures" -eq "$before" ] && echo "ok: $label ($format ${w}x$h, transparent where the source is)"
            continue
        fi
        if [ "$name" = alpha ] && [ "$ext" != png ]; then continue; fi
        case $ext in
            bmp | png)
                ae=$(metric AE "$ref" "$file")
                [ "$ae" = 0 ] || fail "$label differs from the source in $ae pixels"
                ;;
            jpg)
                psnr=$(metric PSNR "$ref" "$file")
                awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 30) }' || fail "$label PSNR $psnr dB below 30"
                ;;
            gif)
                psnr=$(metric PSNR "$ref" "$file")
                awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 33) }' || fail "$label PSNR $psnr dB below 33"
                # No pixel further off than a palette step (10% of the colour range).
                far=$(compare -metric AE -fuzz 10% "$ref" "$file" null: 2>&1 | tail -1 | awk '{print $1}')
                [ "$far" = 0 ] || fail "$label has $far pixels beyond the palette error"
                ;;
        esac
        [ "$failures" -eq "$before" ] && echo "ok: $label ($format ${w}x$h)"
    done
done
if [ "$failures" -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "all files decode as written"
