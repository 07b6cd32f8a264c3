// Turns a reader's pixel object into a GDI+ bitmap at its own size, rows top-down, left to right.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "common/GdiplusHolders.h"

namespace pictrove {

// 256 opaque grays, entry i = (i, i, i), flagged as a gray-scale palette.
const Gdiplus::ColorPalette* GrayPalette();

// The GDI+ pixel format a reader pixel type converts to; PixelFormatUndefined for a type the
// program does not know.
Gdiplus::PixelFormat ReaderPixelFormat(int pixelType);

// Nothing for a null object, one without the ReaderImage interface, or fields the guarded read
// refuses (unknown pixel type, no pixels, a stride shorter than a row). A gray-plus-one image is
// rewritten in place to plain gray (type 2) first, once. When GDI+ cannot make or lock the
// bitmap, the bitmap comes back with that status as its last status and no pixels written;
// saving it then fails.
BitmapPtr CreateBitmapFromReaderImage(IUnknown* object);

}  // namespace pictrove
