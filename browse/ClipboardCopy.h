// "Copy image": the selected image as a screen-compatible bitmap on the clipboard.
#pragma once

#include <windows.h>
#include <cstdint>
#include <vector>

namespace pictrove {

// Rearranges a reader image's rows into top-down 32-bit BGRX rows without padding, applying both
// layout flags so the clipboard shows the same picture as a saved file. Empty when the type is
// unknown or the sizes do not fit the stride.
std::vector<uint8_t> ToTopDownBgrx(const uint8_t* bits, int width, int height, int stride, int pixelType, int layout);

// The clipboard bitmap of an image object (a ReaderImage); null when there is none.
HBITMAP CreateClipboardBitmap(IUnknown* image);

// Puts the image on the clipboard, owned by window; does nothing without an image.
void CopyImageToClipboard(HWND window, IUnknown* image);

}  // namespace pictrove
