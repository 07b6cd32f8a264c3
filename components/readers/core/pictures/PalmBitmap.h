// Palm OS bitmaps (the "Tbmp" format that Plucker books and Palm resources store pictures in):
// versions 0 to 3, 1, 2, 4, 8 and 16 bits per pixel, with or without a colour table, stored raw
// or packed by scanline, run-length or PackBits compression. A bitmap may chain several depths
// or densities of the same picture; the richest is taken.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/DecodedImage.h"

namespace pictrove::readers {

struct PalmBitmapInfo {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::size_t offset = 0;  // of the chosen bitmap in the data
};

// The richest bitmap of the chain (most bits per pixel, then most pixels); nothing when no
// header in the chain is sound.
std::optional<PalmBitmapInfo> ReadPalmBitmap(std::span<const std::uint8_t> data);

// Pixels of the richest bitmap: gray for gray bitmaps, otherwise blue, green, red.
std::optional<DecodedImage> DecodePalmBitmap(std::span<const std::uint8_t> data);

// PalmDOC decompression (the LZ77 variant of Palm e-books); nothing when the data is damaged or
// would grow past limit.
std::optional<std::vector<std::uint8_t>> UnpackPalmDoc(std::span<const std::uint8_t> packed, std::size_t limit);

}  // namespace pictrove::readers
