// Decoding of image files embedded in documents (JPEG, PNG, GIF, BMP, TIFF ... inside an EPUB,
// a comic archive, an XPS or FB2 book, a PDF). The portable sources list pictures from their
// headers and hand the bytes to this interface to get pixels; the COM shell implements it with
// GDI+, tests and fuzz targets with stand-ins. Shared by every reader that carries such payloads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "model/DecodedImage.h"

namespace pictrove::readers {

class PayloadDecoder {
  public:
    virtual ~PayloadDecoder() = default;

    // Decodes page (frame) number frame of an image file; nothing when the file cannot be
    // decoded or has no such page. May be called from any thread, one call at a time per source.
    virtual std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) = 0;

    // Number of pages (frames) the decoder sees in a multi-page file; 0 when it cannot read it.
    virtual unsigned FrameCount(std::span<const std::uint8_t> file) = 0;

    std::optional<DecodedImage> Decode(std::span<const std::uint8_t> file) { return DecodeFrame(file, 0); }
};

using PayloadDecoderPtr = std::shared_ptr<PayloadDecoder>;

}  // namespace pictrove::readers
