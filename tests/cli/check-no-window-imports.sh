#!/usr/bin/env bash
# Fails when the console companion imports anything that makes or drives a window.
set -euo pipefail
exe="$1"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { dll = $3 } /^\t[0-9a-f]+\t/ { print dll ":" $3 }')
if [ -z "$imports" ]; then
    echo "no import table read from $exe"
    exit 1
fi
window=$(echo "$imports" | grep -i -E '^(user32|comctl32|comdlg32)\.dll:' | grep -v -E ':LoadString[AW]$' || true)
if [ -n "$window" ]; then
    echo "window code in $exe:"
    echo "$window" | sed 's/^/    /'
    exit 1
fi
echo "$(echo "$imports" | wc -l) imports, none of them window code"
