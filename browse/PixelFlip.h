// The gray-plus-one fix-up of raw pixel rows, in place (rows are turned upright by
// contracts/PixelModel.h's UprightRows).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrove {

// Decrements every meaningful byte of one-byte pixels by one, wrapping 0 to 255, turning
// "gray plus one" rows into plain gray. Padding bytes are left alone.
void DecrementGrayRows(std::uint8_t* bits, int width, int height, int stride);

}  // namespace pictrove
