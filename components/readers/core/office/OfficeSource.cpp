// Choosing the reader of an office document by its content, and the two package readers.
#include "office/OfficeSource.h"

#include <algorithm>

#include "comic/ComicSource.h"
#include "containers/ArchiveProbe.h"
#include "containers/CompoundFile.h"
#include "containers/ZipPictureSource.h"
#include "doc/DocSource.h"
#include "markup/TextCodec.h"
#include "model/ImageNames.h"
#include "odf/OpenDocument.h"
#include "office/OfficeOpenXml.h"
#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"

namespace pictrove::readers {
namespace {

// Whether the decoders read the picture whose file begins so (metafiles where the platform
// draws them).
bool Decodable(std::span<const std::uint8_t> prefix) {
    return ReadImageHeader(prefix).has_value() || MetafileSize(prefix).has_value();
}

class OfficePackageSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override {
        if (IsOfficeOpenXml(Archive())) {
            for (const ZipEntry* entry : OfficeOpenXmlPictures(Archive())) AddPicture(*entry);
            return OpenStatus::kOpened;
        }
        if (!IsOdfPackage(Archive())) return OpenStatus::kNotReadable;
        std::vector<OdfPicture> pictures;
        for (const char* part : {"content.xml", "styles.xml"}) {
            const ZipEntry* entry = Archive().Find(part);
            if (entry == nullptr) continue;
            if (const auto bytes = Archive().Extract(*entry)) CollectOdfPictures(XmlToUtf8(*bytes), pictures);
        }
        for (const OdfPicture& picture : pictures) AddOneOf(picture);
        return OpenStatus::kOpened;
    }

  private:
    // The first alternative the decoders read, else the first that can be listed at all.
    void AddOneOf(const OdfPicture& picture) {
        std::vector<std::pair<const ZipEntry*, const OdfImage*>> entries;
        for (const OdfImage& image : picture) {
            const std::string path = OdfPackagePath(image.href);
            if (const ZipEntry* entry = path.empty() ? nullptr : Archive().Find(path))
                entries.emplace_back(entry, &image);
        }
        for (const auto& [entry, image] : entries) {
            const auto prefix = Archive().ExtractPrefix(*entry, 64 * 1024);
            if (prefix && Decodable(*prefix) && AddPicture(*entry, image->mediaType)) return;
        }
        for (const auto& [entry, image] : entries) {
            if (AddPicture(*entry, image->mediaType)) return;
        }
    }
};

// A flat OpenDocument file: its pictures are base64 data inside the markup.
class FlatOdfSource final : public DocumentSource {
  public:
    explicit FlatOdfSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override {
        if (index >= payloads_.size() || !decoder_ || Stored(index).undecodable) return std::nullopt;
        auto image = decoder_->Decode(payloads_[index]);
        if (image && (image->width != images_[index].width || image->height != images_[index].height)) {
            return std::nullopt;
        }
        return image;
    }
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override {
        if (index >= payloads_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
        return payloads_[index];
    }

  protected:
    OpenStatus OpenDocument(OpenRequest request) override {
        std::vector<OdfPicture> pictures;
        CollectOdfPictures(XmlToUtf8(request.bytes), pictures);
        for (OdfPicture& picture : pictures) {
            if (!Add(picture, true)) Add(picture, false);
        }
        return OpenStatus::kOpened;
    }
    void Close() override { payloads_.clear(); }

  private:
    bool Add(OdfPicture& picture, bool decodableOnly) {
        for (OdfImage& image : picture) {
            if (!image.data) continue;
            std::vector<std::uint8_t>& bytes = *image.data;
            // The same picture used twice is stored twice: listed once.
            if (std::find(payloads_.begin(), payloads_.end(), bytes) != payloads_.end()) return true;
            ImageEntry entry{Utf8ToUtf16(image.frameName), 0, 0};
            StoredInfo stored;
            if (const auto info = ReadImageHeader(bytes)) {
                entry.width = info->width;
                entry.height = info->height;
                stored = StoredInfoOfFile(bytes);
            } else if (const auto size = MetafileSize(bytes)) {
                entry.width = size->first;
                entry.height = size->second;
                stored = StoredInfoOfFile(bytes);
            } else if (const auto foreign =
                           decodableOnly ? std::nullopt : RecognizeForeignPicture(bytes, {}, image.mediaType)) {
                entry.width = foreign->width;
                entry.height = foreign->height;
                stored = ForeignStoredInfo(*foreign);
            } else {
                continue;
            }
            images_.push_back(std::move(entry));
            stored_.push_back(stored);
            payloads_.push_back(std::move(bytes));
            return true;
        }
        return false;
    }

    PayloadDecoderPtr decoder_;
    std::vector<std::vector<std::uint8_t>> payloads_;
};

}  // namespace

OpenStatus OfficeSource::OpenDocument(OpenRequest request) {
    const std::span<const std::uint8_t> bytes = request.bytes;
    if (LooksLikeZip(bytes)) {
        inner_ = std::make_unique<OfficePackageSource>(decoder_);
        OpenRequest copy = request;  // the bytes are shared, not copied
        const OpenStatus status = inner_->Open(std::move(copy));
        if (status == OpenStatus::kOpened) {
            images_ = inner_->Images();
            damaged_ = inner_->Damaged();
            return status;
        }
    }
    if (IsFlatOdf(bytes)) {
        inner_ = std::make_unique<FlatOdfSource>(decoder_);
    } else if (CompoundFile::Parse(bytes)) {
        inner_ = std::make_unique<DocSource>(decoder_);
    } else if (DetectArchiveKind(bytes) != ArchiveKind::kUnknown) {
        inner_ = std::make_unique<ComicSource>(decoder_);
    } else {
        inner_.reset();
        return OpenStatus::kNotReadable;
    }
    const OpenStatus status = inner_->Open(std::move(request));
    if (status != OpenStatus::kOpened) return status;
    images_ = inner_->Images();
    damaged_ = inner_->Damaged();
    return status;
}

void OfficeSource::Close() {
    inner_.reset();
}

std::optional<DecodedImage> OfficeSource::Decode(std::size_t index) {
    return inner_ ? inner_->Decode(index) : std::nullopt;
}

StoredInfo OfficeSource::Stored(std::size_t index) {
    return inner_ ? inner_->Stored(index) : StoredInfo{};
}

std::optional<std::vector<std::uint8_t>> OfficeSource::StoredBytes(std::size_t index) {
    return inner_ ? inner_->StoredBytes(index) : std::nullopt;
}

}  // namespace pictrove::readers
