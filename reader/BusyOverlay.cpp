// Busy overlay shown while OpenDocument blocks the message loop.
#include "reader/BusyOverlay.h"

namespace pictrove {

namespace {

constexpr wchar_t kOverlayClass[] = L"PictroveBusyOverlay";

void RepaintNow(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

}  // namespace

std::span<const MessageEntry<BusyOverlay>> BusyOverlay::MessageTable() {
    static constexpr MessageEntry<BusyOverlay> kTable[] = {
        OnMessage<BusyOverlay>(WM_ERASEBKGND, &BusyOverlay::OnEraseBackground),
        OnMessage<BusyOverlay>(WM_PAINT, &BusyOverlay::OnPaint),
        OnMessage<BusyOverlay>(WM_SETCURSOR, &BusyOverlay::OnSetCursor),
    };
    return kTable;
}

void BusyOverlay::Configure(HWND owner, std::wstring text, COLORREF background, COLORREF textColor, BYTE alpha) {
    owner_ = owner;
    text_ = std::move(text);
    background_ = background;
    textColor_ = textColor;
    alpha_ = alpha;
}

void BusyOverlay::Show() {
    if (++showCount_ != 1) return;
    RECT rect{};
    if (owner_) GetWindowRect(owner_, &rect);
    if (Hwnd()) {
        SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        RegisterWindowClassOnce(kOverlayClass, StandardWindowProc, 0, LoadCursorW(nullptr, IDC_WAIT), nullptr);
        if (Create(kOverlayClass, owner_, L"", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_LAYERED, rect)) {
            SetLayeredWindowAttributes(Hwnd(), 0, alpha_, LWA_ALPHA);
            LOGFONTW logFont{};
            if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(logFont), &logFont, 0)) {
                font_.Reset(CreateFontIndirectW(&logFont));
            }
        }
    }
    if (owner_) RepaintNow(owner_);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    HCURSOR current = GetCursor();
    if (current != wait) {
        savedCursor_ = current;
        setWaitCursor_ = true;
        SetCursor(wait);
    }
    if (Hwnd()) {
        ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
        RepaintNow(Hwnd());
    }
}

void BusyOverlay::Hide() {
    const int previous = showCount_--;
    if (previous != 1 && showCount_ >= 0) return;
    showCount_ = 0;
    if (!Hwnd()) return;
    ShowWindow(Hwnd(), SW_HIDE);
    if (setWaitCursor_) {
        SetCursor(savedCursor_);
        setWaitCursor_ = false;
        savedCursor_ = nullptr;
    }
}

LRESULT BusyOverlay::OnEraseBackground(UINT, WPARAM, LPARAM, bool&) {
    return 1;
}

LRESULT BusyOverlay::OnPaint(UINT, WPARAM, LPARAM, bool&) {
    ScopedPaint paint(Hwnd());
    RECT client{};
    GetClientRect(Hwnd(), &client);
    UniqueBrush brush(CreateSolidBrush(background_));
    FillRect(paint.Get(), &client, brush.Get());
    if (!text_.empty()) {
        ScopedSelectObject selectFont(paint.Get(), font_.Get());
        SetBkMode(paint.Get(), TRANSPARENT);
        SetTextColor(paint.Get(), textColor_);
        DrawTextW(paint.Get(), text_.c_str(), static_cast<int>(text_.size()), &client,
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    }
    return 0;
}

LRESULT BusyOverlay::OnSetCursor(UINT, WPARAM, LPARAM, bool&) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
}

}  // namespace pictrove
