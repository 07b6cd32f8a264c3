// Conversion of stored reader pixels into premultiplied top-down display pixels.
#include "components/imageview/PixelConversion.h"

#include <cstdlib>
#include <new>

namespace pictrove::imageview {

namespace {

inline uint32_t Premultiply(uint32_t channel, uint32_t alpha) {
    // Exact rounding of channel * alpha / 255 without a division.
    const uint32_t t = channel * alpha + 128;
    return (t + (t >> 8)) >> 8;
}

struct Bgra32 {
    static constexpr int kBytes = 4;
    static uint32_t Read(const uint8_t* p) {
        const uint32_t a = p[3];
        if (a == 255) return MakePixel(255, p[2], p[1], p[0]);
        return MakePixel(a, Premultiply(p[2], a), Premultiply(p[1], a), Premultiply(p[0], a));
    }
};
// Type 0 whose alpha byte carries nothing.
struct Bgrx32 {
    static constexpr int kBytes = 4;
    static uint32_t Read(const uint8_t* p) { return MakePixel(255, p[2], p[1], p[0]); }
};
struct Bgr24 {
    static constexpr int kBytes = 3;
    static uint32_t Read(const uint8_t* p) { return MakePixel(255, p[2], p[1], p[0]); }
};
struct Gray8 {
    static constexpr int kBytes = 1;
    static uint32_t Read(const uint8_t* p) { return 0xFF000000u | (uint32_t{p[0]} * 0x010101u); }
};
// Stored 1 is black and stored 0 white: the level is the byte minus one, wrapping.
struct GrayPlusOne8 {
    static constexpr int kBytes = 1;
    static uint32_t Read(const uint8_t* p) {
        return 0xFF000000u | (uint32_t{static_cast<uint8_t>(p[0] - 1)} * 0x010101u);
    }
};

template <class Format>
void ConvertRows(const ReaderImageFields& source, DisplayImage& out) {
    const UprightRows rows(source);
    const int width = source.width;
    for (int y = 0; y < source.height; ++y) {
        const uint8_t* row = rows.Row(y);
        uint32_t* target = out.Row(y);
        if (rows.Mirrored()) {
            const uint8_t* p = row + static_cast<ptrdiff_t>(width - 1) * Format::kBytes;
            for (int x = 0; x < width; ++x, p -= Format::kBytes) target[x] = Format::Read(p);
        } else {
            const uint8_t* p = row;
            for (int x = 0; x < width; ++x, p += Format::kBytes) target[x] = Format::Read(p);
        }
    }
}

// Scans the alpha bytes of a type 0 image: any pixel not opaque, any pixel not fully clear.
void ScanAlpha(const ReaderImageFields& source, bool& anyTranslucent, bool& anyAlpha) {
    anyTranslucent = false;
    anyAlpha = false;
    for (int y = 0; y < source.height && !(anyTranslucent && anyAlpha); ++y) {
        const uint8_t* p = source.bits + static_cast<ptrdiff_t>(y) * source.stride + 3;
        for (int x = 0; x < source.width; ++x, p += 4) {
            anyTranslucent |= *p != 255;
            anyAlpha |= *p != 0;
        }
    }
}

}  // namespace

ConversionStatus ConvertStoredPixels(const ReaderImageFields& source, DisplayImage& out) {
    out = DisplayImage{};
    ReaderImageFields checked = source;
    switch (CheckReaderImageFields(checked)) {
        case ReaderImageCheck::kOk:
            break;
        case ReaderImageCheck::kTooLarge:
            return ConversionStatus::kTooLarge;
        default:
            return ConversionStatus::kInvalid;
    }
    if (static_cast<int64_t>(source.width) * source.height > kMaxDisplayPixels) return ConversionStatus::kTooLarge;

    DisplayImage image;
    try {
        image.pixels.resize(static_cast<size_t>(source.width) * source.height);
    } catch (const std::bad_alloc&) {
        return ConversionStatus::kOutOfMemory;
    }
    image.width = source.width;
    image.height = source.height;

    switch (source.pixelType) {
        case kPixelBgra32: {
            bool anyTranslucent = false;
            bool anyAlpha = false;
            ScanAlpha(source, anyTranslucent, anyAlpha);
            if (anyAlpha && anyTranslucent) {
                image.hasAlpha = true;
                ConvertRows<Bgra32>(source, image);
            } else {
                ConvertRows<Bgrx32>(source, image);
            }
            break;
        }
        case kPixelBgr24:
            ConvertRows<Bgr24>(source, image);
            break;
        case kPixelGray8:
            ConvertRows<Gray8>(source, image);
            break;
        case kPixelGrayPlusOne8:
            ConvertRows<GrayPlusOne8>(source, image);
            break;
    }
    out = std::move(image);
    return ConversionStatus::kOk;
}

}  // namespace pictrove::imageview
