#!/usr/bin/env bash
# Sourced: prepares a private Wine prefix inside the build folder and a display, in the order
# that avoids hangs (display, persistent wineserver, warm-up). Call wine_env_stop at the end.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PICTROVE_BUILD_DIR:-$root/build}"
mkdir -p "$build"
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all,err+module}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# One size for the X screen and Wine's virtual desktop, or screenshots get a black band.
PICTROVE_SCREEN="1280x1024"
PICTROVE_XVFB_PID=""
if [ -z "${DISPLAY:-}" ]; then
    # A display of our own: one that another shell took a moment earlier, or one whose server
    # failed to start, is passed over, so no other shell's stop can take ours away. Shells that
    # never call wine_env_stop keep theirs, so look far enough for a free one.
    for n in $(seq 90 599); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${PICTROVE_SCREEN}x24" -nolisten tcp >/dev/null 2>&1 &
        candidate=$!
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$candidate" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$candidate" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ] &&
            [ "$(cat "/tmp/.X$n-lock" 2>/dev/null | tr -d ' ')" = "$candidate" ]; then
            PICTROVE_XVFB_PID=$candidate
            export DISPLAY=":$n"
            break
        fi
        kill "$candidate" 2>/dev/null || true
    done
    if [ -z "${DISPLAY:-}" ]; then
        echo "wine-env: no free X display between :90 and :599" >&2
        return 1
    fi
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # A crash ends the program instead of waiting on a dialog; a virtual desktop spares every
    # window activation the two-second wait of a display without a window manager.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wineserver -w
fi
# Window captions draw their buttons with Marlett; Wine does not pick it up from its own font
# folder here, so the prefix gets a copy (otherwise the buttons show as "0 1 r").
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Marlett (TrueType)' \
        /d marlett.ttf /f >/dev/null 2>&1
    wineserver -w
fi
# Chinese and Japanese dialogs use the system's user-interface font like the others; Windows links
# that font to the locale's CJK face. The prefix gets Debian's CJK faces, linked to Tahoma (what
# "MS Shell Dlg" stands for) the same way, so those texts show real glyphs instead of boxes.
pictrove_cjk_fonts=(
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc|WenQuanYi Micro Hei (TrueType)|WenQuanYi Micro Hei"
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf|IPAGothic (TrueType)|IPAGothic"
)
if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/ipag.ttf" ] && [ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ]; then
    links=""
    for entry in "${pictrove_cjk_fonts[@]}"; do
        IFS='|' read -r file registered face <<<"$entry"
        [ -f "$file" ] || continue
        name="$(basename "$file")"
        cp "$file" "$WINEPREFIX/drive_c/windows/Fonts/"
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v "$registered" /d "$name" /f \
            >/dev/null 2>&1
        links="${links:+$links\0}$name,$face"
    done
    for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
            /t REG_MULTI_SZ /d "$links" /f >/dev/null 2>&1
    done
    wineserver -w
fi
# A server already kept running for this prefix (an earlier source in this shell) is fine.
wineserver -p 2>/dev/null || true
# Set on every start, so a prefix made with another size follows the screen too.
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$PICTROVE_SCREEN" /f >/dev/null 2>&1
wineboot >/dev/null 2>&1 || true

wine_env_stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "$PICTROVE_XVFB_PID" ]; then kill "$PICTROVE_XVFB_PID" 2>/dev/null || true; fi
}
