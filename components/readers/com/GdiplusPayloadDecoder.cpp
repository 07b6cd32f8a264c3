// Embedded images through GDI+.
#include "GdiplusPayloadDecoder.h"

#include <vector>

#include "GdiplusImage.h"
#include "codecs/Jpeg.h"

namespace pictrove::readers {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// The first frame dimension (pages of a TIFF, time of an animation) and its frame count.
bool FirstDimension(GpImage* image, GUID& dimension, UINT& count) {
    UINT dimensions = 0;
    if (GdipImageGetFrameDimensionsCount(image, &dimensions) != Ok || dimensions == 0) return false;
    std::vector<GUID> list(dimensions);
    if (GdipImageGetFrameDimensionsList(image, list.data(), dimensions) != Ok) return false;
    dimension = list[0];
    return GdipImageGetFrameCount(image, &dimension, &count) == Ok;
}

}  // namespace

std::optional<DecodedImage> GdiplusPayloadDecoder::DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) {
    // JPEG goes through the readers' own decoder, so CMYK and YCCK pictures look the same on
    // every platform; GDI+ remains the fallback for what libjpeg-turbo refuses.
    if (frame == 0 && file.size() > 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) {
        if (auto image = codecs::JpegToImage(file)) return image;
    }
    if (!gdiplus_.Ok()) return std::nullopt;
    LoadedImage image(file);
    if (!image) return std::nullopt;
    if (frame > 0) {
        GUID dimension{};
        UINT count = 0;
        if (!FirstDimension(image.Get(), dimension, count) || frame >= count) return std::nullopt;
        if (GdipImageSelectActiveFrame(image.Get(), &dimension, frame) != Ok) return std::nullopt;
    }
    return CopyImage(image);
}

unsigned GdiplusPayloadDecoder::FrameCount(std::span<const std::uint8_t> file) {
    if (!gdiplus_.Ok()) return 0;
    LoadedImage image(file);
    if (!image) return 0;
    GUID dimension{};
    UINT count = 0;
    if (!FirstDimension(image.Get(), dimension, count)) return 1;
    return count;
}

}  // namespace pictrove::readers
