#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pictrove under Wine with an optional document.
# Without a display it runs under Xvfb, saves a screenshot to build/screenshot.png and stops.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

args=()
if [ $# -gt 0 ]; then
    args=("$(winepath -w "$(realpath "$1")")")
fi
if [ $headless -eq 1 ]; then
    wine "$build/bin/Pictrove.exe" "${args[@]}" &
    app=$!
    sleep "${PICTROVE_SCREENSHOT_DELAY:-6}"
    import -window root "$build/screenshot.png"
    echo "Screenshot: $build/screenshot.png"
    kill $app 2>/dev/null || true
else
    wine "$build/bin/Pictrove.exe" "${args[@]}"
fi
