// Picture files the core does not read, through GDI+: frames or pages, each measured from its
// headers where they all share a canvas.
#include "ImageFileSource.h"

#include "GdiplusImage.h"
#include "GdiplusPayloadDecoder.h"

namespace pictrove::readers {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// Guards against files that claim absurd frame counts.
constexpr UINT kMaxFrames = 10000;

// Frames of an animation all have the size of its canvas; pages may differ.
constexpr GUID kFrameDimensionTime = {0x6AEDBD6D, 0x3FB5, 0x418A, {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};

}  // namespace

ImageFileSource::ImageFileSource() : PictureFileSource(std::make_shared<GdiplusPayloadDecoder>()) {}

void ImageFileSource::Close() {
    PictureFileSource::Close();
    frames_.clear();
}

bool ImageFileSource::OpenOther(const FileBytes& file) {
    frames_.clear();
    if (!gdiplus_.Ok()) return false;
    LoadedImage image(file);
    if (!image) {
        // A picture over the pixel limit is listed at its declared size and fails when decoded.
        const auto oversized = image.Oversized();
        if (!oversized) return false;
        frames_.push_back(Frame{});
        images_.push_back({u"", oversized->first, oversized->second});
        return true;
    }
    Frame first;
    UINT frameCount = 1;
    UINT dimensions = 0;
    if (GdipImageGetFrameDimensionsCount(image.Get(), &dimensions) == Ok && dimensions > 0) {
        std::vector<GUID> list(dimensions);
        UINT count = 0;
        if (GdipImageGetFrameDimensionsList(image.Get(), list.data(), dimensions) == Ok &&
            GdipImageGetFrameCount(image.Get(), &list[0], &count) == Ok && count > 1) {
            first.hasDimension = true;
            first.dimension = list[0];
            frameCount = std::min(count, kMaxFrames);
        }
    }
    // Selecting a frame decodes it, so an animation is measured once: opening reads sizes only.
    const bool sameSize = !first.hasDimension || IsEqualGUID(first.dimension, kFrameDimensionTime);
    ImageEntry canvas;
    if (sameSize && !image.Size(canvas.width, canvas.height)) return false;
    for (UINT number = 0; number < frameCount; ++number) {
        Frame frame = first;
        frame.number = number;
        ImageEntry listed = canvas;
        if (!sameSize) {
            if (GdipImageSelectActiveFrame(image.Get(), &frame.dimension, number) != Ok) continue;
            if (!image.Size(listed.width, listed.height)) continue;
        }
        frames_.push_back(frame);
        images_.push_back(std::move(listed));
    }
    return !frames_.empty();
}

std::optional<DecodedImage> ImageFileSource::DecodeOther(const FileBytes& file, std::size_t index) {
    if (index >= frames_.size()) return std::nullopt;
    const Frame& frame = frames_[index];
    // Loaded afresh for every request: no GDI+ object outlives the call, whichever thread asks.
    LoadedImage image(file);
    if (!image) return std::nullopt;
    if (frame.hasDimension && GdipImageSelectActiveFrame(image.Get(), &frame.dimension, frame.number) != Ok) {
        return std::nullopt;
    }
    return CopyImage(image);
}

}  // namespace pictrove::readers
