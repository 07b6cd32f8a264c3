// Clipboard copy of one reader image.
#include "browse/ClipboardCopy.h"

#include <cstring>

#include <wrl/client.h>

#include "contracts/ReaderContract.h"
#include "common/Handles.h"

namespace pictrove {

namespace {

int BytesPerPixel(int pixelType) {
    switch (pixelType) {
        case kPixelBgra32:
            return 4;
        case kPixelBgr24:
            return 3;
        case kPixelGray8:
        case kPixelGrayPlusOne8:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

std::vector<uint8_t> ToTopDownBgrx(const uint8_t* bits, int width, int height, int stride, int pixelType, int layout) {
    std::vector<uint8_t> out;
    const int bytesPerPixel = BytesPerPixel(pixelType);
    if (!bits || width <= 0 || height <= 0 || bytesPerPixel == 0) return out;
    if (stride < width * bytesPerPixel) return out;
    const bool mirrored = (layout & kLayoutMirroredRows) != 0;
    const bool bottomUp = (layout & kLayoutBottomUp) != 0;
    out.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        const int storedRow = bottomUp ? height - 1 - y : y;
        const uint8_t* source = bits + static_cast<ptrdiff_t>(storedRow) * stride;
        uint8_t* target = out.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = source + static_cast<ptrdiff_t>(mirrored ? width - 1 - x : x) * bytesPerPixel;
            uint8_t* dest = target + static_cast<size_t>(x) * 4;
            switch (pixelType) {
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
    if (!pixels) return nullptr;
    int width = 0, height = 0, stride = 0, pixelType = 0, layout = 0;
    BYTE* bits = nullptr;
    pixels->GetWidth(&width);
    pixels->GetHeight(&height);
    pixels->GetBits(&bits);
    pixels->GetStride(&stride);
    pixels->GetPixelType(&pixelType);
    pixels->GetLayout(&layout);

    ScopedGetDC screen(nullptr);
    if (!screen.Get() || width <= 0 || height <= 0) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), width, height);
    if (!bitmap) return nullptr;

    // Reader buffers can have padded rows and either row order; copy them into plain top-down rows.
    const std::vector<uint8_t> rows = ToTopDownBgrx(bits, width, height, stride, pixelType, layout);
    if (!rows.empty()) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS);
    }
    return bitmap;
}

void CopyImageToClipboard(HWND window, IUnknown* image) {
    if (!image || !OpenClipboard(window)) return;
    EmptyClipboard();
    UniqueBitmap bitmap(CreateClipboardBitmap(image));
    if (bitmap && SetClipboardData(CF_BITMAP, bitmap.Get())) bitmap.Detach();  // the clipboard owns it now
    CloseClipboard();
}

}  // namespace pictrove
