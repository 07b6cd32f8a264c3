#!/usr/bin/env bash
# Packs the built program for Windows users into build/package/:
#   Pictrove-<version>-portable.zip  the program folder, to unpack and run anywhere
#   Pictrove-<version>-setup.exe     a per-user installer (NSIS), no administrator rights
# <version> is read from the version resource of the built Pictrove.exe.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
bin="$build/bin"
out="$build/package"
exe="$bin/Pictrove.exe"
fail() {
    echo "package: $*" >&2
    exit 1
}
[ -f "$exe" ] || fail "$exe is missing: build first (scripts/build.sh)"

version=$(x86_64-w64-mingw32-windres -J coff -i "$exe" -O rc | sed -n 's/^ *FILEVERSION *//p' | tr -d ' ' |
    tr ',' '.')
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no version resource in $exe"

# The component DLLs are those the program's manifest names.
mapfile -t components < <(grep -o '<file name="[^"]*"' "$build/manifests/Pictrove.manifest" | sed 's/.*name="//; s/"$//')
((${#components[@]})) || fail "the program's manifest names no component"

stage="$out/stage/Pictrove"
rm -rf "$out/stage" "$out/nsis"
mkdir -p "$stage" "$out/nsis"
cp "$exe" "$stage/"
# The command-line companion finds the same components through its own manifest.
[ -f "$bin/PictroveCli.exe" ] || fail "$bin/PictroveCli.exe is missing"
cp "$bin/PictroveCli.exe" "$stage/"
for dll in "${components[@]}"; do
    [ -f "$bin/$dll" ] || fail "$bin/$dll is missing"
    cp "$bin/$dll" "$stage/"
done
cp "$bin/PictroveResource.xml" "$stage/"
if [ -d "$bin/licences" ]; then
    mkdir -p "$stage/licences"
    for licence in "$bin"/licences/*.txt; do
        sed 's/\r*$/\r/' "$licence" > "$stage/licences/$(basename "$licence")"
    done
fi
# Windows line breaks, so every editor shows the lines.
sed "s/@VERSION@/$version/; s/\r*$/\r/" "$root/packaging/ReadMe.txt" > "$stage/ReadMe.txt"

# The portable zip: one folder, no settings file (the program makes it on its first start).
zip_name="Pictrove-$version-portable.zip"
rm -f "$out"/Pictrove-*-portable.zip
(cd "$out/stage" && zip -q -X -r "$out/$zip_name" Pictrove)

# The installer's generated parts: the files, the languages and the "Open with" types.
generated="$out/nsis"
{
    current=""
    while IFS= read -r file; do
        folder=$(dirname "$file")
        if [ "$folder" != "$current" ]; then
            if [ "$folder" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\${folder//\//\\}\""; fi
            current="$folder"
        fi
        echo "File \"$stage/$file\""
    done < <(cd "$stage" && find . -type f -printf '%P\n' | sort)
} > "$generated/install-files.nsh"
{
    while IFS= read -r file; do echo "Delete \"\$INSTDIR\\${file//\//\\}\""; done < <(cd "$stage" && find . -type f -printf '%P\n' | sort)
    while IFS= read -r folder; do echo "RMDir \"\$INSTDIR\\${folder//\//\\}\""; done < <(cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort -r)
} > "$generated/uninstall-files.nsh"

extensions="$build/packaging/open-with-extensions.txt"
[ -s "$extensions" ] || fail "$extensions is missing: configure the build again"
sed 's/.*/WriteRegStr HKCU "${APPLICATION_KEY}\\SupportedTypes" "&" ""/' "$extensions" > "$generated/supported-types.nsh"

# Installer languages for the program's languages, by their IDs in the language file.
nsis_language() {
    case "$1" in
        en) echo English ;; de) echo German ;; fr) echo French ;; es) echo Spanish ;; ru) echo Russian ;;
        it) echo Italian ;; pt | pt-PT) echo Portuguese ;; pt-BR) echo PortugueseBR ;; nl) echo Dutch ;;
        pl) echo Polish ;; cs) echo Czech ;; sk) echo Slovak ;; uk) echo Ukrainian ;; be) echo Belarusian ;;
        bg) echo Bulgarian ;; sr) echo Serbian ;; hr) echo Croatian ;; sl) echo Slovenian ;; ro) echo Romanian ;;
        hu) echo Hungarian ;; el) echo Greek ;; tr) echo Turkish ;; sv) echo Swedish ;; da) echo Danish ;;
        nb | no) echo Norwegian ;; nn) echo NorwegianNynorsk ;; fi) echo Finnish ;; et) echo Estonian ;;
        lv) echo Latvian ;; lt) echo Lithuanian ;; is) echo Icelandic ;; ga) echo Irish ;; ca) echo Catalan ;;
        eu) echo Basque ;; gl) echo Galician ;; ja) echo Japanese ;; ko) echo Korean ;;
        zh | zh-CN | zh-Hans) echo SimpChinese ;; zh-TW | zh-Hant) echo TradChinese ;; he) echo Hebrew ;;
        ar) echo Arabic ;; fa) echo Farsi ;; hi) echo Hindi ;; id) echo Indonesian ;; ms) echo Malay ;;
        th) echo Thai ;; vi) echo Vietnamese ;; ka) echo Georgian ;; hy) echo Armenian ;; mk) echo Macedonian ;;
        sq) echo Albanian ;; af) echo Afrikaans ;; *) return 1 ;;
    esac
}
mapfile -t ids < <(grep -o '<Language ID="[^"]*"' "$bin/PictroveResource.xml" | sed 's/.*ID="//; s/"$//')
((${#ids[@]})) || fail "the language file has no language"
# English first when the file has it: the installer's fallback language.
ordered=()
for id in "${ids[@]}"; do [ "$id" = en ] && ordered=(en); done
for id in "${ids[@]}"; do [ "$id" != en ] && ordered+=("$id"); done
{
    declare -A seen=()
    for id in "${ordered[@]}"; do
        name=$(nsis_language "$id") || fail "no installer language for the language ID \"$id\": add it to nsis_language"
        [ -n "${seen[$name]:-}" ] && fail "two language IDs for the installer language $name"
        seen[$name]=1
        echo "!insertmacro MUI_LANGUAGE \"$name\""
    done
    echo 'Function LanguageIdOfInstaller'
    echo "    StrCpy \$0 \"${ordered[0]}\""
    for id in "${ordered[@]}"; do
        echo "    \${If} \$LANGUAGE = \${LANG_$(nsis_language "$id" | tr '[:lower:]' '[:upper:]')}"
        echo "        StrCpy \$0 \"$id\""
        echo '    ${EndIf}'
    done
    echo 'FunctionEnd'
    # The uninstaller's functions are its own ("un." prefix): the same body twice.
    for prefix in "" un.; do
        echo "Function ${prefix}InstallerLanguageOfId"
        echo '    StrCpy $1 ""'
        for id in "${ordered[@]}"; do
            echo "    \${If} \$0 S== \"$id\""
            echo "        StrCpy \$LANGUAGE \${LANG_$(nsis_language "$id" | tr '[:lower:]' '[:upper:]')}"
            echo "        StrCpy \$1 \"$id\""
            echo '    ${EndIf}'
        done
        echo 'FunctionEnd'
    done
} > "$generated/languages.nsh"

setup_name="Pictrove-$version-setup.exe"
rm -f "$out"/Pictrove-*-setup.exe
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$out/$setup_name" \
    -DSETLANGUAGE="$bin/PictroveSetLanguage.exe" -DICON="$root/resources/art/app.ico" -DGENERATED="$generated" \
    "$root/packaging/Pictrove.nsi"
echo "Packages: $out/$zip_name, $out/$setup_name"
