// What the fuzz targets share: a payload decoder that stands in for GDI+ (the native build has
// none) by reading only the header and handing out a blank picture of that size, so the
// sources' decode paths run end to end, and a helper that opens a source and decodes it all.
// Pictures the readers decode themselves are decoded whatever size they declare: the readers'
// own bounds must hold against the fuzzer's allocation limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "model/DocumentSource.h"
#include "pictures/ImageHeader.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers::fuzz {

class HeaderOnlyDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        const auto info = ReadImageHeader(file);
        // The blank picture stands for what the platform decoder would allocate, not for
        // anything a reader does; past 64 megapixels it would only measure this stand-in.
        if (!info || frame > 0 || std::uint64_t(info->width) * std::uint64_t(info->height) > (1u << 26)) {
            return std::nullopt;
        }
        return DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
    }
    unsigned FrameCount(std::span<const std::uint8_t> file) override { return ReadImageHeader(file) ? 1 : 0; }
};

inline PayloadDecoderPtr MakeStandInDecoder() {
    return std::make_shared<HeaderOnlyDecoder>();
}

// Opens the bytes (with a password when one is given) and decodes the first 64 listed images,
// however large they say they are; checks what every source promises about a decoded image.
inline void OpenAndDecodeAll(DocumentSource& source,
                             const std::uint8_t* data,
                             std::size_t size,
                             std::u16string password = {}) {
    OpenRequest request;
    request.bytes.assign(data, data + size);
    request.path = u"C:\\fuzz\\input.bin";
    request.password = std::move(password);
    if (source.Open(std::move(request)) != OpenStatus::kOpened) return;
    const std::size_t count = source.Images().size();
    for (std::size_t i = 0; i < count && i < 64; ++i) {
        // The stored form: a picture said to have one hands out bytes or fails, never crashes.
        if (source.Stored(i).format != StoredFormat::kNone) (void)source.StoredBytes(i);
        const auto image = source.Decode(i);
        if (!image) continue;
        if (image->stride < image->width * BytesPerPixel(image->type) ||
            image->bytes.size() < std::size_t(image->stride) * std::size_t(image->height)) {
            __builtin_trap();
        }
    }
}

}  // namespace pictrove::readers::fuzz
