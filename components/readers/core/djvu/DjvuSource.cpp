// The DjVu reader: pages listed on opening, drawn on request.
#include "djvu/DjvuSource.h"

#include "djvu/DjvuPage.h"

namespace pictrove::readers {

std::u16string DjvuPageName(std::size_t number, std::size_t count) {
    std::u16string digits;
    for (std::size_t n = number; n > 0 || digits.empty(); n /= 10) digits.insert(digits.begin(), u'0' + n % 10);
    std::size_t width = 0;
    for (std::size_t n = count; n > 0; n /= 10) ++width;
    if (digits.size() < width) digits.insert(digits.begin(), width - digits.size(), u'0');
    return u"Page" + digits;
}

void DjvuSource::Close() {
    document_.reset();
    missing_.clear();
}

OpenStatus DjvuSource::OpenDocument(OpenRequest request) {
    auto document = std::make_unique<djvu::DjvuDocument>();
    if (!document->Open(std::move(request.bytes), request.path, loader_)) return OpenStatus::kNotReadable;
    const auto& pages = document->Pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        images_.push_back({DjvuPageName(i + 1, pages.size()), pages[i].width, pages[i].height});
    }
    ImagesArePages();
    missing_ = document->MissingFiles();
    document_ = std::move(document);
    return OpenStatus::kOpened;
}

std::optional<DecodedImage> DjvuSource::Decode(std::size_t index) {
    if (!document_ || index >= document_->Pages().size()) return std::nullopt;
    return djvu::RenderPage(*document_, document_->Pages()[index], decoder_.get());
}

}  // namespace pictrove::readers
