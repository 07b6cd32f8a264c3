// Embedded image files decoded by GDI+, every page of a multi-page file reachable by number: the
// fallback of the core's portable payload decoder, for metafiles and what its codecs do not read.
#pragma once

#include "GdiplusSession.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

class GdiplusPayloadDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override;
    unsigned FrameCount(std::span<const std::uint8_t> file) override;

  private:
    GdiplusSession gdiplus_;
};

}  // namespace pictrove::readers
