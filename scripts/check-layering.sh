#!/usr/bin/env bash
# Fails when a folder includes one it must not: the ground floor (common/, contracts/, ui/) and
# the component DLLs never reach up into the application's folders, and the extraction engine
# (engine/), below the window's extraction and the command line, reaches neither up nor into
# Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
app_folders='app|browse|cli|engine|extract|reader|resources|ui'
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
check 'engine/' 'app|browse|cli|extract|reader|resources|ui|components'
# Siblings that stay apart: the command line has no window; opening, browsing and writing
# pictures are rooms side by side, each below the application.
check 'cli/' 'app|browse|ui'
check 'reader/' 'app|browse|cli|extract'
check 'browse/' 'app|cli|extract'
check 'extract/' 'app|browse|cli'
check 'cli/native/' 'cli/win|common|reader|extract'
# The Python module stands on the command line's work, natively.
check 'python/' 'app|browse|ui|extract|reader|common|cli/win'
# Portable code: no header of the Windows SDK, nor one of ours that exists only for Windows.
windows_headers='windows|win[a-z0-9]*|wrl/[a-z/]*|ole[a-z0-9]*|objbase|objidl|unknwn|combaseapi|gdiplus[a-z]*|shlwapi|shellapi|shlobj|commctrl|commdlg|msxml[0-9]*|propidl|psapi|tchar'
# The portable rooms: the engine, the readers' core, the command line but its Windows program, and
# the Python module.
portable=(engine/ components/readers/core/ cli/ ':!cli/win/' python/)
hits=$(git grep -n -E "#include <($windows_headers)\.h>|#include <wrl/" -- "${portable[@]}" || true)
if [ -n "$hits" ]; then
    echo "Portable code must not include Windows headers:"
    echo "$hits" | sed 's/^/    /'
    status=1
fi
for header in $(git grep -h -o -E '#include "(common|contracts|resources)/[A-Za-z0-9_]+\.h"' -- "${portable[@]}" | sed 's/#include "//; s/"$//' | sort -u); do
    if grep -q -E "#include <($windows_headers)\.h>|#include <wrl/" "$header"; then
        echo "Portable code includes $header, which includes Windows headers"
        status=1
    fi
done
[ $status -eq 0 ] && echo "Layering: no folder reaches up."
exit $status
