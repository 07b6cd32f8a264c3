// GIF files from a reader image: GIF89a, one image, a global colour table as small as the
// colours allow; grey pictures with a palette of the 256 greys, colour ones reduced to at most
// 256 colours (engine/writers/GifQuantizer.h), fully transparent pixels marked through the
// graphic control extension.
#pragma once

#include <cstdint>
#include <vector>

#include "contracts/PixelModel.h"

namespace pictrove {

// The GIF file of the checked fields; empty when the picture is wider or taller than 65535.
std::vector<std::uint8_t> EncodeGif(const ReaderImageFields& fields);

}  // namespace pictrove
