// The viewer's own raster: top-down rows, left to right, one 32-bit pixel each, and the small
// rectangle type the portable view code shares. No platform headers here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictrove::imageview {

// Pixels are 0xAARRGGBB values (blue is the first byte in memory, as in a 32-bit DIB), with the
// colour channels premultiplied by alpha so averaging and blending need no division by alpha.
struct DisplayImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;  // some pixel is not fully opaque
    std::vector<uint32_t> pixels;

    bool Empty() const { return width <= 0 || height <= 0 || pixels.empty(); }
    const uint32_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
    uint32_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
    uint32_t At(int x, int y) const { return Row(y)[x]; }
};

// Half-open rectangle in pixels.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(const PixelRect& other) const {
        return other.left >= left && other.top >= top && other.right <= right && other.bottom <= bottom;
    }
    PixelRect Intersect(const PixelRect& other) const {
        PixelRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                    std::min(bottom, other.bottom)};
        if (r.Empty()) return {};
        return r;
    }
    bool operator==(const PixelRect&) const = default;
};

inline constexpr uint32_t MakePixel(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
inline constexpr uint32_t PixelA(uint32_t p) {
    return p >> 24;
}
inline constexpr uint32_t PixelR(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline constexpr uint32_t PixelG(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline constexpr uint32_t PixelB(uint32_t p) {
    return p & 0xFF;
}

}  // namespace pictrove::imageview
