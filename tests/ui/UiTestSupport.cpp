// Pixel read-back and host windows for the painting tests.
#include "tests/ui/UiTestSupport.h"

#include "tests/support/TestSupport.h"
#include "ui/OwnerDrawnMenu.h"

namespace pictrove::test {

namespace {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

COLORREF FromDib(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace

Pixels CaptureWindow(HWND hwnd, bool whole) {
    Pixels pixels;
    RECT rect{};
    if (whole) {
        GetWindowRect(hwnd, &rect);
        OffsetRect(&rect, -rect.left, -rect.top);
    } else {
        GetClientRect(hwnd, &rect);
    }
    pixels.width = rect.right;
    pixels.height = rect.bottom;
    if (pixels.width <= 0 || pixels.height <= 0) return pixels;
    HDC source = whole ? GetWindowDC(hwnd) : GetDC(hwnd);
    UniqueMemoryDc memory(CreateCompatibleDC(source));
    UniqueBitmap bitmap(CreateCompatibleBitmap(source, pixels.width, pixels.height));
    {
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, pixels.width, pixels.height, source, 0, 0, SRCCOPY);
    }
    ReleaseDC(hwnd, source);
    std::vector<uint32_t> raw(static_cast<size_t>(pixels.width) * pixels.height);
    BITMAPINFO info = TopDown32(pixels.width, pixels.height);
    GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(pixels.height), raw.data(), &info, DIB_RGB_COLORS);
    pixels.data.reserve(raw.size());
    for (uint32_t p : raw) pixels.data.push_back(FromDib(p));
    return pixels;
}

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    dc_.Reset(CreateCompatibleDC(nullptr));
    bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint32_t*>(bits);
    previous_ = SelectObject(dc_.Get(), bitmap_.Get());
    UniqueBrush brush(CreateSolidBrush(fill));
    const RECT all{0, 0, width, height};
    FillRect(dc_.Get(), &all, brush.Get());
    GdiFlush();
}

COLORREF Canvas::At(int x, int y) const {
    GdiFlush();
    return FromDib(bits_[static_cast<size_t>(y) * width_ + x]);
}

Pixels Canvas::Read() const {
    GdiFlush();
    Pixels pixels{width_, height_, {}};
    for (int i = 0; i < width_ * height_; ++i) pixels.data.push_back(FromDib(bits_[i]));
    return pixels;
}

TestHost::TestHost() {
    RegisterWindowClassOnce(L"PictroveUiTestHost", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                            reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    Create(L"PictroveUiTestHost", nullptr, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 1000, 500});
    PumpMessages();
}

std::span<const MessageEntry<TestHost>> TestHost::MessageTable() {
    static constexpr MessageEntry<TestHost> kTable[] = {
        OnMessage<TestHost>(WM_MEASUREITEM, &TestHost::OnMeasureItem),
        OnMessage<TestHost>(WM_DRAWITEM, &TestHost::OnDrawItem),
        OnMessage<TestHost>(WM_COMMAND, &TestHost::OnCommand),
    };
    return kTable;
}

LRESULT TestHost::OnMeasureItem(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = pictrove::OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    if (handled) ++measured;
    return TRUE;
}

LRESULT TestHost::OnDrawItem(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = pictrove::OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    if (handled) ++drawn;
    return TRUE;
}

LRESULT TestHost::OnCommand(UINT, WPARAM wParam, LPARAM, bool&) {
    commands.push_back(LOWORD(wParam));
    return 0;
}

ScopedSysColor::ScopedSysColor(int index, COLORREF color) : index_(index), old_(GetSysColor(index)) {
    SetSysColors(1, &index_, &color);
}

ScopedSysColor::~ScopedSysColor() {
    SetSysColors(1, &index_, &old_);
}

}  // namespace pictrove::test
