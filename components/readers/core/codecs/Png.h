// PNG decoding through libpng: every colour type and bit depth, palettes and transparency
// chunks, Adam7 interlacing. Samples are taken as stored (no gamma or colour-profile
// correction, as the platform decoders do); 16-bit samples keep their high byte, as Wine's
// decoder and ImageMagick take them.
#pragma once

#include <cstdint>
#include <span>

#include "codecs/PictureCodec.h"

namespace pictrove::readers::codecs {

bool LooksLikePng(std::span<const std::uint8_t> file);

// A size over the pixel limit, or one whose rows even deflate's best ratio could not pack into
// the file, is refused before any pixel memory is taken. A stream that breaks after the header
// keeps the rows read until then (kTruncated), the rest transparent.
PictureResult DecodePng(std::span<const std::uint8_t> file, const PictureOptions& options = {});

}  // namespace pictrove::readers::codecs
