// Reduces true-colour pixels to a GIF palette of at most 256 entries: every colour kept when
// there are few enough, otherwise Wu's variance-minimising box cut; fully transparent pixels
// get an index of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace pictrove {

// Pixels in blue, green, red (and alpha for 4 bytes per pixel) order, rows stride bytes apart.
struct PixelRows {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    int bytesPerPixel = 4;  // 3 or 4
};

class GifQuantizer {
  public:
    static constexpr int kMaxColors = 256;

    explicit GifQuantizer(const PixelRows& source);

    // Colours as 0xAARRGGBB; the transparent entry, when there is one, is 0x00000000.
    const std::vector<std::uint32_t>& Palette() const { return palette_; }
    int TransparentIndex() const { return transparentIndex_; }
    // True when every colour of the source is in the palette unchanged.
    bool Exact() const { return exact_; }

    // Writes one palette index per pixel, rows destinationStride bytes apart. Each pixel gets
    // its own colour (exact palette) or the nearest palette colour.
    void Map(std::uint8_t* destination, std::ptrdiff_t destinationStride) const;

  private:
    void BuildReducedPalette(int colors);

    PixelRows source_;
    std::vector<std::uint32_t> palette_;
    std::unordered_map<std::uint32_t, std::uint8_t> exactIndex_;
    int transparentIndex_ = -1;
    int opaqueColors_ = 0;
    bool exact_ = false;
};

}  // namespace pictrove
