#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through Wine under Xvfb.
# Ends with ctest's summary.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
# Source-level checks first: they take a second and name the file at fault.
"$root/scripts/check-format.sh"
"$root/scripts/check-layering.sh"
# The extraction engine and the native pictrove: no Wine, and proof they need nothing of Windows.
"$root/scripts/test-engine-native.sh"
"$root/scripts/test-native.sh"
"$root/scripts/build.sh"
# The readers' portable core, built and tested natively: no Wine, and proof that it needs nothing of Windows.
"$root/scripts/test-readers-core-native.sh"
# The zip and the installer users download; the package tests below install and run them.
"$root/scripts/package.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT
status=0
(cd "$build" && ctest --output-on-failure --timeout 300 "$@") > "$build/ctest.log" 2>&1 || status=$?
# Everything but the summary first, so the summary is what the run ends with.
summary_start=$(grep -n -E '^[0-9]+% tests passed' "$build/ctest.log" | tail -1 | cut -d: -f1 || true)
if [ -n "$summary_start" ]; then
    head -n $((summary_start - 1)) "$build/ctest.log"
    tail -n +"$summary_start" "$build/ctest.log"
else
    cat "$build/ctest.log"
fi
exit $status
