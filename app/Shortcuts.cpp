// Keyboard shortcuts of the main window.
#include "app/Shortcuts.h"

#include <iterator>

#include "resources/ResourceIds.h"

namespace pictrove {

namespace {

struct Shortcut {
    UINT command;
    WORD key;
    bool ctrl;
    bool shift;
    const wchar_t* hint;
};

constexpr Shortcut kShortcuts[] = {
    {IDM_OPEN, 'O', true, false, L"Ctrl+O"},
    {IDM_SELECT_ALL, 'A', true, false, L"Ctrl+A"},
    {IDM_COPY_IMAGE, 'C', true, false, L"Ctrl+C"},
    {IDM_EXTRACT_SELECTED, 'S', true, false, L"Ctrl+S"},
    {IDM_EXTRACT_ALL, 'S', true, true, L"Ctrl+Shift+S"},
    {IDM_ABOUT, VK_F1, false, false, L"F1"},
};

}  // namespace

UniqueAccelerators CreateFrameAccelerators() {
    ACCEL table[std::size(kShortcuts)]{};
    for (size_t i = 0; i < std::size(kShortcuts); ++i) {
        const Shortcut& shortcut = kShortcuts[i];
        table[i].fVirt = static_cast<BYTE>(FVIRTKEY | (shortcut.ctrl ? FCONTROL : 0) | (shortcut.shift ? FSHIFT : 0));
        table[i].key = shortcut.key;
        table[i].cmd = static_cast<WORD>(shortcut.command);
    }
    return UniqueAccelerators(CreateAcceleratorTableW(table, static_cast<int>(std::size(table))));
}

std::wstring ShortcutHint(UINT command) {
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.command == command) return shortcut.hint;
    }
    return {};
}

std::wstring MenuTextWithShortcut(const std::wstring& text, UINT command) {
    const std::wstring hint = ShortcutHint(command);
    if (hint.empty() || text.empty() || text.find(L'\t') != std::wstring::npos) return text;
    return text + L"\t" + hint;
}

std::wstring TooltipWithShortcut(const std::wstring& text, UINT command) {
    const std::wstring hint = ShortcutHint(command);
    if (hint.empty() || text.find(hint) != std::wstring::npos) return text;
    return text.empty() ? hint : text + L" (" + hint + L")";
}

void AddShortcutsToMenu(HMENU menu) {
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW item{sizeof(item)};
        item.fMask = MIIM_SUBMENU | MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        wchar_t text[256] = L"";
        item.dwTypeData = text;
        item.cch = static_cast<UINT>(std::size(text));
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item)) continue;
        if (item.hSubMenu) {
            AddShortcutsToMenu(item.hSubMenu);
            continue;
        }
        if (item.fType & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP)) continue;
        std::wstring labelled = MenuTextWithShortcut(text, item.wID);
        if (labelled == text) continue;
        MENUITEMINFOW update{sizeof(update)};
        update.fMask = MIIM_STRING;
        update.dwTypeData = labelled.data();
        SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &update);
    }
}

}  // namespace pictrove
