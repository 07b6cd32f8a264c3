// Fuzz target: the library-backed picture codecs (JPEG through libjpeg-turbo, JPEG 2000 through
// OpenJPEG) on their own. The first byte chooses the codec, the rest is the file. Whatever the
// data, a picture that comes back has exactly the samples its size and components promise.
#include <cstdint>
#include <span>

#include "codecs/Jpeg.h"
#include "codecs/Jpx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers::codecs;
    if (size < 1) return 0;
    const std::span<const std::uint8_t> file(data + 1, size - 1);
    if (data[0] & 1) {
        if (auto picture = DecodeJpx(file)) {
            const std::size_t pixels = std::size_t(picture->width) * std::size_t(picture->height);
            if (picture->samples.size() != pixels * std::size_t(picture->components) ||
                (!picture->alpha.empty() && picture->alpha.size() != pixels)) {
                __builtin_trap();
            }
        }
        return 0;
    }
    if (auto picture = DecodeJpeg(file)) {
        if (picture->samples.size() !=
            std::size_t(picture->width) * std::size_t(picture->height) * std::size_t(picture->components)) {
            __builtin_trap();
        }
        JpegInkToNormal(*picture);
    }
    if (auto image = JpegToImage(file)) {
        if (image->bytes.size() < std::size_t(image->stride) * std::size_t(image->height)) __builtin_trap();
    }
    return 0;
}
