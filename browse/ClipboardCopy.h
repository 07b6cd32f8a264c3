// "Copy image": the selected image as a screen-compatible bitmap on the clipboard.
#pragma once

#include <windows.h>
#include <cstdint>
#include <vector>

#include "contracts/ReaderImageFields.h"

namespace pictrove {

// Rearranges checked reader fields into top-down 32-bit BGRX rows without padding, applying
// both layout flags so the clipboard shows the same picture as a saved file. Empty when the
// fields do not pass the guarded check or the memory is not there.
std::vector<uint8_t> ToTopDownBgrx(ReaderImageFields fields);

// The clipboard bitmap of an image object (a ReaderImage); null when its pixels cannot be read
// or no bitmap can be made.
HBITMAP CreateClipboardBitmap(IUnknown* image);

// Puts the image on the clipboard, owned by window. An image that cannot be converted leaves
// the clipboard as it was and the user is told (no owner, the program's error caption); returns
// whether a bitmap went onto the clipboard.
bool CopyImageToClipboard(HWND window, IUnknown* image);

}  // namespace pictrove
