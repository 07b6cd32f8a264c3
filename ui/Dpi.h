// Screen density for the program's windows: the shared lengths, plus fonts and bitmaps made for
// a dpi.
#pragma once

#include <windows.h>

#include "common/ScreenDpi.h"

namespace pictrove {

// The system's font for message texts (lists, status bars) at dpi; null on failure.
HFONT CreateMessageFont(UINT dpi);

// A bitmap stretched to width by height, pixel by nearest pixel so a mask colour stays exact, as a
// 24-bit section; null on failure.
HBITMAP StretchBitmap(HBITMAP source, int width, int height);

}  // namespace pictrove
