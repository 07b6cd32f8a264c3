// The header of a top-down bitmap without a palette, as every DIB section and SetDIBits/GetDIBits
// call of the program describes its rows: the first row in memory is the top one.
#pragma once

#include <windows.h>

namespace pictrove {

inline BITMAPINFO TopDownBitmapInfo(int width, int height, WORD bitsPerPixel = 32) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: rows run top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace pictrove
