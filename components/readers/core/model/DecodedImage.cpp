// Allocation and pixel-type conversion of decoded images.
#include "model/DecodedImage.h"

#include <cstring>

namespace pictrove::readers {

bool IsAcceptableSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           WithinPixelLimit(std::uint64_t(width), std::uint64_t(height));
}

bool IsListableSize(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

std::optional<DecodedImage> DecodedImage::Allocate(PixelType type, int width, int height) {
    const int bpp = BytesPerPixel(type);
    if (bpp == 0 || !IsAcceptableSize(width, height)) return std::nullopt;
    DecodedImage image;
    image.type = type;
    image.width = width;
    image.height = height;
    image.stride = (width * bpp + 3) & ~3;
    image.bytes.assign(static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(height), 0);
    return image;
}

PixelType NarrowestType(const std::uint8_t* bgra, std::ptrdiff_t stride, int width, int height) {
    bool gray = true;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pixel = bgra + std::ptrdiff_t{y} * stride;
        for (int x = 0; x < width; ++x, pixel += 4) {
            if (pixel[3] != 0xFF) return PixelType::kBgra32;
            gray = gray && pixel[0] == pixel[1] && pixel[1] == pixel[2];
        }
    }
    return gray ? PixelType::kGray8 : PixelType::kBgr24;
}

std::optional<DecodedImage> ImageFromBgra(const std::uint8_t* bgra,
                                          std::ptrdiff_t sourceStride,
                                          int width,
                                          int height,
                                          PixelType type) {
    if (bgra == nullptr || (sourceStride < 0 ? -sourceStride : sourceStride) < std::ptrdiff_t{width} * 4) {
        return std::nullopt;
    }
    auto image = DecodedImage::Allocate(type, width, height);
    if (!image) return std::nullopt;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = bgra + std::ptrdiff_t{y} * sourceStride;
        std::uint8_t* target = image->Row(y);
        switch (type) {
            case PixelType::kBgra32:
                std::memcpy(target, source, static_cast<std::size_t>(width) * 4);
                break;
            case PixelType::kBgr24:
                for (int x = 0; x < width; ++x) {
                    target[3 * x] = source[4 * x];
                    target[3 * x + 1] = source[4 * x + 1];
                    target[3 * x + 2] = source[4 * x + 2];
                }
                break;
            case PixelType::kGray8:
                for (int x = 0; x < width; ++x) target[x] = source[4 * x + 1];
                break;
            case PixelType::kGrayPlusOne8:
                for (int x = 0; x < width; ++x) target[x] = static_cast<std::uint8_t>(source[4 * x + 1] + 1);
                break;
        }
    }
    return image;
}

}  // namespace pictrove::readers
