// Fuzz target: the picture file codecs (PNG through libpng, GIF through giflib, WebP through
// libwebp, our BMP, icon and cursor readers) through the portable payload decoder. The first byte chooses the frame or
// icon entry, the rest is the file. Whatever the data, a picture comes back exactly when it was
// decoded whole, holds the rows its size promises and keeps within the pixel limit.
#include <cstdint>
#include <span>

#include "pictures/PortablePayloadDecoder.h"
#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Webp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    if (size < 1) return 0;
    const std::span<const std::uint8_t> file(data + 1, size - 1);
    const unsigned frame = data[0] & 7;
    const auto result = DecodePortable(file, frame);
    // The readers take whole pictures only: one cut short comes back without pixels.
    if ((result.end == codecs::PictureEnd::kComplete) != result.image.has_value()) __builtin_trap();
    if (const auto& image = result.image) {
        if (!IsAcceptableSize(image->width, image->height) ||
            image->stride < image->width * BytesPerPixel(image->type) ||
            image->bytes.size() < std::size_t(image->stride) * std::size_t(image->height)) {
            __builtin_trap();
        }
    }
    (void)codecs::GifFrameCount(file);
    (void)codecs::WebpFrameCount(file);
    (void)codecs::IconEntrySize(file, frame);
    return 0;
}
