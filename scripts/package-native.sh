#!/usr/bin/env bash
# Builds the native part and makes its Debian package, build/native/pictrove_<version>_amd64.deb:
# the command line, its manual page, the Python module and the licences, with the Depends the
# shared libraries call for.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/native"
"$root/scripts/build-native.sh"
for tool in dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || missing=1
done
if [ -n "${missing:-}" ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
fi
(cd "$out" && cpack -G DEB >/dev/null)
ls "$out"/pictrove_*_amd64.deb
