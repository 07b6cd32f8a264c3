#!/usr/bin/env bash
# Builds the native part (the readers' core, the extraction engine, the command line pictrove)
# with the host compiler and runs its tests: no Wine, and proof that it needs nothing of Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build-native.sh"
(cd "${PICTROVE_BUILD_DIR:-$root/build}/native" && ctest --output-on-failure)
