// JB2 bilevel images (Sjbz) and shared shape dictionaries (Djbz): shapes coded directly or as
// refinements of library shapes, placed relative to the previous ones, all on the ZP coder.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::djvu {

// One shape: a byte per pixel (0 or 1), rows from the top.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    std::uint8_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return bits[static_cast<std::size_t>(y) * width + x];
    }
};

// A shape placed on the page; left and top measured from the page's top-left corner.
struct Blit {
    int left = 0;
    int top = 0;
    std::uint32_t shape = 0;  // index into Jb2Image::shapes
};

struct Jb2Dictionary {
    std::vector<std::shared_ptr<const Bitmap>> shapes;
};

struct Jb2Image {
    int width = 0;
    int height = 0;
    std::vector<std::shared_ptr<const Bitmap>> shapes;
    std::vector<Blit> blits;  // in coding order, which the foreground palette's indices follow
};

// A dictionary stream (Djbz); shared is the dictionary it inherits from, when it names one.
std::optional<Jb2Dictionary> DecodeJb2Dictionary(std::span<const std::uint8_t> data, const Jb2Dictionary* shared);

// An image stream (Sjbz) whose shapes may come from shared (the page's Djbz).
std::optional<Jb2Image> DecodeJb2Image(std::span<const std::uint8_t> data, const Jb2Dictionary* shared);

// The blits drawn into a page-sized mask: a byte per pixel, 1 where ink is.
std::vector<std::uint8_t> RenderMask(const Jb2Image& image);

}  // namespace pictrove::readers::djvu
