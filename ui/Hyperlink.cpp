// Hyperlink static.
#include "ui/Hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

namespace pictrove {

std::span<const MessageEntry<Hyperlink>> Hyperlink::MessageTable() {
    static constexpr MessageEntry<Hyperlink> kTable[] = {
        OnMessage<Hyperlink>(WM_PAINT, &Hyperlink::OnPaint),
        OnMessage<Hyperlink>(WM_SETCURSOR, &Hyperlink::OnSetCursor),
        OnMessage<Hyperlink>(WM_LBUTTONUP, &Hyperlink::OnLButtonUp),
        OnMessage<Hyperlink>(WM_KEYDOWN, &Hyperlink::OnKeyDown),
        OnMessage<Hyperlink>(WM_GETDLGCODE, &Hyperlink::OnGetDlgCode),
        OnMessage<Hyperlink>(WM_SETFOCUS, &Hyperlink::OnFocusChange),
        OnMessage<Hyperlink>(WM_KILLFOCUS, &Hyperlink::OnFocusChange),
    };
    return kTable;
}

bool Hyperlink::AttachLink(HWND control, std::wstring target, bool reportClicks) {
    if (!control || !Attach(control)) return false;
    target_ = std::move(target);
    reportClicks_ = reportClicks;
    // Clicks reach a static only with SS_NOTIFY; a tab stop lets the keyboard follow the link too.
    SetWindowLongW(control, GWL_STYLE, GetWindowLongW(control, GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);
    LOGFONTW logFont{};
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont)) {
        logFont.lfUnderline = TRUE;
        underlined_.Reset(CreateFontIndirectW(&logFont));
    }
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

LRESULT Hyperlink::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    ScopedPaint paint(Hwnd());
    RECT client{};
    GetClientRect(Hwnd(), &client);
    // The dialog's own brush keeps the background the same as the labels around it.
    HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(Hwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(paint.Get()), reinterpret_cast<LPARAM>(Hwnd())));
    FillRect(paint.Get(), &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));
    const int length = GetWindowTextLengthW(Hwnd());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(Hwnd(), text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    ScopedSelectObject font(paint.Get(), underlined_.Get());
    SetBkMode(paint.Get(), TRANSPARENT);
    SetTextColor(paint.Get(), GetSysColor(COLOR_HOTLIGHT));
    DrawTextW(paint.Get(), text.c_str(), length, &client, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (GetFocus() == Hwnd()) DrawFocusRect(paint.Get(), &client);
    return 0;
}

LRESULT Hyperlink::OnSetCursor(UINT, WPARAM, LPARAM, bool&) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT Hyperlink::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
    Follow();
    handled = false;
    return 0;
}

LRESULT Hyperlink::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (wParam != VK_RETURN && wParam != VK_SPACE) {
        handled = false;
        return 0;
    }
    Follow();
    return 0;
}

// A static repaints nothing when the focus comes or goes: the focus rectangle would stay or
// never show.
LRESULT Hyperlink::OnFocusChange(UINT, WPARAM, LPARAM, bool& handled) {
    InvalidateRect(Hwnd(), nullptr, TRUE);
    handled = false;
    return 0;
}

LRESULT Hyperlink::OnGetDlgCode(UINT, WPARAM, LPARAM, bool&) {
    return DLGC_WANTCHARS | DLGC_BUTTON;
}

void Hyperlink::MarkVisited() {
    visited_ = true;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void Hyperlink::Follow() {
    if (reportClicks_) {
        NMHDR notify{Hwnd(), static_cast<UINT_PTR>(GetDlgCtrlID(Hwnd())), static_cast<UINT>(NM_CLICK)};
        SendMessageW(GetParent(Hwnd()), WM_NOTIFY, notify.idFrom, reinterpret_cast<LPARAM>(&notify));
        return;
    }
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) MarkVisited();
}

}  // namespace pictrove
