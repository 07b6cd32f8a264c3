// Fonts and bitmaps for a screen density.
#include "ui/Dpi.h"

#include "common/Handles.h"
#include "common/TopDownBitmap.h"

namespace pictrove {

HFONT CreateMessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    using ForDpiFunction = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = reinterpret_cast<ForDpiFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        // Without a per-dpi answer the system's font is for the screen's own dpi.
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
        ScopedGetDC screen(nullptr);
        const int screenDpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
        metrics.lfMessageFont.lfHeight =
            RescaleDpi(metrics.lfMessageFont.lfHeight, screenDpi > 0 ? screenDpi : 96, dpi);
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HBITMAP StretchBitmap(HBITMAP source, int width, int height) {
    BITMAP info{};
    if (!source || width <= 0 || height <= 0 || !GetObjectW(source, sizeof(info), &info)) return nullptr;
    const BITMAPINFO header = TopDownBitmapInfo(width, height, 24);
    ScopedGetDC screen(nullptr);
    void* bits = nullptr;
    UniqueBitmap target(CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc from(CreateCompatibleDC(screen.Get()));
    UniqueMemoryDc to(CreateCompatibleDC(screen.Get()));
    if (!target || !from || !to) return nullptr;
    ScopedSelectObject selectFrom(from.Get(), source);
    ScopedSelectObject selectTo(to.Get(), target.Get());
    // Nearest pixel: a smoothed edge would blend into the mask colour the image lists key on and
    // leave a fringe of it around every image.
    SetStretchBltMode(to.Get(), COLORONCOLOR);
    if (!StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY)) {
        return nullptr;
    }
    return target.Detach();
}

}  // namespace pictrove
