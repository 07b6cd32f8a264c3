#!/usr/bin/env bash
# The packages as a Windows user meets them, under Wine: the installer run silently, what it put
# where, the program it installed started with a document, the uninstaller run silently and
# nothing left behind; then the portable zip unpacked into a folder whose path has spaces and
# letters outside ASCII, started the same way.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
if [ -z "${WINEPREFIX:-}" ]; then
    # shellcheck source=scripts/wine-env.sh
    source "$root/scripts/wine-env.sh"
    trap wine_env_stop EXIT
fi
# Shortcuts made here must not become menu entries of the machine running the test.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winemenubuilder.exe=d"
# Paths outside ASCII reach Wine intact only through a UTF-8 locale.
export LC_ALL=C.UTF-8

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
expect_equal() {  # what actual expected
    if [ "$2" != "$3" ]; then fail "$1: got [$2], expected [$3]"; fi
}
windows_path() { winepath -w "$1" 2>/dev/null; }
unix_path() { winepath -u "$1" 2>/dev/null; }
reg_value() {  # key value -> data of a REG_SZ or REG_DWORD value, empty when missing
    # Wine's reg tool now and then answers nothing on a loaded machine: ask up to three times.
    local data="" attempt
    for attempt in 1 2 3; do
        data=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p")
        [ -n "$data" ] && break
    done
    printf '%s\n' "$data"
}
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }
# Every key line of HKEY_CURRENT_USER, values included, without the ones Wine itself keeps
# changing while programs run.
hkcu_snapshot() {
    local file="$work/hkcu.reg"
    rm -f "$file"
    wine reg export HKCU "$(windows_path "$file")" /y >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' |
        awk '/^\[/ { key = $0 } { print key " " $0 }' |
        grep -v -E '^\[HKEY_CURRENT_USER\\Software\\Wine\\|\\Explorer\\|Volatile|ShellNoRoam|MRU' | sort -u
}

exe="$build/bin/Pictrove.exe"
probe="$build/bin/package_window_probe.exe"
version=$(x86_64-w64-mingw32-windres -J coff -i "$exe" -O rc | sed -n 's/^ *FILEVERSION *//p' | tr -d ' ' | tr ',' '.')
setup="$build/package/Pictrove-$version-setup.exe"
zip="$build/package/Pictrove-$version-portable.zip"
if [ ! -f "$setup" ] || [ ! -f "$zip" ] || [ "$exe" -nt "$setup" ] || [ "$exe" -nt "$zip" ]; then
    "$root/scripts/package.sh" || exit 1
fi
[ -f "$setup" ] || { echo "FAILED: no installer named with the version $version"; exit 1; }
[ -f "$zip" ] || { echo "FAILED: no portable zip named with the version $version"; exit 1; }

work="$build/package-test"
rm -rf "$work"
mkdir -p "$work"
# A document of three pictures: a three-page TIFF.
convert -size 64x48 xc:red xc:green xc:blue "$work/pages.tif" || exit 1

# What a program of this version ships: the program, the components its manifest names, the
# language file, the readme and every licence text; never a settings file.
mapfile -t components < <(grep -o '<file name="[^"]*"' "$build/manifests/Pictrove.manifest" | sed 's/.*name="//; s/"$//')
shipped=(Pictrove.exe PictroveCli.exe PictroveResource.xml ReadMe.txt "${components[@]}")
if [ -d "$build/bin/licences" ]; then
    for licence in "$build"/bin/licences/*.txt; do shipped+=("licences/$(basename "$licence")"); done
fi
expected_files=$(printf '%s\n' "${shipped[@]}" | sort)
[ -n "$(ls "$build"/bin/licences/zlib.txt 2>/dev/null)" ] || fail "zlib is linked in, but its licence is not among the files to ship"

# ---- Installer
local_appdata=$(unix_path "$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')")
roaming=$(unix_path "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')")
install_dir="$local_appdata/Programs/Pictrove"
shortcut="$roaming/Microsoft/Windows/Start Menu/Programs/Pictrove.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pictrove'
application_key='HKCU\Software\Classes\Applications\Pictrove.exe'
if [ -e "$install_dir" ] || [ -e "$shortcut" ] || [ -e "$roaming/Pictrove" ] || reg_key_exists "$uninstall_key" ||
    reg_key_exists "$application_key"; then
    echo "note: removing what an earlier interrupted run left"
    rm -rf "$install_dir" "$shortcut" "$roaming/Pictrove"
    wine reg delete "$uninstall_key" /f >/dev/null 2>&1
    wine reg delete "$application_key" /f >/dev/null 2>&1
fi
programs_existed=0
[ -d "$local_appdata/Programs" ] && programs_existed=1
# Keys every Windows user profile has; a young Wine prefix may lack them, and an installer that
# makes them is not writing "elsewhere".
for key in 'HKCU\Software\Classes\Applications' 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    wine reg add "$key" /f >/dev/null 2>&1
done
registry_before=$(hkcu_snapshot)

echo "--- installer, silent, German"
wine "$setup" /S /LANGUAGE=de
expect_equal "installer exit code" "$?" 0
installed_files=$(cd "$install_dir" 2>/dev/null && find . -type f -printf '%P\n' | sort)
expect_equal "installed files" "$installed_files" \
    "$(printf '%s\n' "${shipped[@]}" Uninstall.exe PictroveSetting.xml | sort)"
cmp -s "$exe" "$install_dir/Pictrove.exe" || fail "the installed program is not the built one"
expect_equal "settings written for the chosen language" "$(tr -d '\r' < "$install_dir/PictroveSetting.xml" 2>/dev/null)" \
    "$(printf '<?xml version="1.0" encoding="UTF-8"?>\n<Setting><General><Language ID="de"/></General></Setting>')"
if [ -f "$shortcut" ]; then
    grep -aq 'Pictrove\\Pictrove.exe' "$shortcut" || fail "the shortcut does not lead to the installed program"
else
    fail "no Start-menu shortcut"
fi

windows_install_dir=$(windows_path "$install_dir")
expect_equal "DisplayName" "$(reg_value "$uninstall_key" DisplayName)" "Pictrove"
expect_equal "DisplayVersion" "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
[ -n "$(reg_value "$uninstall_key" Publisher)" ] || fail "no Publisher"
expect_equal "DisplayIcon" "$(reg_value "$uninstall_key" DisplayIcon)" "$windows_install_dir\\Pictrove.exe,0"
expect_equal "UninstallString" "$(reg_value "$uninstall_key" UninstallString)" "\"$windows_install_dir\\Uninstall.exe\""
size_kb=$(($(reg_value "$uninstall_key" EstimatedSize)))
actual_kb=$(du -sk --apparent-size "$install_dir" | cut -f1)
((size_kb > actual_kb * 9 / 10 && size_kb < actual_kb * 11 / 10)) ||
    fail "EstimatedSize $size_kb KB for $actual_kb KB installed"
expect_equal "Open-with command" "$(wine reg query "$application_key\\shell\\open\\command" /ve 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p')" "\"$windows_install_dir\\Pictrove.exe\" \"%1\""
types=$(wine reg query "$application_key\\SupportedTypes" 2>/dev/null | tr -d '\r' | sed -n 's/^ *\(\.[^ ]*\) *REG_SZ.*/\1/p' | sort)
for type in .pdf .epub .xps .fb2 .mobi .tif .cbz .doc .png; do
    grep -qx -- "$type" <<<"$types" || fail "\"Open with\" not offered for $type"
done
for type in .zip .fb2.zip; do
    grep -qx -- "$type" <<<"$types" && fail "\"Open with\" claims $type"
done
# Nothing else in the registry: no file type made to open with Pictrove by default.
registry_installed=$(hkcu_snapshot)
stray=$(comm -13 <(echo "$registry_before") <(echo "$registry_installed") |
    grep -v -F -e '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pictrove]' \
        -e '[HKEY_CURRENT_USER\Software\Classes\Applications\Pictrove.exe')
[ -z "$stray" ] || fail "the installer wrote elsewhere in the registry: $stray"

echo "--- the installed program with a document"
# Opening selects the first row; the status bar then says so in the installed language.
selected_text() {  # language id -> text of string 214 for one picture
    awk -v id="$1" '/<Language ID="/ { on = index($0, "<Language ID=\"" id "\"") > 0 }
        on && /<String ID="214"/ { sub(/.*Data="/, ""); sub(/".*/, ""); print; exit }' "$build/bin/PictroveResource.xml" |
        sed 's/%d/1/'
}
german=$(selected_text de)
[ -n "$german" ] && [ "$german" != "1 images selected" ] || fail "no German text to tell the language by"
wine "$probe" "$windows_install_dir\\Pictrove.exe" "$(windows_path "$work/pages.tif")" "pages.tif - Pictrove" 3 "$german" ||
    fail "the installed program did not show the document in German"
grep -q '<MainWindow' "$install_dir/PictroveSetting.xml" || fail "the installed program did not save its settings"

# The uninstaller, started by hand and closed on its first page, speaks the installed language:
# its caption is NSIS's own uninstall caption for that language.
uninstaller_speaks() {  # language id, NSIS language name
    local nlf="/usr/share/nsis/Contrib/Language files/$2.nlf" expected shown
    expected=$(sed -n '/^# ^UninstallCaption/{n;p;q}' "$nlf" 2>/dev/null | tr -d '\r' | sed 's/\$(^Name)/Pictrove/')
    [ -n "$expected" ] || { fail "no uninstall caption in $nlf"; return; }
    # NSIS ends the caption with a space.
    shown=$(wine "$probe" --dialog "$windows_install_dir\\Uninstall.exe" | tr -d '\r' | sed 's/ *$//')
    expect_equal "uninstaller caption after installing \"$1\"" "$shown" "$expected"
    [ -f "$install_dir/Pictrove.exe" ] || fail "closing the uninstaller's first page removed the program"
}
uninstaller_speaks de German

echo "--- installer again over the program's settings, Russian"
settings_before=$(cat "$install_dir/PictroveSetting.xml")
wine "$setup" /S /LANGUAGE=ru
expect_equal "second installer exit code" "$?" 0
expect_equal "settings after the second install" "$(cat "$install_dir/PictroveSetting.xml")" \
    "${settings_before/<Language ID=\"de\"\/>/<Language ID=\"ru\"/>}"
wine "$setup" /S /LANGUAGE=DE
expect_equal "exit code for a language the program does not have" "$?" 2
grep -q '<Language ID="ru"/>' "$install_dir/PictroveSetting.xml" || fail "a refused language changed the settings"
uninstaller_speaks ru Russian

uninstall() {
    wine "$install_dir/Uninstall.exe" /S
    # The uninstaller runs a copy of itself from the temporary folder and returns at once.
    for _ in $(seq 1 150); do
        [ ! -e "$install_dir/Uninstall.exe" ] && ! reg_key_exists "$uninstall_key" && break
        sleep 0.2
    done
    sleep 0.5
}

echo "--- uninstaller, silent, with a picture the user saved into the program folder"
printf 'not ours' > "$install_dir/My picture.png"
uninstall
expect_equal "left in the program folder" "$(cd "$install_dir" 2>/dev/null && find . -mindepth 1 -printf '%P\n')" "My picture.png"
rm -f "$install_dir/My picture.png"

echo "--- installer and uninstaller again: nothing left"
wine "$setup" /S
expect_equal "third installer exit code" "$?" 0
# Without /LANGUAGE a silent install takes the system's language, English under this locale.
grep -q '<Language ID="en"/>' "$install_dir/PictroveSetting.xml" 2>/dev/null ||
    fail "a silent install without a language did not write the system's language"
uninstall
[ ! -e "$install_dir" ] || fail "the program folder was left: $(cd "$install_dir" && find . -mindepth 1)"
[ $programs_existed -eq 1 ] || [ ! -e "$local_appdata/Programs" ] || fail "the Programs folder was left"
[ ! -e "$shortcut" ] || fail "the shortcut was left"
[ ! -e "$roaming/Pictrove" ] || fail "a settings folder was left"
expect_equal "registry after the uninstall" "$(comm -3 <(echo "$registry_before") <(hkcu_snapshot))" ""

# ---- Portable zip
echo "--- portable zip"
expect_equal "zip contents" "$(unzip -Z1 "$zip" | grep -v '/$' | sort)" "$(sed 's|^|Pictrove/|' <<<"$expected_files")"
folder="$work/Pictrove Tést ünïcödé 写真"
mkdir -p "$folder"
unzip -q "$zip" -d "$folder" || fail "the zip does not unpack"
cp "$work/pages.tif" "$folder/Seiten ü.tif"
registry_before=$(hkcu_snapshot)
wine "$probe" "$(windows_path "$folder/Pictrove/Pictrove.exe")" "$(windows_path "$folder/Seiten ü.tif")" \
    "Seiten ü.tif - Pictrove" 3 "1 images selected" || fail "the portable program did not show the document"
grep -q '<Language ID=""/>' "$folder/Pictrove/PictroveSetting.xml" 2>/dev/null ||
    fail "the portable program did not keep its settings beside itself"
[ ! -e "$roaming/Pictrove" ] || fail "the portable program wrote into the user's folder"
expect_equal "registry after the portable run" "$(comm -3 <(echo "$registry_before") <(hkcu_snapshot))" ""

if ((failures)); then
    echo "package tests: $failures failed"
    exit 1
fi
rm -rf "$work"
echo "package tests: installer, installed program, uninstaller and portable zip as expected"
