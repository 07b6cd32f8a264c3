// Vertical splitter window.
#include "ui/Splitter.h"

#include <windowsx.h>

#include <algorithm>

#include "common/Handles.h"

namespace pictrove {

std::span<const MessageEntry<Splitter>> Splitter::MessageTable() {
    static constexpr MessageEntry<Splitter> kTable[] = {
        OnMessage<Splitter>(WM_CREATE, &Splitter::OnCreate),
        OnMessage<Splitter>(WM_SIZE, &Splitter::OnSize),
        OnMessage<Splitter>(WM_ERASEBKGND, &Splitter::OnEraseBackground),
        OnMessage<Splitter>(WM_PAINT, &Splitter::OnPaint),
        OnMessage<Splitter>(WM_SETCURSOR, &Splitter::OnSetCursor),
        OnMessage<Splitter>(WM_LBUTTONDOWN, &Splitter::OnLButtonDown),
        OnMessage<Splitter>(WM_MOUSEMOVE, &Splitter::OnMouseMove),
        OnMessage<Splitter>(WM_LBUTTONUP, &Splitter::OnLButtonUp),
        OnMessage<Splitter>(WM_CAPTURECHANGED, &Splitter::OnCaptureChanged),
        OnMessage<Splitter>(WM_SETFOCUS, &Splitter::OnSetFocus),
        OnMessage<Splitter>(WM_KILLFOCUS, &Splitter::OnKillFocus),
        OnMessage<Splitter>(WM_GETDLGCODE, &Splitter::OnGetDlgCode),
        OnMessage<Splitter>(WM_KEYDOWN, &Splitter::OnKeyDown),
        // The panes' notifications belong to the frame, which reflects them back to the panes.
        OnMessage<Splitter>(WM_NOTIFY, &Splitter::OnForwardToParent),
        OnMessage<Splitter>(WM_COMMAND, &Splitter::OnForwardToParent),
        OnMessage<Splitter>(WM_CONTEXTMENU, &Splitter::OnForwardToParent),
        OnMessage<Splitter>(WM_DRAWITEM, &Splitter::OnForwardToParent),
        OnMessage<Splitter>(WM_MEASUREITEM, &Splitter::OnForwardToParent),
    };
    return kTable;
}

HWND Splitter::Create(HWND parent, const RECT& rect, DWORD style) {
    RegisterWindowClassOnce(kClassName, StandardWindowProc, CS_DBLCLKS, nullptr,
                            reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return Window::Create(kClassName, parent, L"", style, 0, rect);
}

LRESULT Splitter::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    barWidth_ = GetSystemMetrics(SM_CXSIZEFRAME);
    if (barWidth_ <= 0) barWidth_ = 4;
    // The system's metrics are those of the screen the window starts on.
    dpi_ = WindowDpi(Hwnd());
    return 0;
}

void Splitter::SetDpi(UINT dpi) {
    if (dpi == 0 || dpi == dpi_) return;
    barWidth_ = std::max(1, RescaleDpi(barWidth_, dpi_, dpi));
    if (position_ != -1) position_ = RescaleDpi(position_, dpi_, dpi);
    if (keptPosition_ != -1) keptPosition_ = RescaleDpi(keptPosition_, dpi_, dpi);
    dpi_ = dpi;
    LayoutPanes();
}

void Splitter::SetPanes(HWND left, HWND right) {
    panes_[0] = left;
    panes_[1] = right;
    LayoutPanes();
}

int Splitter::ClampPosition(int position) const {
    RECT client{};
    if (Hwnd()) GetClientRect(Hwnd(), &client);
    const int width = client.right - client.left;
    if (position == -1) position = (width - barWidth_) / 2;
    if (position < MinPaneSize() + kBarEdge) position = MinPaneSize();
    const int upper = width - barWidth_ - kBarEdge - MinPaneSize();
    if (upper < MinPaneSize()) {
        // Both minimums do not fit: half each, at most where the user put the bar.
        position = std::min(position, std::max(upper, (width - barWidth_) / 2));
    } else if (position > upper) {
        position = upper;
    }
    return std::max(position, 0);
}

void Splitter::SetPosition(int position) {
    if (position == -1) {
        RECT client{};
        if (Hwnd()) GetClientRect(Hwnd(), &client);
        // The middle can only be found once the window has a width; until then it stays asked for.
        position_ = client.right > 0 ? ClampPosition(-1) : -1;
    } else {
        position_ = position < MinPaneSize() + kBarEdge ? MinPaneSize() : position;
    }
    keptPosition_ = position_;
    LayoutPanes();
}

void Splitter::LayoutPanes() {
    if (!Hwnd()) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (position_ == -1 && client.right > 0) {
        position_ = ClampPosition(-1);
        if (keptPosition_ == -1) keptPosition_ = position_;
    }
    const int shown = DisplayPosition();
    const int height = client.bottom - client.top;
    HDWP defer = BeginDeferWindowPos(2);
    if (panes_[0] && defer) {
        defer = DeferWindowPos(defer, panes_[0], nullptr, 0, 0, shown, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (panes_[1] && defer) {
        const int left = shown + barWidth_;
        defer = DeferWindowPos(defer, panes_[1], nullptr, left, 0, std::max(0, static_cast<int>(client.right) - left),
                               height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (defer) EndDeferWindowPos(defer);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

LRESULT Splitter::OnSize(UINT, WPARAM, LPARAM, bool&) {
    // The left pane keeps its width; the limits move only the bar shown, not the one kept.
    LayoutPanes();
    return 0;
}

LRESULT Splitter::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) {
    return 1;
}

LRESULT Splitter::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    ScopedPaint paint(Hwnd());
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const int shown = DisplayPosition();
    RECT bar{shown, client.top, shown + barWidth_, client.bottom};
    FillRect(paint.Get(), &bar, GetSysColorBrush(GetFocus() == Hwnd() ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    // Panes that are missing leave their area to the bar colour as well.
    if (!panes_[0]) {
        RECT left{0, 0, shown, client.bottom};
        FillRect(paint.Get(), &left, GetSysColorBrush(COLOR_APPWORKSPACE));
    }
    if (!panes_[1]) {
        RECT right{shown + barWidth_, 0, client.right, client.bottom};
        FillRect(paint.Get(), &right, GetSysColorBrush(COLOR_WINDOW));
    }
    return 0;
}

bool Splitter::IsOverBar(int x) const {
    const int shown = DisplayPosition();
    return x >= shown && x < shown + barWidth_;
}

LRESULT Splitter::OnSetCursor(UINT, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (reinterpret_cast<HWND>(wParam) != Hwnd() || LOWORD(lParam) != HTCLIENT) {
        handled = false;
        return 0;
    }
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(Hwnd(), &point);
    if (!IsOverBar(point.x) && !dragging_) {
        handled = false;
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
    return TRUE;
}

void Splitter::DrawGhostBar(int position) {
    HDC dc = GetDCEx(Hwnd(), nullptr, DCX_CACHE | DCX_PARENTCLIP | DCX_LOCKWINDOWUPDATE);
    if (!dc) dc = GetDC(Hwnd());
    if (!dc) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    static const WORD kHalftone[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    UniqueBitmap pattern(CreateBitmap(8, 8, 1, 1, kHalftone));
    UniqueBrush brush(CreatePatternBrush(pattern.Get()));
    {
        ScopedSelectObject select(dc, brush.Get());
        PatBlt(dc, position, client.top, barWidth_, client.bottom - client.top, PATINVERT);
    }
    ReleaseDC(Hwnd(), dc);
}

LRESULT Splitter::OnLButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled) {
    const int x = GET_X_LPARAM(lParam);
    if (!IsOverBar(x)) {
        handled = false;
        return 0;
    }
    dragging_ = true;
    dragPosition_ = DisplayPosition();
    dragOffset_ = x - dragPosition_;
    SetCapture(Hwnd());
    DrawGhostBar(dragPosition_);
    return 0;
}

LRESULT Splitter::OnMouseMove(UINT, WPARAM, LPARAM lParam, bool& handled) {
    if (!dragging_) {
        handled = false;
        return 0;
    }
    const int next = ClampPosition(GET_X_LPARAM(lParam) - dragOffset_);
    if (next != dragPosition_) {
        DrawGhostBar(dragPosition_);
        dragPosition_ = next;
        DrawGhostBar(dragPosition_);
    }
    return 0;
}

LRESULT Splitter::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
    if (!dragging_) {
        handled = false;
        return 0;
    }
    DrawGhostBar(dragPosition_);
    dragging_ = false;
    ReleaseCapture();
    SetPosition(dragPosition_);
    // The outline was inverted over the panes; a header redrawn under it in between keeps a
    // stale divider until everything below the bar paints again.
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
}

LRESULT Splitter::OnCaptureChanged(UINT, WPARAM, LPARAM, bool&) {
    if (dragging_) {
        // Lost the mouse mid-drag (Alt+Tab, say): drop the outline and keep the old position.
        DrawGhostBar(dragPosition_);
        dragging_ = false;
    }
    return 0;
}

LRESULT Splitter::OnSetFocus(UINT, WPARAM, LPARAM, bool&) {
    keptPosition_ = position_;
    InvalidateRect(Hwnd(), nullptr, FALSE);
    return 0;
}

LRESULT Splitter::OnKillFocus(UINT, WPARAM, LPARAM, bool&) {
    if (position_ != keptPosition_) {
        position_ = keptPosition_;
        LayoutPanes();
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
    return 0;
}

LRESULT Splitter::OnGetDlgCode(UINT, WPARAM, LPARAM, bool&) {
    return DLGC_WANTARROWS;
}

LRESULT Splitter::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled) {
    const int step = GetKeyState(VK_CONTROL) < 0 ? 1 : ScaleToDpi(kKeyboardStep, dpi_);
    switch (wParam) {
        case VK_LEFT:
        case VK_RIGHT:
            // From where the bar shows: a position kept beyond a narrow window moves from the bar.
            position_ = ClampPosition(DisplayPosition() + (wParam == VK_LEFT ? -step : step));
            LayoutPanes();
            return 0;
        case VK_RETURN:
            keptPosition_ = position_;
            return 0;
        case VK_ESCAPE:
            position_ = keptPosition_;
            LayoutPanes();
            return 0;
        default:
            handled = false;
            return 0;
    }
}

LRESULT Splitter::OnForwardToParent(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    return SendMessageW(GetParent(Hwnd()), message, wParam, lParam);
}

}  // namespace pictrove
