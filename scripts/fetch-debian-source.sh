#!/usr/bin/env bash
# Fetches the upstream source of a Debian source package at a pinned version, checks its sha256
# and unpacks it, without touching the system's apt configuration.
#   scripts/fetch-debian-source.sh NAME VERSION SHA256 DEST [--debian-patches]
# VERSION is the Debian version (e.g. 2.14-2+deb12u1); SHA256 that of the upstream .orig tarball.
# DEST receives the unpacked upstream tree. With --debian-patches, Debian's patch series of that
# version is applied on top (its security fixes, for a library that reads hostile files); apt
# checks the Debian tarball against the signed archive index, as it does the upstream one.
# A DEST already holding the checked tree is left as it is, so builds stay incremental.
set -euo pipefail
if [ $# -ne 4 ] && { [ $# -ne 5 ] || [ "$5" != "--debian-patches" ]; }; then
    echo "usage: $0 NAME VERSION SHA256 DEST [--debian-patches]" >&2
    exit 2
fi
name="$1" version="$2" sha="$3" dest="$4" patches="${5:-}"
stamp="$dest/.pictrove-source"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$name $version $sha $patches" ]; then
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# deb-src entries mirroring the deb ones the machine already trusts.
sources="$work/sources.list"
: > "$sources"
add_source() {
    local file="$1"
    [ -f "$file" ] || return 0
    awk '
        /^Types:/ { types = $0 }
        /^URIs:/ { uri = $2 }
        /^Suites:/ { $1 = ""; suites = $0 }
        /^Components:/ { $1 = ""; components = $0 }
        /^Signed-By:/ { key = $2 }
        /^$/ { if (uri != "" && types ~ /deb/) emit(); uri = ""; suites = ""; components = ""; key = "" }
        END { if (uri != "" && types ~ /deb/) emit() }
        function emit(  n, list, i) {
            n = split(suites, list, " ")
            for (i = 1; i <= n; i++)
                printf "deb-src [signed-by=%s] %s %s%s\n", key, uri, list[i], components
        }
    ' "$file" >> "$sources"
}
add_source /etc/apt/sources.list.d/debian.sources
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >> "$sources"
fi
mkdir -p "$work/lists/partial" "$work/archives/partial"
apt_options=(-o Dir::Etc::SourceList="$sources" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$work/lists" -o Dir::Cache::Archives="$work/archives"
    -o APT::Sandbox::User=root -qq)
apt-get "${apt_options[@]}" update >/dev/null
(cd "$work" && apt-get "${apt_options[@]}" source --download-only "$name=$version" >/dev/null)

orig=$(find "$work" -maxdepth 1 -name "${name}_*.orig.tar.*" ! -name '*.asc' | head -n 1)
if [ -z "$orig" ]; then
    echo "$name $version: no upstream tarball in the source package" >&2
    exit 1
fi
actual=$(sha256sum "$orig" | cut -d' ' -f1)
if [ "$actual" != "$sha" ]; then
    echo "$name $version: sha256 of $(basename "$orig") is $actual, expected $sha" >&2
    exit 1
fi
rm -rf "$dest"
mkdir -p "$dest"
tar -xf "$orig" -C "$dest" --strip-components=1
if [ -n "$patches" ]; then
    debian=$(find "$work" -maxdepth 1 -name "${name}_*.debian.tar.*" | head -n 1)
    if [ -z "$debian" ]; then
        echo "$name $version: no Debian tarball in the source package" >&2
        exit 1
    fi
    mkdir -p "$work/debian-tree"
    tar -xf "$debian" -C "$work/debian-tree"
    series="$work/debian-tree/debian/patches/series"
    if [ -f "$series" ]; then
        grep -v -E '^[[:space:]]*(#|$)' "$series" | while read -r patch _; do
            patch -d "$dest" -p1 -s --no-backup-if-mismatch < "$work/debian-tree/debian/patches/$patch"
        done
    fi
fi
echo "$name $version $sha $patches" > "$stamp"
