// The main window's keyboard shortcuts: one table gives the accelerators and the key hints that
// menus and tooltips show beside the language file's texts.
#pragma once

#include <windows.h>

#include <string>

#include "common/Handles.h"

namespace pictrove {

// Ctrl+O, Ctrl+A, Ctrl+C, Ctrl+S and Ctrl+Shift+S for their commands, F1 for About.
UniqueAccelerators CreateFrameAccelerators();

// "Ctrl+S" for a command, or empty when it has no shortcut.
std::wstring ShortcutHint(UINT command);

// "Copy image\tCtrl+C": the menu's way, right-aligned by the menu. Text that already carries a
// tab (a translation with its own hint) is kept as it is.
std::wstring MenuTextWithShortcut(const std::wstring& text, UINT command);

// "Open File (Ctrl+O)": the tooltip's way; kept as it is when the text already names the keys.
std::wstring TooltipWithShortcut(const std::wstring& text, UINT command);

// Adds the hints to the items of a menu and its sub-menus, before it is made owner-drawn.
void AddShortcutsToMenu(HMENU menu);

}  // namespace pictrove
