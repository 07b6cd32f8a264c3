// Owner-drawn menu items and the flat frame of pop-up menu windows.
#include "ui/OwnerDrawnMenu.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "common/Handles.h"
#include "ui/Dpi.h"
#include "ui/MenuPalette.h"

namespace pictrove {

namespace {

constexpr int kTextBufferSize = 100;
constexpr int kSystemCheckMark = 32760;  // OBM_CHECK
constexpr LRESULT kRedrawAll = 0x300;    // WVR_REDRAW
constexpr wchar_t kPopupMenuClass[] = L"#32768";

// Item records live for the whole process; an item's data is its record's position.
struct RecordTable {
    std::vector<MenuItemRecord> records;
    std::optional<size_t> separator;
};

RecordTable& Records() {
    static RecordTable table;
    return table;
}

size_t SeparatorRecord() {
    RecordTable& table = Records();
    if (!table.separator) {
        MenuItemRecord separator;
        separator.type = MFT_SEPARATOR | MFT_OWNERDRAW;
        table.records.push_back(separator);
        table.separator = table.records.size() - 1;
    }
    return *table.separator;
}

UINT g_menuDpi = kDesignDpi;

// A length of the item layout at the menus' dpi.
int Scaled(int length) {
    return ScaleToDpi(length, g_menuDpi);
}

// The system's menu font, made once and kept for measuring.
struct MenuFont {
    LOGFONTW logFont{};
    UniqueFont font;
};

const MenuFont& GetMenuFont() {
    static const MenuFont menuFont = [] {
        MenuFont made;
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            made.logFont = metrics.lfMenuFont;
        } else {
            GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(made.logFont), &made.logFont);
        }
        made.font.Reset(CreateFontIndirectW(&made.logFont));
        return made;
    }();
    return menuFont;
}

COLORREF ColorRef(Rgb color) {
    return color.ToColorRef();
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    UniqueBrush brush(CreateSolidBrush(color));
    if (brush) FillRect(dc, &rect, brush.Get());
}

// A rectangle with a one-pixel pen border and a solid fill.
void FramedBox(HDC dc, const RECT& rect, COLORREF border, COLORREF fill) {
    UniquePen pen(CreatePen(PS_SOLID, 1, border));
    UniqueBrush brush(CreateSolidBrush(fill));
    ScopedSelectObject selectPen(dc, pen.Get());
    ScopedSelectObject selectBrush(dc, brush.Get());
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

// Text colour, background mode and colour go back to what they were.
class ScopedDcState {
  public:
    explicit ScopedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~ScopedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    ScopedDcState(const ScopedDcState&) = delete;
    ScopedDcState& operator=(const ScopedDcState&) = delete;

  private:
    HDC dc_;
    int saved_;
};

void DrawItemText(HDC dc, const RECT& rect, const MenuItemRecord& record, UINT state, const MenuColors& colors) {
    const bool grayed = (state & ODS_GRAYED) != 0;
    const bool selected = (state & ODS_SELECTED) != 0;
    SetTextColor(dc, ColorRef(grayed ? colors.grayText : selected ? colors.selectedText : colors.text));
    SetBkMode(dc, TRANSPARENT);

    LOGFONTW logFont{};
    UniqueFont weighted;
    if (GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(logFont), &logFont)) {
        logFont.lfWeight = (state & ODS_DEFAULT) ? FW_BOLD : FW_NORMAL;
        weighted.Reset(CreateFontIndirectW(&logFont));
    }
    ScopedSelectObject selectFont(dc, weighted.Get());

    const size_t tab = record.text.find(L'\t');
    const std::wstring label = record.text.substr(0, tab);
    // The mnemonic is underlined only while the user works the menu from the keyboard (the
    // system leaves out ODS_NOACCEL then), as in the system's own menus.
    const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    RECT labelRect{rect.left + Scaled(kMenuIconSize + 14), rect.top, rect.right, rect.bottom};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelRect,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    if (tab != std::wstring::npos) {
        const std::wstring shortcut = record.text.substr(tab + 1);
        RECT shortcutRect{rect.left, rect.top, rect.right - Scaled(12), rect.bottom};
        DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &shortcutRect,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
}

void DrawCheckBox(HDC dc, const RECT& rect, UINT state, const MenuColors& colors) {
    const bool grayed = (state & ODS_GRAYED) != 0;
    const bool selected = (state & ODS_SELECTED) != 0;
    const COLORREF fill = ColorRef(grayed ? colors.background : selected ? colors.highlight : colors.checked);
    FramedBox(dc, RECT{rect.left + 1, rect.top, rect.left + Scaled(kMenuButtonSize) - 3, rect.bottom - 2},
              ColorRef(colors.selectionFrame), fill);
    // The check mark is monochrome: its white becomes the box colour, its black the text colour.
    UniqueBitmap mark(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kSystemCheckMark)));
    if (!mark) return;
    SetBkColor(dc, fill);
    SetTextColor(dc, ColorRef(selected && !grayed ? colors.selectedText : colors.text));
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(mark.Get()), 0, rect.left + 5, rect.top + 2,
               Scaled(kMenuIconSize + 6), rect.bottom - rect.top, DST_BITMAP);
}

// The character a label's single ampersand marks, or 0; "&&" is a literal ampersand.
wchar_t Mnemonic(const std::wstring& text) {
    const size_t end = std::min(text.find(L'\t'), text.size());
    for (size_t i = 0; i + 1 < end; ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return text[i + 1];
        ++i;
    }
    return 0;
}

wchar_t UpperCase(wchar_t c) {
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(c))));
}

// ---- Pop-up frame ----

struct FrameHookState {
    HHOOK hook = nullptr;
    int hosts = 0;
    std::map<HWND, WNDPROC> previous;
};

FrameHookState& HookState() {
    static FrameHookState state;
    return state;
}

// A DC of the whole window, released when it goes.
class WindowDc {
  public:
    WindowDc(HWND hwnd, HRGN update) : hwnd_(hwnd) {
        // Clipped to the update region when the system allows it; it then owns the copy.
        if (update && update != reinterpret_cast<HRGN>(1)) {
            HRGN copy = CreateRectRgn(0, 0, 0, 0);
            if (copy && CombineRgn(copy, update, nullptr, RGN_COPY) != ERROR) {
                dc_ = GetDCEx(hwnd, copy, DCX_WINDOW | DCX_INTERSECTRGN | DCX_CACHE);
            }
            if (!dc_ && copy) DeleteObject(copy);
        }
        if (!dc_) dc_ = GetWindowDC(hwnd);
    }
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_ = nullptr;
};

void PaintPopupFrame(HWND hwnd, HRGN update) {
    WindowDc dc(hwnd, update);
    if (!dc.Get()) return;
    RECT window{};
    GetWindowRect(hwnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    // Never paint over the items, whatever region the DC was clipped to.
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    ExcludeClipRect(dc.Get(), client.left, client.top, client.right, client.bottom);

    const MenuColors colors = DeriveMenuColors(ReadSystemColors());
    UniqueBrush frame(CreateSolidBrush(ColorRef(colors.frame)));
    const RECT outer{0, 0, width, height};
    if (frame) FrameRect(dc.Get(), &outer, frame.Get());
    FillSolid(dc.Get(), RECT{1, 1, width - 1, 2}, ColorRef(colors.background));
    FillSolid(dc.Get(), RECT{1, height - 2, width - 1, height - 1}, ColorRef(colors.background));
    FillSolid(dc.Get(), RECT{1, 2, width - 1, height - 2}, ColorRef(colors.menuFill));
}

LRESULT HandlePopupMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC previous) {
    switch (message) {
        case WM_ERASEBKGND:
            return 0;
        case WM_WINDOWPOSCHANGING: {
            auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(position->flags & SWP_NOSIZE)) {
                position->cx -= 3;
                position->cy -= 2;
            }
            return 0;
        }
        case WM_NCCALCSIZE: {
            auto* rect = reinterpret_cast<RECT*>(lParam);  // first of NCCALCSIZE_PARAMS too
            if (wParam) {
                rect->left += 2;
                rect->top += 2;
                rect->right -= 1;
                rect->bottom -= 2;
            } else {
                rect->left += 2;
                rect->top += 1;
                rect->right -= 2;
                rect->bottom -= 2;
            }
            return kRedrawAll;
        }
        case WM_NCPAINT:
            PaintPopupFrame(hwnd, reinterpret_cast<HRGN>(wParam));
            return 0;
        case WM_DESTROY:
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            HookState().previous.erase(hwnd);
            return CallWindowProcW(previous, hwnd, message, wParam, lParam);
        default:
            return CallWindowProcW(previous, hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK PopupFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto& previous = HookState().previous;
    const auto found = previous.find(hwnd);
    if (found == previous.end()) return DefWindowProcW(hwnd, message, wParam, lParam);
    return HandlePopupMessage(hwnd, message, wParam, lParam, found->second);
}

bool IsPopupMenuWindow(HWND hwnd) {
    wchar_t name[16] = L"";
    return GetClassNameW(hwnd, name, 16) && wcscmp(name, kPopupMenuClass) == 0;
}

LRESULT CALLBACK FrameHookProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message && message->message == WM_CREATE && IsPopupMenuWindow(message->hwnd)) {
        auto& previous = HookState().previous;
        if (!previous.count(message->hwnd)) {
            try {
                WNDPROC& slot = previous[message->hwnd];
                slot = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(message->hwnd, GWLP_WNDPROC));
                if (slot) {
                    SetWindowLongPtrW(message->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PopupFrameProc));
                } else {
                    previous.erase(message->hwnd);
                }
            } catch (...) {
                // Out of memory: this pop-up keeps the system's border.
            }
        }
    }
    return CallNextHookEx(HookState().hook, code, wParam, lParam);
}

}  // namespace

const MenuItemRecord* FindMenuItemRecord(ULONG_PTR itemData) {
    const auto& records = Records().records;
    return itemData < records.size() ? &records[itemData] : nullptr;
}

size_t MenuItemRecordCount() {
    return Records().records.size();
}

void ConvertMenu(HMENU menu, bool topLevel) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[kTextBufferSize] = L"";
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = kTextBufferSize;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;

        size_t index = 0;
        if (info.fType & MFT_SEPARATOR) {
            index = SeparatorRecord();
        } else {
            if (info.hSubMenu) ConvertMenu(info.hSubMenu, false);
            MenuItemRecord record;
            record.topLevel = topLevel;
            record.text.assign(text, wcsnlen(text, kTextBufferSize - 1));
            record.type = info.fType | MFT_OWNERDRAW;
            record.state = info.fState;
            record.commandId = info.wID;
            Records().records.push_back(std::move(record));
            index = Records().records.size() - 1;
        }
        MENUITEMINFOW update{};
        update.cbSize = sizeof(update);
        update.fMask = MIIM_FTYPE | MIIM_DATA;
        update.fType = info.fType | MFT_OWNERDRAW;
        update.dwItemData = index;
        SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &update);
    }
}

bool OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU) return false;
    const MenuItemRecord* record = FindMenuItemRecord(item.itemData);
    if (!record) return false;
    if (record->type & MFT_SEPARATOR) {
        item.itemWidth = 0;
        item.itemHeight = 3;
        return true;
    }
    const MenuFont& menuFont = GetMenuFont();
    UniqueFont defaultFont;
    if (record->state & MFS_DEFAULT) {
        LOGFONTW bold = menuFont.logFont;
        bold.lfWeight += 200;
        defaultFont.Reset(CreateFontIndirectW(&bold));
    }
    ScopedGetDC screen(nullptr);
    RECT extent{};
    {
        ScopedSelectObject selectFont(screen.Get(), defaultFont ? defaultFont.Get() : menuFont.font.Get());
        DrawTextW(screen.Get(), record->text.c_str(), static_cast<int>(record->text.size()), &extent,
                  DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
    }
    item.itemHeight = static_cast<UINT>(std::abs(menuFont.logFont.lfHeight) + 11);
    item.itemWidth =
        static_cast<UINT>(extent.right - extent.left + (record->topLevel ? 5 : 2 * Scaled(kMenuButtonSize) + 5));
    return true;
}

void SetMenuDpi(UINT dpi) {
    if (dpi != 0) g_menuDpi = dpi;
}

UINT MenuDpi() {
    return g_menuDpi;
}

bool OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU) return false;
    const MenuItemRecord* record = FindMenuItemRecord(item.itemData);
    if (!record) return false;
    HDC dc = item.hDC;
    const RECT& rect = item.rcItem;
    const MenuColors colors = DeriveMenuColors(ReadSystemColors());
    ScopedDcState keep(dc);

    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool grayed = (item.itemState & ODS_GRAYED) != 0;
    if (selected && !grayed) {
        FramedBox(dc, RECT{rect.left, rect.top, rect.right - 1, rect.bottom}, ColorRef(colors.selectionFrame),
                  ColorRef(colors.highlight));
    } else {
        const int gutterEnd = rect.left + Scaled(kMenuIconSize + 6);
        FillSolid(dc, RECT{rect.left, rect.top, gutterEnd, rect.bottom}, ColorRef(colors.gutter));
        FillSolid(dc, RECT{gutterEnd, rect.top, rect.right, rect.bottom}, ColorRef(colors.background));
    }

    if (record->type & MFT_SEPARATOR) {
        UniquePen pen(CreatePen(PS_SOLID, 1, ColorRef(colors.grayText)));
        ScopedSelectObject selectPen(dc, pen.Get());
        const int y = (rect.top + rect.bottom) / 2;
        // A fixed x, unlike the text: Wine sets pop-up items 3 pixels in, Windows at 0.
        MoveToEx(dc, Scaled(kMenuIconSize + 14), y, nullptr);
        LineTo(dc, rect.right, y);
        return true;
    }
    DrawItemText(dc, rect, *record, item.itemState, colors);
    if (item.itemState & ODS_CHECKED) DrawCheckBox(dc, rect, item.itemState, colors);
    return true;
}

LRESULT OnMenuChar(HMENU menu, wchar_t typed) {
    const wchar_t wanted = UpperCase(typed);
    const int count = menu && wanted ? GetMenuItemCount(menu) : 0;
    int first = -1, afterSelected = -1, matches = 0, selected = -1;
    bool firstEnabled = false;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_STATE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
        if (info.fState & MFS_HILITE) selected = position;
        const MenuItemRecord* record = (info.fType & MFT_OWNERDRAW) ? FindMenuItemRecord(info.dwItemData) : nullptr;
        if (!record || (record->type & MFT_SEPARATOR) || UpperCase(Mnemonic(record->text)) != wanted) continue;
        if (matches++ == 0) {
            first = position;
            firstEnabled = (info.fState & MFS_DISABLED) == 0;
        }
        if (afterSelected < 0 && selected >= 0 && position > selected) afterSelected = position;
    }
    if (matches == 0) return MAKELRESULT(0, MNC_IGNORE);
    // One item: run it, as the system does with its own items; a grayed one is only shown.
    if (matches == 1) return MAKELRESULT(first, firstEnabled ? MNC_EXECUTE : MNC_SELECT);
    // Several share the letter: each press moves on to the next of them.
    return MAKELRESULT(afterSelected >= 0 ? afterSelected : first, MNC_SELECT);
}

PopupFrameHook::PopupFrameHook() {
    FrameHookState& state = HookState();
    if (state.hosts++ == 0) {
        state.hook = SetWindowsHookExW(WH_CALLWNDPROC, FrameHookProc, nullptr, GetCurrentThreadId());
    }
}

PopupFrameHook::~PopupFrameHook() {
    FrameHookState& state = HookState();
    if (--state.hosts == 0 && state.hook) {
        UnhookWindowsHookEx(state.hook);
        state.hook = nullptr;
    }
}

bool PopupFrameHook::Installed() {
    return HookState().hook != nullptr;
}

size_t PopupFrameHook::FramedWindowCount() {
    return HookState().previous.size();
}

}  // namespace pictrove
