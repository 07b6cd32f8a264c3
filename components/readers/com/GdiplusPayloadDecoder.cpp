// Embedded images through GDI+, for what the core's codecs leave.
#include "GdiplusPayloadDecoder.h"

#include <vector>

#include "GdiplusImage.h"

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
