// The gray-plus-one fix-up, row by row, leaving each row's padding alone.
#include "browse/PixelFlip.h"

namespace pictrove {

void DecrementGrayRows(std::uint8_t* bits, int width, int height, int stride) {
    if (!bits || width < 0 || height < 0) return;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(row[x] - 1);
    }
}

}  // namespace pictrove
