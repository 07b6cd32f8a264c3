// Screen density: lengths are designed at 96 dots per inch and scaled to the monitor a window is on.
#pragma once

#include <windows.h>

namespace pictrove {

inline constexpr UINT kDesignDpi = 96;

// The dpi of the monitor the window is on where the system tells it per window (Windows 10 and
// later, Wine), otherwise the screen's; kDesignDpi without a window.
UINT WindowDpi(HWND window);

// A length designed at 96 dpi, at dpi; rounded to the nearest pixel.
inline int ScaleToDpi(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// A length shown at one dpi, at another: what a user-sized width becomes on another monitor.
inline int RescaleDpi(int length, UINT from, UINT to) {
    return from == 0 ? length : MulDiv(length, static_cast<int>(to), static_cast<int>(from));
}

// The system's font for message texts (lists, status bars) at dpi; null on failure.
HFONT CreateMessageFont(UINT dpi);

// A bitmap stretched to width by height, pixel by nearest pixel so a mask colour stays exact, as a
// 24-bit section; null on failure.
HBITMAP StretchBitmap(HBITMAP source, int width, int height);

}  // namespace pictrove
