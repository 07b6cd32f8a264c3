#!/usr/bin/env bash
# Installs the Debian package into an empty root with dpkg --root (no network, no chroot: the
# programs run on this system's libraries) and runs what it installed: pictrove lists and
# extracts a document, the Python module lists it the same. Checks that Depends names the
# package of every library the programs link, that the copyright file holds each of their
# licences, that the manual page is section 1, gzipped as Debian wants, and what lintian says.
# Usage: deb-package.sh <pictrove_*.deb> <pictrove_write_corpus>
set -euo pipefail
deb="$1" corpus="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "deb-package: $*" >&2; exit 1; }

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The root has no package database of its own to satisfy Depends: they are checked below.
dpkg --root="$root" --force-not-root --force-depends --log=/dev/null -i "$deb" >/dev/null 2>&1 ||
    fail "dpkg --root could not install $deb"
dpkg --root="$root" -s pictrove | grep -qx "Status: install ok installed" || fail "not installed"
pictrove="$root/usr/bin/pictrove"
module=("$root"/usr/lib/python3/dist-packages/pictrove.cpython-*.so)
[ -x "$pictrove" ] || fail "no /usr/bin/pictrove"
[ -f "${module[0]}" ] || fail "no Python module in /usr/lib/python3/dist-packages"

depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "no Depends"
for program in "$pictrove" "${module[0]}"; do
    for library in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        [ "$library" = ld-linux-x86-64.so.2 ] && continue  # libc6's, which Depends names anyway
        path=$(ldd "$program" | awk -v lib="$library" '$1 == lib { print $3 }')
        owner=$(dpkg-query -S "$(realpath "$path")" 2>/dev/null || dpkg-query -S "$path") || fail "$path: no package"
        owner="${owner%%:*}"
        tr ',' '\n' <<<"$depends" | awk '{ print $1 }' | grep -qxF "$owner" || fail "$(basename "$program") links $library, but Depends lacks $owner"
        grep -q "^$owner " "$root/usr/share/doc/pictrove/copyright" || fail "the copyright file lacks $owner"
    done
done

man="$root/usr/share/man/man1/pictrove.1.gz"
gzip -t "$man" || fail "the manual page is not gzipped"
zcat "$man" | grep -q '^\.TH PICTROVE 1 ' || fail "the manual page is not pictrove(1)"
warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null || true)
[ -z "$warnings" ] || fail "the manual page: $warnings"

mkdir "$work/docs"
"$corpus" "$work/docs" >/dev/null
doc="$work/docs/novel.epub"
"$pictrove" list "$doc" --json >"$work/list.json" || fail "list: exit $?"
count=$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))[0]["images"]))' "$work/list.json")
[ "$count" -gt 0 ] || fail "list found no pictures in $doc"
"$pictrove" extract "$doc" -o "$work/out" --type png --quiet || fail "extract: exit $?"
[ "$(find "$work/out" -name '*.png' | wc -l)" -eq "$count" ] || fail "extract did not write $count PNG files"
for file in "$work/out"/*.png; do
    [ "$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$file is not a PNG file"
done
code=0
"$pictrove" list "$work/docs/missing.pdf" 2>/dev/null || code=$?
[ "$code" -eq 3 ] || fail "a missing document gave exit $code, not 3"

PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import json, sys, pictrove
assert pictrove.__file__.startswith(sys.argv[1]), pictrove.__file__
assert pictrove.list(sys.argv[2]) == json.load(open(sys.argv[3]))[0]["images"]
' "$root" "$doc" "$work/list.json" || fail "the installed Python module does not list as pictrove does"
# Debian's own checks of a package, where lintian is installed (CI goes without).
if command -v lintian >/dev/null; then
    said=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian finds fault with the package:
$said"
fi
echo "deb-package: $(basename "$deb") installs and runs ($count pictures listed and written)"
