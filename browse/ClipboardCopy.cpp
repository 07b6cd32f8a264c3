// Clipboard copy of one reader image.
#include "browse/ClipboardCopy.h"

#include <new>

#include <wrl/client.h>

#include "common/Handles.h"
#include "common/TopDownBitmap.h"
#include "contracts/ReaderContract.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

std::vector<uint8_t> ToTopDownBgrx(ReaderImageFields fields) {
    std::vector<uint8_t> out;
    if (CheckReaderImageFields(fields) != ReaderImageCheck::kOk) return out;
    const int width = fields.width;
    const int height = fields.height;
    const int bytesPerPixel = fields.bytesPerPixel;
    const UprightRows rows(fields);
    try {
        out.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = rows.Row(y);
        uint8_t* target = out.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = source + static_cast<ptrdiff_t>(rows.Column(x)) * bytesPerPixel;
            uint8_t* dest = target + static_cast<size_t>(x) * 4;
            switch (fields.pixelType) {
                case kPixelBgra32:
                case kPixelBgr24:
                    dest[0] = pixel[0];
                    dest[1] = pixel[1];
                    dest[2] = pixel[2];
                    break;
                case kPixelGray8:
                    dest[0] = dest[1] = dest[2] = pixel[0];
                    break;
                default:  // gray plus one: stored 1 is black, stored 0 is white
                    dest[0] = dest[1] = dest[2] = static_cast<uint8_t>(pixel[0] - 1);
                    break;
            }
            dest[3] = 0;
        }
    }
    return out;
}

HBITMAP CreateClipboardBitmap(IUnknown* image) {
    if (!image) return nullptr;
    Microsoft::WRL::ComPtr<ReaderImage> pixels;
    image->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(pixels.GetAddressOf()));
    ReaderImageFields fields;
    if (ReadReaderImage(pixels.Get(), fields) != ReaderImageCheck::kOk) return nullptr;

    // Reader buffers can have padded rows and either row order; copy them into plain top-down rows.
    const std::vector<uint8_t> rows = ToTopDownBgrx(fields);
    if (rows.empty()) return nullptr;
    ScopedGetDC screen(nullptr);
    if (!screen.Get()) return nullptr;
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), fields.width, fields.height));
    if (!bitmap) return nullptr;
    const BITMAPINFO info = TopDownBitmapInfo(fields.width, fields.height);
    if (!SetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(fields.height), rows.data(), &info,
                   DIB_RGB_COLORS)) {
        return nullptr;
    }
    return bitmap.Detach();
}

bool CopyImageToClipboard(HWND window, IUnknown* image) {
    if (!image) return false;
    // Converted before the clipboard is touched: a picture that cannot be read must not replace
    // what the user had there with an empty bitmap.
    UniqueBitmap bitmap(CreateClipboardBitmap(image));
    if (!bitmap) {
        ShowProgramMessage(LoadUiString(IDS_CANNOT_COPY_IMAGE), MB_ICONERROR);
        return false;
    }
    if (!OpenClipboard(window)) return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_BITMAP, bitmap.Get()) != nullptr;
    if (placed) bitmap.Detach();  // the clipboard owns it now
    CloseClipboard();
    return placed;
}

}  // namespace pictrove
