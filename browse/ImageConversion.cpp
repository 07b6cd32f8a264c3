// Reader pixel objects to GDI+ bitmaps: each row copied upright into the bitmap.
#include "browse/ImageConversion.h"

#include <wrl/client.h>

#include "browse/PixelFlip.h"
#include "contracts/ReaderImageFields.h"

namespace pictrove {

namespace {

// ColorPalette declares one entry; this block has room for all 256 with the same layout.
struct GrayPaletteBlock {
    UINT flags;
    UINT count;
    Gdiplus::ARGB entries[256];
};

GrayPaletteBlock MakeGrayPalette() {
    GrayPaletteBlock block{};
    block.flags = Gdiplus::PaletteFlagsGrayScale;
    block.count = 256;
    for (UINT i = 0; i < 256; ++i) block.entries[i] = 0xFF000000u + i * 0x010101u;
    return block;
}

}  // namespace

const Gdiplus::ColorPalette* GrayPalette() {
    static const GrayPaletteBlock kPalette = MakeGrayPalette();
    return reinterpret_cast<const Gdiplus::ColorPalette*>(&kPalette);
}

Gdiplus::PixelFormat ReaderPixelFormat(int pixelType) {
    switch (pixelType) {
        case kPixelBgra32:
            return PixelFormat32bppARGB;
        case kPixelBgr24:
            return PixelFormat24bppRGB;
        case kPixelGray8:
        case kPixelGrayPlusOne8:
            return PixelFormat8bppIndexed;
        default:
            return PixelFormatUndefined;
    }
}

BitmapPtr CreateBitmapFromReaderImage(IUnknown* object) {
    if (!object) return nullptr;
    Microsoft::WRL::ComPtr<ReaderImage> image;
    if (FAILED(object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(image.GetAddressOf()))) || !image) {
        return nullptr;
    }

    ReaderImageFields fields;
    if (ReadReaderImage(image.Get(), fields) != ReaderImageCheck::kOk) return nullptr;
    const Gdiplus::PixelFormat format = ReaderPixelFormat(fields.pixelType);
    const int bytesPerPixel = fields.bytesPerPixel;

    if (fields.pixelType == kPixelGrayPlusOne8) {
        // Rewrite the reader's own buffer and relabel it, so converting the same object again
        // (preview, then save) does not shift the grays a second time.
        DecrementGrayRows(fields.bits, fields.width, fields.height, fields.stride);
        image->SetPixelType(kPixelGray8);
        fields.pixelType = kPixelGray8;
    }

    // GdipCreateBitmapFromScan0 with stride 0 and no buffer: GDI+ owns the pixel memory.
    BitmapPtr bitmap(new Gdiplus::Bitmap(fields.width, fields.height, format));
    if (!bitmap) return nullptr;
    if (bytesPerPixel == 1) bitmap->SetPalette(GrayPalette());

    Gdiplus::BitmapData locked{};
    const Gdiplus::Rect whole(0, 0, fields.width, fields.height);
    if (bitmap->LockBits(&whole, Gdiplus::ImageLockModeWrite, format, &locked) != Gdiplus::Ok) return bitmap;

    auto* destination = static_cast<std::uint8_t*>(locked.Scan0);
    if (destination) {
        const UprightRows rows(fields);
        for (int y = 0; y < fields.height; ++y)
            rows.CopyRow(y, destination + static_cast<ptrdiff_t>(y) * locked.Stride);
    }
    bitmap->UnlockBits(&locked);
    return bitmap;
}

}  // namespace pictrove
