#!/usr/bin/env bash
# Fails when a folder includes one it must not: the ground floor (common/, contracts/, ui/) and
# the component DLLs never reach up into the application's folders.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
app_folders='app|browse|cli|extract|reader|resources|ui'
status=0
check() {
    local where="$1" forbidden="$2"
    local hits
    hits=$(git grep -n -E "#include \"($forbidden)/" -- "$where" || true)
    if [ -n "$hits" ]; then
        echo "$where must not include $forbidden:"
        echo "$hits" | sed 's/^/    /'
        status=1
    fi
}
check 'contracts/' "$app_folders|components"
check 'common/' "$app_folders|components"
check 'ui/' 'app|browse|cli|extract|reader|resources|components'
check 'resources/' 'app|browse|cli|extract|reader|components'
check 'components/' "$app_folders"
[ $status -eq 0 ] && echo "Layering: no folder reaches up."
exit $status
