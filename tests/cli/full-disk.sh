#!/usr/bin/env bash
# PictroveCli on a disk that fills: the picture that meets the full disk fails with the system's
# reason and leaves no file, the run stops there (a few pictures at most in the other workers'
# hands), and the exit code says some failed. Needs a small file system of its own: skipped (77)
# where this shell cannot mount one.
# Usage: full-disk.sh <PictroveCli.exe>
set -uo pipefail
exe="$1"
work="$(mktemp -d)"
disk="$work/disk"
mkdir -p "$disk"
cleanup() {
    mountpoint -q "$disk" 2>/dev/null && umount "$disk"
    rm -rf "$work"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=48k tmpfs "$disk" 2>/dev/null; then
    echo "SKIP: cannot mount a small file system here"
    exit 77
fi
# Twelve pages of 64 x 64 noise: 12 KB each as BMP, so the fourth meets the full disk.
convert -size 64x64 xc: +noise Random -depth 8 -duplicate 11 "$work/pages.tif"
status=0
wine "$exe" extract "$(winepath -w "$work/pages.tif")" -o "$(winepath -w "$disk")" --type bmp --template 'p%0II%' \
    --jobs 2 >"$work/out.txt" 2>"$work/err.txt" || status=$?
cat "$work/err.txt"
fail() {
    echo "FAIL: $*"
    exit 1
}
[ "$status" -eq 1 ] || fail "exit code $status, not 1"
grep -q '^Stopped: ' "$work/err.txt" || fail "no line says why the run stopped"
written=$(find "$disk" -name '*.bmp' | wc -l)
failed=$(grep -c '\.bmp: ' "$work/err.txt")
[ "$(find "$disk" -type f ! -name '*.bmp' | wc -l)" -eq 0 ] || fail "a temporary file stayed behind"
for file in "$disk"/*.bmp; do
    [ "$(stat -c %s "$file")" -eq 12342 ] || fail "$file is not whole"
done
[ $((written + failed)) -le 5 ] || fail "$written written and $failed failed: the run went on after the disk was full"
echo "ok: $written written, $failed failed, then stopped"
