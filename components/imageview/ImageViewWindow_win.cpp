// The image-view control's window: painting through a back buffer, scroll bars, zoom by wheel
// and keys, drag to pan.
#include "components/imageview/ImageViewControl_win.h"

#include <windowsx.h>

#include <cmath>

#include "common/ScreenDpi.h"
#include "common/TopDownBitmap.h"

// Sent to child windows when their top-level window moved to a screen of another density.
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace pictrove::imageview {

namespace {

uint32_t ColorToPixel(COLORREF color) {
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

LRESULT ImageViewControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_PAINT: {
            ScopedPaint paint(hwnd_);
            Paint(paint.Get());
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CREATE:
            ApplyDpi();
            return 0;
        case WM_DPICHANGED_AFTERPARENT:
            ApplyDpi();
            Redraw();
            return 0;
        case WM_SIZE:
            UpdateLayout();
            Redraw();
            return 0;
        case WM_HSCROLL:
            OnScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            OnScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0,
                         (GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) != 0, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        case WM_MOUSEHWHEEL:
            if (geometry_.ScrollBy(GET_WHEEL_DELTA_WPARAM(wParam) * lineStep_ / WHEEL_DELTA, 0)) {
                SyncScrollBars();
                Redraw();
            }
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(wParam);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            if (geometry_.MaxScrollX() > 0 || geometry_.MaxScrollY() > 0) {
                dragging_ = true;
                dragStart_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                dragScroll_ = {geometry_.ScrollX(), geometry_.ScrollY()};
                SetCapture(hwnd_);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_) {
                const int x = GET_X_LPARAM(lParam);
                const int y = GET_Y_LPARAM(lParam);
                if (geometry_.ScrollTo(dragScroll_.x - (x - dragStart_.x), dragScroll_.y - (y - dragStart_.y))) {
                    SyncScrollBars();
                    Redraw();
                }
            }
            return 0;
        case WM_LBUTTONUP:
            if (dragging_) ReleaseCapture();
            dragging_ = false;
            return 0;
        case WM_CAPTURECHANGED:
            dragging_ = false;
            return 0;
        case WM_LBUTTONDBLCLK:
            if (geometry_.Fit()) {
                UpdateLayout();
                Redraw();
            }
            return 0;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SetFocus(hwnd_);
            handled = false;
            return 0;
        case WM_SETFOCUS:
            UIActivate();
            Redraw();
            return 0;
        case WM_KILLFOCUS:
            Redraw();
            return 0;
        case WM_GETOBJECT: {
            const LRESULT answer = AnswerGetObject(wParam, lParam);
            handled = answer != 0;
            return answer;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && (geometry_.MaxScrollX() > 0 || geometry_.MaxScrollY() > 0)) {
                SetCursor(LoadCursorW(nullptr, dragging_ ? IDC_SIZEALL : IDC_HAND));
                return TRUE;
            }
            handled = false;
            return 0;
        case WM_SYSCOLORCHANGE:
            Redraw();
            return 0;
        default:
            handled = false;
            return 0;
    }
}

void ImageViewControl::Paint(HDC dc) {
    if (!dc) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0) return;
    if (!backBuffer_ || width != backWidth_ || height != backHeight_) {
        backBuffer_.Reset();
        backBits_ = nullptr;
        const BITMAPINFO info = TopDownBitmapInfo(width, height);  // like the renderer's rows
        void* bits = nullptr;
        backBuffer_.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!backBuffer_ || !bits) {
            backBuffer_.Reset();
            FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
            return;
        }
        backBits_ = static_cast<uint32_t*>(bits);
        backWidth_ = width;
        backHeight_ = height;
    }
    GdiFlush();
    renderer_.Render(geometry_, ColorToPixel(GetSysColor(COLOR_WINDOW)), backBits_, width, height, width);
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    ScopedSelectObject select(memory.Get(), backBuffer_.Get());
    BitBlt(dc, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    // The focus cue: a dotted frame just inside the edge, over picture and background alike.
    if (GetFocus() == hwnd_) {
        RECT frame = client;
        InflateRect(&frame, -1, -1);
        DrawFocusRect(dc, &frame);
    }
}

void ImageViewControl::UpdateLayout() {
    if (!hwnd_ || inLayout_) return;
    inLayout_ = true;
    // The whole window, bars included: the geometry decides which bars the picture needs.
    RECT window{};
    GetWindowRect(hwnd_, &window);
    geometry_.SetArea(window.right - window.left, window.bottom - window.top, GetSystemMetrics(SM_CXVSCROLL),
                      GetSystemMetrics(SM_CYHSCROLL));
    SyncScrollBars();
    inLayout_ = false;
    NotifyDescriptionChange();
}

void ImageViewControl::SyncScrollBars() {
    if (!hwnd_) return;
    const ScrollBars& bars = geometry_.Bars();
    SCROLLINFO info{sizeof(info)};
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (bars.horizontal) {
        info.nMax = geometry_.ScaledWidth() - 1;
        info.nPage = static_cast<UINT>(geometry_.ViewWidth());
        info.nPos = geometry_.ScrollX();
        SetScrollInfo(hwnd_, SB_HORZ, &info, TRUE);
    }
    ShowScrollBar(hwnd_, SB_HORZ, bars.horizontal);
    if (bars.vertical) {
        info.nMax = geometry_.ScaledHeight() - 1;
        info.nPage = static_cast<UINT>(geometry_.ViewHeight());
        info.nPos = geometry_.ScrollY();
        SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
    }
    ShowScrollBar(hwnd_, SB_VERT, bars.vertical);
}

void ImageViewControl::Redraw() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

POINT ImageViewControl::ViewCentre() const {
    return {geometry_.ViewWidth() / 2, geometry_.ViewHeight() / 2};
}

void ImageViewControl::ZoomIn(POINT anchor) {
    if (geometry_.ZoomIn(anchor.x, anchor.y)) {
        UpdateLayout();
        Redraw();
    }
}

void ImageViewControl::ZoomOut(POINT anchor) {
    if (geometry_.ZoomOut(anchor.x, anchor.y)) {
        UpdateLayout();
        Redraw();
    }
}

void ImageViewControl::OnScroll(int bar, int request) {
    const bool horizontal = bar == SB_HORZ;
    const int page = horizontal ? geometry_.ViewWidth() : geometry_.ViewHeight();
    const int current = horizontal ? geometry_.ScrollX() : geometry_.ScrollY();
    int target = current;
    switch (request) {
        case SB_LINEUP:
            target -= lineStep_;
            break;
        case SB_LINEDOWN:
            target += lineStep_;
            break;
        case SB_PAGEUP:
            target -= std::max(page - lineStep_, lineStep_);
            break;
        case SB_PAGEDOWN:
            target += std::max(page - lineStep_, lineStep_);
            break;
        case SB_TOP:
            target = 0;
            break;
        case SB_BOTTOM:
            target = horizontal ? geometry_.MaxScrollX() : geometry_.MaxScrollY();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The 32-bit track position; the message carries only 16 bits.
            SCROLLINFO info{sizeof(info)};
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(hwnd_, bar, &info)) target = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    const bool moved =
        horizontal ? geometry_.ScrollTo(target, geometry_.ScrollY()) : geometry_.ScrollTo(geometry_.ScrollX(), target);
    if (moved) {
        SyncScrollBars();
        Redraw();
    }
}

void ImageViewControl::OnKeyDown(WPARAM key) {
    const bool control = KeyDown(VK_CONTROL);
    if (control) {
        switch (key) {
            case VK_OEM_PLUS:
            case VK_ADD:
                ZoomIn(ViewCentre());
                return;
            case VK_OEM_MINUS:
            case VK_SUBTRACT:
                ZoomOut(ViewCentre());
                return;
            case '0':
            case VK_NUMPAD0:
                if (geometry_.Fit()) {
                    UpdateLayout();
                    Redraw();
                }
                return;
            default:
                break;
        }
    }
    switch (key) {
        case VK_LEFT:
            OnScroll(SB_HORZ, SB_LINEUP);
            break;
        case VK_RIGHT:
            OnScroll(SB_HORZ, SB_LINEDOWN);
            break;
        case VK_UP:
            OnScroll(SB_VERT, SB_LINEUP);
            break;
        case VK_DOWN:
            OnScroll(SB_VERT, SB_LINEDOWN);
            break;
        case VK_PRIOR:
            OnScroll(SB_VERT, SB_PAGEUP);
            break;
        case VK_NEXT:
            OnScroll(SB_VERT, SB_PAGEDOWN);
            break;
        case VK_HOME:
            OnScroll(SB_VERT, SB_TOP);
            OnScroll(SB_HORZ, SB_TOP);
            break;
        case VK_END:
            OnScroll(SB_VERT, SB_BOTTOM);
            OnScroll(SB_HORZ, SB_BOTTOM);
            break;
        default:
            break;
    }
}

void ImageViewControl::OnMouseWheel(int delta, bool control, bool shift, POINT screenPoint) {
    // Fine-grained wheels send less than a notch; whole notches are what count.
    wheelRemainder_ += delta;
    const int notches = wheelRemainder_ / WHEEL_DELTA;
    wheelRemainder_ -= notches * WHEEL_DELTA;
    if (notches == 0) return;
    if (control) {
        POINT anchor = screenPoint;
        ScreenToClient(hwnd_, &anchor);
        for (int i = 0; i < std::abs(notches); ++i) {
            if (notches > 0)
                ZoomIn(anchor);
            else
                ZoomOut(anchor);
        }
        return;
    }
    const int step = -notches * lineStep_ * 3;
    const bool moved = shift ? geometry_.ScrollBy(step, 0) : geometry_.ScrollBy(0, step);
    if (moved) {
        SyncScrollBars();
        Redraw();
    }
}

void ImageViewControl::ApplyDpi() {
    const UINT dpi = WindowDpi(hwnd_);
    renderer_.SetCheckerCell(ScaleToDpi(kCheckerCell, dpi));
    lineStep_ = ScaleToDpi(kLineStep, dpi);
}

}  // namespace pictrove::imageview
