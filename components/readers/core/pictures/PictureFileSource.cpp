// Picture files through the core's codecs (icons entry by entry, animations frame by frame),
// metafiles at their physical size, layered paint files through their own source.
#include "pictures/PictureFileSource.h"

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Webp.h"
#include "pictures/IcoDirectory.h"
#include "pictures/ImageHeader.h"
#include "pictures/PortablePayloadDecoder.h"
#include "pictures/StoredImage.h"

namespace pictrove::readers {

PictureFileSource::PictureFileSource(PayloadDecoderPtr decoder)
    : decoder_(std::make_shared<PortablePayloadDecoder>(std::move(decoder))) {}

void PictureFileSource::Close() {
    file_.clear();
    frames_.clear();
    psd_.reset();
}

OpenStatus PictureFileSource::OpenDocument(OpenRequest request) {
    // The content decides, not the extension: a renamed file still opens.
    if (LooksLikePsd(request.bytes)) {
        psd_ = std::make_unique<PsdSource>();
        const OpenStatus status = psd_->Open(std::move(request));
        if (status == OpenStatus::kOpened) images_ = psd_->Images();
        return status;
    }
    file_ = std::move(request.bytes);
    const bool opened = LooksLikeIco(file_) ? OpenIcon() : OpenPicture() || OpenOther(file_);
    if (!opened || images_.empty()) return OpenStatus::kNotReadable;
    // An icon's entries are files of their own (a PNG among them is kept as it is); any other
    // file is its picture as stored when it holds only that one.
    for (std::size_t i = 0; i < images_.size(); ++i) {
        if (i < frames_.size() && !frames_[i].ownBytes.empty())
            stored_.push_back(StoredInfoOfFile(frames_[i].ownBytes));
        else
            stored_.push_back(images_.size() == 1 ? StoredInfoOfFile(file_) : StoredInfo{});
    }
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

// Sizes from the entries' own headers; an entry whose header cannot be read is left out.
bool PictureFileSource::OpenIcon() {
    const auto entries = ParseIcoDirectory(file_);
    if (!entries) return false;
    for (unsigned i = 0; i < entries->size(); ++i) {
        const auto size = codecs::IconEntrySize(file_, i);
        if (!size) continue;
        frames_.push_back({ExtractIcoEntry(file_, (*entries)[i]), i});
        images_.push_back({u"", size->first, size->second});
    }
    return !frames_.empty();
}

// Sizes from the headers alone: an animation's frames all have its screen's size. A JPEG over
// the pixel limit is listed at its declared size and fails when decoded.
bool PictureFileSource::OpenPicture() {
    int width = 0, height = 0;
    unsigned count = 1;
    if (const auto info = ReadImageHeader(file_);
        info && info->format != ImageFormat::kTiff && info->format != ImageFormat::kJpegXr) {
        width = info->width;
        height = info->height;
        if (info->format == ImageFormat::kGif) count = codecs::GifFrameCount(file_);
        if (info->format == ImageFormat::kWebp) count = codecs::WebpFrameCount(file_);
    } else if (const auto metafile = MetafileSize(file_)) {
        width = metafile->first;
        height = metafile->second;
    } else if (const auto jpeg = JpegFrameOf(file_); jpeg && jpeg->width > 0 && jpeg->height > 0) {
        width = jpeg->width;
        height = jpeg->height;
    } else {
        return false;
    }
    for (unsigned number = 0; number < count; ++number) {
        frames_.push_back({{}, number});
        images_.push_back({u"", width, height});
    }
    return !frames_.empty();
}

std::optional<std::vector<std::uint8_t>> PictureFileSource::StoredBytes(std::size_t index) {
    if (psd_ || index >= images_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    if (index < frames_.size() && !frames_[index].ownBytes.empty()) return frames_[index].ownBytes;
    return std::vector<std::uint8_t>(file_.data(), file_.data() + file_.size());
}

std::optional<DecodedImage> PictureFileSource::Decode(std::size_t index) {
    if (psd_) return psd_->Decode(index);
    if (index >= images_.size()) return std::nullopt;
    if (frames_.empty()) return DecodeOther(file_, index);
    const Frame& frame = frames_[index];
    if (!frame.ownBytes.empty()) return decoder_->DecodeFrame(frame.ownBytes, 0);
    return decoder_->DecodeFrame(file_, frame.number);
}

}  // namespace pictrove::readers
