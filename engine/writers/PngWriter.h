// PNG files written straight from a reader image's rows: no bitmap copy in between, a fast
// deflate level, and black-and-white pictures as one bit per pixel. Lossless: a decoder gives
// back exactly the upright pixels of the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contracts/PixelModel.h"

namespace pictrove {

// Pictures whose filtered rows take up to this many bytes are compressed in one piece (the
// fastest way); larger ones a row at a time, so their memory stays bounded.
inline constexpr std::size_t kPngWholePictureLimit = std::size_t{64} << 20;

// The PNG file of the checked fields (rows turned upright, gray-plus-one made plain gray), with
// the resolution stamped; empty when the pixels cannot be compressed.
std::vector<std::uint8_t> EncodePng(const ReaderImageFields& fields,
                                    float dpi,
                                    std::size_t wholeLimit = kPngWholePictureLimit);

}  // namespace pictrove
