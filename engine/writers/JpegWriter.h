// JPEG files from a reader image through libjpeg-turbo: baseline JFIF at a fixed quality, grey
// pictures with one channel, colour ones in YCbCr with 2x2 chroma subsampling; alpha is dropped
// (the colours of partly transparent pixels are kept as they are).
#pragma once

#include <cstdint>
#include <vector>

#include "contracts/PixelModel.h"

namespace pictrove {

// The quality the pictures were always written at: the platform encoder's default when no
// quality is asked for.
inline constexpr int kJpegQuality = 75;

// The JPEG file of the checked fields; empty when the picture passes JPEG's 65500 pixels a
// side or the library fails.
std::vector<std::uint8_t> EncodeJpeg(const ReaderImageFields& fields, int dpi, int quality = kJpegQuality);

}  // namespace pictrove
