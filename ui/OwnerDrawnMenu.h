// Owner-drawn menus: every item of a loaded menu gets a record in one process-wide table and is
// measured and painted by us (icon gutter, pale highlight box, separators after the gutter,
// check box, right-aligned shortcut); a hook gives every pop-up menu window a one-pixel frame.
#pragma once

#include <windows.h>

#include <string>

namespace pictrove {

// Layout constants of a pop-up item at 96 dpi: icon size and button size.
inline constexpr int kMenuIconSize = 16;
inline constexpr int kMenuButtonSize = 24;

// The screen density menus are laid out for: that of the window that opens them, which tells
// whenever it changes. 96 until then.
void SetMenuDpi(UINT dpi);
UINT MenuDpi();

struct MenuItemRecord {
    bool topLevel = false;
    std::wstring text;  // at most 99 characters, the shortcut after a tab
    UINT type = 0;      // menu type flags with MFT_OWNERDRAW
    UINT state = 0;     // menu state flags when converted
    UINT commandId = 0;
};

// The record that item data names, or null when the data lies outside the table.
const MenuItemRecord* FindMenuItemRecord(ULONG_PTR itemData);
size_t MenuItemRecordCount();

// Makes every item of menu (and of its sub-menus, which are never top-level) owner-drawn with
// a record of its own; all separators share one record.
void ConvertMenu(HMENU menu, bool topLevel);

// WM_MEASUREITEM and WM_DRAWITEM of a menu host. False for other control types and for item
// data outside the table; then nothing was measured or drawn.
bool OnMeasureItem(MEASUREITEMSTRUCT& item);
bool OnDrawItem(const DRAWITEMSTRUCT& item);

// WM_MENUCHAR of a menu host: the system leaves mnemonics of owner-drawn items to their owner.
// The item whose text marks the typed character with "&" runs (or, grayed, is only selected);
// several such items are selected in turn; no match gives MNC_IGNORE.
LRESULT OnMenuChar(HMENU menu, wchar_t typed);

// Held by each menu host for its lifetime. While at least one is alive, every pop-up menu
// window created on the UI thread is subclassed to have a flat one-pixel frame instead of the
// system's border, and to be 3 pixels narrower and 2 pixels lower.
class PopupFrameHook {
  public:
    PopupFrameHook();
    ~PopupFrameHook();
    PopupFrameHook(const PopupFrameHook&) = delete;
    PopupFrameHook& operator=(const PopupFrameHook&) = delete;

    static bool Installed();
    // Pop-up menu windows that currently carry the frame.
    static size_t FramedWindowCount();
};

}  // namespace pictrove
