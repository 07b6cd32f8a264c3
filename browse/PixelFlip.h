// In-place rearrangement of raw pixel rows: mirroring, row reversal, and the gray-plus-one fix-up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictrove {

// Flip modes; the values match the reader's layout flags so a layout can be passed through.
enum FlipMode : int {
    kFlipNone = 0,
    kFlipMirrorRows = 1,
    kFlipReverseRows = 2,
    kFlipTurn180 = 3,
};

// Rearranges width x height pixels of bytesPerPixel (1, 3 or 4) bytes in place. Padding at the
// end of each row is left alone. Does nothing for a null buffer or a negative size.
void FlipPixels(std::uint8_t* bits, int width, int height, int stride, int bytesPerPixel, int mode);

// Decrements every meaningful byte of one-byte pixels by one, wrapping 0 to 255, turning
// "gray plus one" rows into plain gray. Padding bytes are left alone.
void DecrementGrayRows(std::uint8_t* bits, int width, int height, int stride);

}  // namespace pictrove
