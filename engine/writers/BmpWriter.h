// BMP files from a reader image: 8-bit with a grey palette for grey pictures, 24-bit for colour
// ones and for 32-bit ones without transparency, 32-bit with an alpha mask (BITMAPV5HEADER) for
// those with it. Rows bottom-up, each padded to four bytes, at a stated resolution.
#pragma once

#include <cstdint>
#include <vector>

#include "contracts/PixelModel.h"

namespace pictrove {

// The BMP file of the checked fields; empty when it would pass the format's 4 GB size field.
std::vector<std::uint8_t> EncodeBmp(const ReaderImageFields& fields, int dpi);

}  // namespace pictrove
