#!/usr/bin/env bash
# Writes the package's copyright file: Pictrove's own notice, then the copyright and licence of
# every library the given programs link (their direct needs, as the dynamic linker resolves them
# on the building system) and of the headers compiled into them, as their Debian packages state
# them.
# usage: write-copyright.sh OUTPUT VERSION PROGRAM... [-- HEADER-PACKAGE...]
set -euo pipefail
out="$1" version="$2"
shift 2
programs=() headers=()
while (($#)); do
    [ "$1" = "--" ] && { shift; headers=("$@"); break; }
    programs+=("$1")
    shift
done

packages=()
for program in "${programs[@]}"; do
    mapfile -t needed < <(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    for library in "${needed[@]}"; do
        # The dynamic loader is listed by its path alone.
        path=$(ldd "$program" | awk -v lib="$library" '$1 == lib { print $3 } $1 ~ ("/" lib "$") { print $1 }')
        [ -n "$path" ] || { echo "$program: $library is not found" >&2; exit 1; }
        # Debian's merged /usr: the package database names /lib paths.
        owner=$(dpkg-query -S "$(realpath "$path")" 2>/dev/null || dpkg-query -S "${path/#\/usr\/lib/\/lib}" 2>/dev/null ||
            dpkg-query -S "$path" 2>/dev/null) || { echo "$path belongs to no package" >&2; exit 1; }
        packages+=("${owner%%:*}")
    done
done
mapfile -t packages < <(printf '%s\n' "${packages[@]}" "${headers[@]}" | sort -u)

{
    cat <<NOTICE
Pictrove $version
Pulls the pictures out of documents: the command line pictrove and the Python module pictrove.

Copyright (c) the Pictrove developers.

Pictrove links the libraries below through the shared libraries of their Debian packages, and
compiles in the header-only ones among them. Each library's copyright and licence follow as its
package states them.
NOTICE
    for package in "${packages[@]}"; do
        echo
        echo "==============================================================================="
        echo "$package $(dpkg-query -W -f='${Version}' "$package")"
        echo "==============================================================================="
        cat "/usr/share/doc/$package/copyright"
    done
} >"$out"
