// Screen density: lengths are designed at 96 dots per inch and scaled to the screen a window is
// on. Header only, for the program and its components alike.
#pragma once

#include <windows.h>

namespace pictrove {

inline constexpr UINT kDesignDpi = 96;

// The dpi of the screen the window is on where the system tells it per window (Windows 10 and
// later, Wine), otherwise the screen's; kDesignDpi without a window.
inline UINT WindowDpi(HWND window) {
    if (!window) return kDesignDpi;
    // Looked up at run time: Windows 7 and 8 have no per-window dpi.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    const HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

// A length designed at 96 dpi, at dpi; rounded to the nearest pixel.
inline int ScaleToDpi(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// A length shown at one dpi, at another: what a user-sized width becomes on another screen.
inline int RescaleDpi(int length, UINT from, UINT to) {
    return from == 0 ? length : MulDiv(length, static_cast<int>(to), static_cast<int>(from));
}

}  // namespace pictrove
