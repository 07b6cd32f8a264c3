#!/usr/bin/env bash
# Fails when a C++ file is not in the project's one formatting dialect (.clang-format).
# With --fix it formats them instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' ':!:third_party/**')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if clang-format --dry-run --Werror "${files[@]}" 2> "${TMPDIR:-/tmp}/pictrove-format.log"; then
    echo "Formatting: ${#files[@]} files in the house dialect."
else
    grep -E '^[^ ].*: (warning|error):' "${TMPDIR:-/tmp}/pictrove-format.log" | cut -d: -f1 | sort -u | sed 's/^/    not formatted: /'
    echo "Run scripts/check-format.sh --fix to format them."
    exit 1
fi
