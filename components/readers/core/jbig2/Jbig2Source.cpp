// Opening a JBIG2 file: the pages it describes, decoded one at a time.
#include "jbig2/Jbig2Source.h"

#include <string>

#include "jbig2/Jbig2Document.h"

namespace pictrove::readers {

Jbig2Source::Jbig2Source() = default;
Jbig2Source::~Jbig2Source() = default;

void Jbig2Source::Close() {
    document_.reset();
    file_.clear();
}

OpenStatus Jbig2Source::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    document_ = std::make_unique<jbig2::Jbig2Document>();
    if (!document_->ParseFile(file_)) return OpenStatus::kNotReadable;
    const auto& pages = document_->Pages();
    const std::size_t digits = std::to_string(pages.size()).size();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::string number = std::to_string(i + 1);
        if (number.size() < digits) number.insert(0, digits - number.size(), '0');
        ImageEntry entry;
        entry.name = u"Page" + std::u16string(number.begin(), number.end());
        entry.width = pages[i].width;
        entry.height = pages[i].height;
        images_.push_back(std::move(entry));
        // Pages decode as gray; a file of one page is that page as stored.
        stored_.push_back({pages.size() == 1 ? StoredFormat::kJbig2 : StoredFormat::kNone, PixelType::kGray8});
    }
    ImagesArePages();
    return OpenStatus::kOpened;
}

std::optional<std::vector<std::uint8_t>> Jbig2Source::StoredBytes(std::size_t index) {
    if (!document_ || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return std::vector<std::uint8_t>(file_.data(), file_.data() + file_.size());
}

std::optional<DecodedImage> Jbig2Source::Decode(std::size_t index) {
    if (!document_) return std::nullopt;
    auto page = document_->DecodePage(index);
    if (!page) return std::nullopt;
    return GrayFromBitmap(*page);
}

std::optional<DecodedImage> GrayFromBitmap(const jbig2::Bitmap& bitmap) {
    auto image = DecodedImage::Allocate(PixelType::kGray8, bitmap.width, bitmap.height);
    if (!image) return std::nullopt;
    for (int y = 0; y < bitmap.height; ++y) {
        const std::uint8_t* from = bitmap.Row(y);
        std::uint8_t* to = image->Row(y);
        // Black 1 becomes 0, white 0 wraps to 255: no branch, so large pages convert a
        // vector of pixels at a time.
        for (int x = 0; x < bitmap.width; ++x) to[x] = static_cast<std::uint8_t>((from[x] & 1) - 1);
    }
    return image;
}

}  // namespace pictrove::readers
