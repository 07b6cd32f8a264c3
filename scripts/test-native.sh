#!/usr/bin/env bash
# Builds the native part (the readers' core, the extraction engine, the command line pictrove,
# the Python module) with the host compiler and runs its tests: no Wine, and proof that it needs
# nothing of Windows. Then makes the Debian package, installs it into an empty root and runs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${PICTROVE_BUILD_DIR:-$root/build}/native"
"$root/scripts/build-native.sh"
(cd "$out" && ctest --output-on-failure)
rm -f "$out"/pictrove_*.deb
"$root/scripts/package-native.sh" >/dev/null
"$root/tests/cli/deb-package.sh" "$out"/pictrove_*_amd64.deb "$out/pictrove_write_corpus"
