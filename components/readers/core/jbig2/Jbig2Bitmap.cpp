// Bitmap storage and combination.
#include "Jbig2Bitmap.h"

#include <algorithm>

#include "model/DecodedImage.h"

namespace pictrove::readers::jbig2 {

std::optional<Bitmap> Bitmap::Make(std::int64_t width, std::int64_t height, int value, bool fill) {
    if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) return std::nullopt;
    if (!WithinPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) return std::nullopt;
    Bitmap bitmap;
    bitmap.width = static_cast<int>(width);
    if (!fill) return bitmap;
    bitmap.height = static_cast<int>(height);
    bitmap.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                         static_cast<std::uint8_t>(value & 1));
    return bitmap;
}

void Bitmap::Compose(const Bitmap& source, std::int64_t x, std::int64_t y, Combine op) {
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + source.width, width);
    const std::int64_t y1 = std::min<std::int64_t>(y + source.height, height);
    if (x0 >= x1 || y0 >= y1) return;
    const std::size_t count = static_cast<std::size_t>(x1 - x0);
    for (std::int64_t row = y0; row < y1; ++row) {
        const std::uint8_t* from = source.Row(static_cast<int>(row - y)) + (x0 - x);
        std::uint8_t* to = Row(static_cast<int>(row)) + x0;
        switch (op) {
            case Combine::kOr:
                for (std::size_t i = 0; i < count; ++i) to[i] |= from[i];
                break;
            case Combine::kAnd:
                for (std::size_t i = 0; i < count; ++i) to[i] &= from[i];
                break;
            case Combine::kXor:
                for (std::size_t i = 0; i < count; ++i) to[i] ^= from[i];
                break;
            case Combine::kXnor:
                for (std::size_t i = 0; i < count; ++i) to[i] = static_cast<std::uint8_t>((to[i] ^ from[i]) ^ 1);
                break;
            case Combine::kReplace:
                std::copy(from, from + count, to);
                break;
        }
    }
}

void Bitmap::ComposeWhite(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, Combine op) {
    if (op == Combine::kOr || op == Combine::kXor) return;  // white changes nothing
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(x + w, width);
    const std::int64_t y1 = std::min<std::int64_t>(y + h, height);
    if (x0 >= x1 || y0 >= y1) return;
    for (std::int64_t row = y0; row < y1; ++row) {
        std::uint8_t* to = Row(static_cast<int>(row));
        for (std::int64_t i = x0; i < x1; ++i) to[i] = op == Combine::kXnor ? to[i] ^ 1 : 0;
    }
}

Bitmap Bitmap::Crop(int x, int y, int cropWidth, int cropHeight) const {
    Bitmap out;
    if (static_cast<std::uint64_t>(std::max(cropWidth, 0)) * static_cast<std::uint64_t>(std::max(cropHeight, 0)) >
        kMaxBitmapPixels) {
        return out;  // empty: callers check sizes first, this only keeps a mistake from allocating
    }
    out.width = std::max(cropWidth, 0);
    out.height = std::max(cropHeight, 0);
    out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
    for (int row = 0; row < out.height; ++row) {
        for (int col = 0; col < out.width; ++col) out.Row(row)[col] = static_cast<std::uint8_t>(Get(x + col, y + row));
    }
    return out;
}

bool Bitmap::GrowTo(std::int64_t newHeight, int value) {
    if (newHeight <= height) return true;
    if (newHeight > kMaxImageSide ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(newHeight) > kMaxBitmapPixels) {
        return false;
    }
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(newHeight),
                  static_cast<std::uint8_t>(value & 1));
    height = static_cast<int>(newHeight);
    return true;
}

}  // namespace pictrove::readers::jbig2
