// Pages of a comic archive.
#include "comic/ComicSource.h"

#include <algorithm>

#include "comic/ArchiveComicSource.h"
#include "containers/ArchiveProbe.h"
#include "containers/ZipPictureSource.h"

namespace pictrove::readers {
namespace {

class ZipComicSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override {
        std::vector<const ZipEntry*> entries;
        bool encrypted = false;
        for (const auto& entry : Archive().Entries()) {
            if (entry.IsFolder() || IsOsMetadataPath(entry.name)) continue;
            encrypted = encrypted || entry.IsEncrypted();
            entries.push_back(&entry);
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const ZipEntry* a, const ZipEntry* b) { return NaturalLess(a->name, b->name); });
        // The content decides what is a picture, not the extension.
        bool listed = false;
        for (const ZipEntry* entry : entries) listed = AddPicture(*entry) || listed;
        return !listed && encrypted ? OpenStatus::kProtected : OpenStatus::kOpened;
    }
};

}  // namespace

OpenStatus ComicSource::OpenDocument(OpenRequest request) {
    const ArchiveKind kind = DetectArchiveKind(request.bytes);
    if (kind == ArchiveKind::kUnknown) return OpenStatus::kNotReadable;
    if (kind == ArchiveKind::kZip) {
        pages_ = std::make_unique<ZipComicSource>(decoder_);
    } else {
        pages_ = std::make_unique<ArchiveComicSource>(decoder_, kind);
    }
    const OpenStatus status = pages_->Open(std::move(request));
    if (status != OpenStatus::kOpened) return status;
    images_ = pages_->Images();
    damaged_ = pages_->Damaged();
    ImagesArePages();  // in the comic's order
    return status;
}

void ComicSource::Close() {
    pages_.reset();
}

std::optional<DecodedImage> ComicSource::Decode(std::size_t index) {
    if (!pages_) return std::nullopt;
    return pages_->Decode(index);
}

StoredInfo ComicSource::Stored(std::size_t index) {
    return pages_ ? pages_->Stored(index) : StoredInfo{};
}

std::optional<std::vector<std::uint8_t>> ComicSource::StoredBytes(std::size_t index) {
    if (!pages_) return std::nullopt;
    return pages_->StoredBytes(index);
}

}  // namespace pictrove::readers
