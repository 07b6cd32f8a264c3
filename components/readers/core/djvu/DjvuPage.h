// One DjVu page drawn the way viewers composite it at full resolution: the background
// picture scaled to the page, the foreground colour (a palette with a colour per shape, or a
// low-resolution picture) painted through the bilevel mask, then turned upright. A page of only
// a mask comes out black on white in grey; a standalone photo comes out at its own size.
#pragma once

#include <optional>

#include "model/DecodedImage.h"
#include "pictures/PayloadDecoder.h"
#include "djvu/DjvuDocument.h"

namespace pictrove::readers::djvu {

// JPEG layers (BGjp, FGjp) go through decoder when there is one, and are left out otherwise.
std::optional<DecodedImage> RenderPage(const DjvuDocument& document, const DocumentPage& page, PayloadDecoder* decoder);

// A picture turned clockwise by quarter turns (0..3); kGray8 and kBgr24 pictures only. Taken by
// value: an upright picture (most pages) is handed back as it is, without a copy.
std::optional<DecodedImage> Rotate(DecodedImage image, int quarterTurns);

}  // namespace pictrove::readers::djvu
