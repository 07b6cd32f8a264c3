// The readers' one conversion of CMYK ink amounts to RGB, shared by every format that stores
// CMYK pictures (JPEG files, PDF images, TIFF separated pages).
#pragma once

#include <cstdint>

namespace pictrove::readers::codecs {

// c, m, y, k: ink amounts, 0 none .. 255 full.
void CmykToRgb(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k, std::uint8_t rgb[3]);

}  // namespace pictrove::readers::codecs
