// Busy overlay shown while OpenDocument blocks the message loop.
#include "reader/BusyOverlay.h"

#include <algorithm>

#include "common/ScreenDpi.h"
#include "ui/AccessibleAnnotations.h"

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

void BusyOverlay::Configure(HWND owner, std::wstring text, COLORREF background, COLORREF textColor) {
    owner_ = owner;
    text_ = std::move(text);
    background_ = background;
    textColor_ = textColor;
}

void BusyOverlay::Show() {
    if (++showCount_ != 1) return;
    if (!Hwnd()) {
        RegisterWindowClassOnce(kOverlayClass, StandardWindowProc, 0, LoadCursorW(nullptr, IDC_WAIT), nullptr);
        // An opaque notice rather than a translucent layer over the whole window: where layered
        // windows are not composed (Wine's virtual desktop, X without a compositing manager) such a
        // layer shows as a solid black sheet that hides the whole window.
        if (Create(kOverlayClass, owner_, L"", WS_POPUP | WS_BORDER, WS_EX_NOACTIVATE, RECT{})) {
            LOGFONTW logFont{};
            if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(logFont), &logFont, 0)) {
                font_.Reset(CreateFontIndirectW(&logFont));
            }
            // The notice is painted, so screen readers get its text as the window's name, spoken
            // at once whenever the notice appears.
            AnnotateAccessibleName(Hwnd(), text_);
            MarkLiveRegion(Hwnd(), LiveSetting::kAssertive);
        }
    }
    if (Hwnd()) Place();
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
        AnnounceLiveRegion(Hwnd());
        RepaintNow(Hwnd());
        // Wine hands painted pixels to the display when the thread next finds its queue empty;
        // the open that follows keeps it from looking, so it looks once now, for a paint that
        // is not pending.
        MSG pending{};
        PeekMessageW(&pending, Hwnd(), WM_PAINT, WM_PAINT, PM_NOREMOVE);
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

void BusyOverlay::Place() {
    RECT owner{};
    if (owner_) GetWindowRect(owner_, &owner);
    RECT text{};
    {
        ScopedGetDC dc(Hwnd());
        ScopedSelectObject selectFont(dc.Get(), font_.Get());
        DrawTextW(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &text,
                  DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    }
    const UINT dpi = WindowDpi(owner_);
    RECT frame{0, 0, text.right + 2 * ScaleToDpi(24, dpi), text.bottom + 2 * ScaleToDpi(16, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(Hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(Hwnd(), GWL_EXSTYLE)));
    // Never wider or taller than the window it speaks for.
    const int width = std::min<int>(frame.right - frame.left, owner.right - owner.left);
    const int height = std::min<int>(frame.bottom - frame.top, owner.bottom - owner.top);
    SetWindowPos(Hwnd(), nullptr, (owner.left + owner.right - width) / 2, (owner.top + owner.bottom - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
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
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    return 0;
}

LRESULT BusyOverlay::OnSetCursor(UINT, WPARAM, LPARAM, bool&) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
}

}  // namespace pictrove
