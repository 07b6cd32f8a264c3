// CMYK to RGB: each ink removes its share of the light the black ink left.
#include "CmykModel.h"

namespace pictrove::readers::codecs {

void CmykToRgb(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k, std::uint8_t rgb[3]) {
    const unsigned white = 255u - k;
    rgb[0] = static_cast<std::uint8_t>(((255u - c) * white + 127) / 255);
    rgb[1] = static_cast<std::uint8_t>(((255u - m) * white + 127) / 255);
    rgb[2] = static_cast<std::uint8_t>(((255u - y) * white + 127) / 255);
}

}  // namespace pictrove::readers::codecs
