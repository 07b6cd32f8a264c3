// The payload decoder of the readers' own codecs: PNG (libpng), GIF (giflib), BMP and icons
// (ours), JPEG (libjpeg-turbo), WebP (libwebp). The same file gives the same pixels on every
// platform. What none of them reads (metafiles, TIFF files the TIFF reader hands on, JPEG beyond libjpeg-turbo's
// 8-bit samples) goes to a fallback when one is given.
#pragma once

#include <cstdint>
#include <span>

#include "pictures/PayloadDecoder.h"
#include "codecs/PictureCodec.h"

namespace pictrove::readers {

enum class PortableFormat { kNone, kJpeg, kPng, kGif, kBmp, kIco, kWebp };

// The format by signature, when it is one of the portable codecs'.
PortableFormat SniffPortableFormat(std::span<const std::uint8_t> file);

// Decodes with the codec of that format; kNotThisFormat for other files. A PNG, GIF, BMP or WebP whose
// data breaks inside the pixels gives no picture (kTruncated without one), as the platform
// decoders never gave one: half a picture would pass for the whole in a list of results.
codecs::PictureResult DecodePortable(std::span<const std::uint8_t> file, unsigned frame);

class PortablePayloadDecoder final : public PayloadDecoder {
  public:
    explicit PortablePayloadDecoder(PayloadDecoderPtr fallback = nullptr) : fallback_(std::move(fallback)) {}

    // PNG, GIF, BMP, icons and WebP are decided here alone: a picture they refuse (over a limit,
    // damaged) is not handed to a decoder that might read it otherwise on another platform.
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override;
    unsigned FrameCount(std::span<const std::uint8_t> file) override;

  private:
    PayloadDecoderPtr fallback_;
};

}  // namespace pictrove::readers
