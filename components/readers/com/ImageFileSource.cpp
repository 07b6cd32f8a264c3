// Common image files through the core's codecs (icons entry by entry) and GDI+ for metafiles,
// layered paint files through the core.
#include "ImageFileSource.h"

#include "GdiplusImage.h"
#include "ImageHeader.h"
#include "PortablePayloadDecoder.h"
#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "IcoDirectory.h"
#include "StoredImage.h"

namespace pictrove::readers {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// Guards against files that claim absurd frame counts.
constexpr UINT kMaxFrames = 10000;

// Frames of an animation all have the size of its canvas; pages may differ.
constexpr GUID kFrameDimensionTime = {0x6AEDBD6D, 0x3FB5, 0x418A, {0x83, 0xA6, 0x7F, 0x45, 0x22, 0x9D, 0xC8, 0x72}};

}  // namespace

void ImageFileSource::Close() {
    file_.clear();
    frames_.clear();
    psd_.reset();
}

OpenStatus ImageFileSource::OpenDocument(OpenRequest request) {
    // The content decides, not the extension: a renamed file still opens.
    if (LooksLikePsd(request.bytes)) {
        psd_ = std::make_unique<PsdSource>();
        const OpenStatus status = psd_->Open(std::move(request));
        if (status == OpenStatus::kOpened) images_ = psd_->Images();
        return status;
    }
    file_ = std::move(request.bytes);
    const PortableFormat format = SniffPortableFormat(file_);
    bool opened = false;
    if (format != PortableFormat::kNone && format != PortableFormat::kJpeg) {
        opened = OpenPortable();
    } else {
        opened = gdiplus_.Ok() && OpenFrames();
    }
    if (!opened) return OpenStatus::kNotReadable;
    // An icon's entries are files of their own (a PNG among them is kept as it is); any other
    // file is its picture as stored when it holds only that one.
    for (const Frame& frame : frames_) {
        if (!frame.ownBytes.empty())
            stored_.push_back(StoredInfoOfFile(frame.ownBytes));
        else
            stored_.push_back(frames_.size() == 1 ? StoredInfoOfFile(file_) : StoredInfo{});
    }
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

// Sizes from the headers alone: an animation's frames all have its screen's size, an icon's
// entries their own. An icon entry whose header cannot be read is left out; the others count.
bool ImageFileSource::OpenPortable() {
    if (LooksLikeIco(file_)) {
        const auto entries = ParseIcoDirectory(file_);
        if (!entries) return false;
        for (unsigned i = 0; i < entries->size(); ++i) {
            const auto size = codecs::IconEntrySize(file_, i);
            if (!size) continue;
            Frame frame;
            frame.portable = true;
            frame.ownBytes = ExtractIcoEntry(file_, (*entries)[i]);
            frames_.push_back(std::move(frame));
            images_.push_back({u"", size->first, size->second});
        }
        return !frames_.empty();
    }
    const auto info = ReadImageHeader(file_);
    if (!info) return false;
    const unsigned count = info->format == ImageFormat::kGif ? codecs::GifFrameCount(file_) : 1;
    for (unsigned number = 0; number < count; ++number) {
        Frame frame;
        frame.portable = true;
        frame.number = number;
        frames_.push_back(std::move(frame));
        images_.push_back({u"", info->width, info->height});
    }
    return !frames_.empty();
}

bool ImageFileSource::OpenFrames() {
    frames_.clear();
    images_.clear();
    LoadedImage image(file_);
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
    // Selecting a frame decodes it, so an animation is measured once: Open reads sizes only.
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
        frames_.push_back(std::move(frame));
        images_.push_back(std::move(listed));
    }
    return !frames_.empty();
}

std::optional<std::vector<std::uint8_t>> ImageFileSource::StoredBytes(std::size_t index) {
    if (index >= frames_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    const Frame& frame = frames_[index];
    if (!frame.ownBytes.empty()) return frame.ownBytes;
    return std::vector<std::uint8_t>(file_.data(), file_.data() + file_.size());
}

std::optional<DecodedImage> ImageFileSource::Decode(std::size_t index) {
    if (psd_) return psd_->Decode(index);
    if (index >= frames_.size()) return std::nullopt;
    const Frame& frame = frames_[index];
    // JPEG files through the readers' own decoder (same colours on every platform), GDI+ for the rest.
    const std::span<const std::uint8_t> bytes =
        frame.ownBytes.empty() ? std::span<const std::uint8_t>(file_) : frame.ownBytes;
    if (frame.portable) return DecodePortable(bytes, frame.number).image;
    if (!frame.hasDimension && bytes.size() > 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        if (auto jpeg = codecs::JpegToImage(bytes)) return jpeg;
    }
    // Loaded afresh for every request: no GDI+ object outlives the call, whichever thread asks.
    LoadedImage image(bytes);
    if (!image) return std::nullopt;
    if (frame.hasDimension && GdipImageSelectActiveFrame(image.Get(), &frame.dimension, frame.number) != Ok) {
        return std::nullopt;
    }
    return CopyImage(image);
}

}  // namespace pictrove::readers
