// A bi-level bitmap while a JBIG2 page is decoded: one byte per pixel (1 black, 0 white), which
// keeps the context building of the decoding procedures simple and fast enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/Limits.h"

namespace pictrove::readers::jbig2 {

// Most pixels any one bitmap (page, region, symbol, collective bitmap) may have; sizes beyond
// it are refused before anything is allocated.
inline constexpr std::uint64_t kMaxBitmapPixels = pictrove::kMaxPicturePixels;

enum class Combine : int { kOr = 0, kAnd = 1, kXor = 2, kXnor = 3, kReplace = 4 };

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    // A bitmap of this size filled with value; nothing when the size is out of range. Without
    // fill, only the size is checked and the bitmap comes back with no rows.
    static std::optional<Bitmap> Make(std::int64_t width, std::int64_t height, int value = 0, bool fill = true);

    bool Empty() const { return width <= 0 || height <= 0; }
    int Get(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    void Set(int x, int y, int value) {
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
            static_cast<std::uint8_t>(value);
    }
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const std::uint8_t* Row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }

    // Draws source with its top left corner at (x, y), clipped to this bitmap.
    void Compose(const Bitmap& source, std::int64_t x, std::int64_t y, Combine op);
    // Draws a white rectangle, as Compose would draw a bitmap of that size with no pixel set.
    void ComposeWhite(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, Combine op);
    // The part of this bitmap at (x, y) of the given size (outside pixels read as 0).
    Bitmap Crop(int x, int y, int cropWidth, int cropHeight) const;
    // Grows to a new height, keeping the rows and filling new ones with value.
    bool GrowTo(std::int64_t newHeight, int value);
};

}  // namespace pictrove::readers::jbig2
