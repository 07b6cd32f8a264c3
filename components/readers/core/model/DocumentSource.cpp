// The format-independent part of opening: names made safe and unique for every format.
#include "model/DocumentSource.h"

#include <algorithm>

#include "model/ImageNames.h"

namespace pictrove::readers {

OpenStatus DocumentSource::Open(OpenRequest request) {
    images_.clear();
    stored_.clear();
    places_.clear();
    pageCount_ = 0;
    damaged_ = false;
    Close();
    const OpenStatus status = OpenDocument(std::move(request));
    if (status != OpenStatus::kOpened) {
        images_.clear();
        stored_.clear();
        places_.clear();
        pageCount_ = 0;
        Close();
        return status;
    }
    UniqueNames names;
    for (auto& image : images_) image.name = names.Add(SanitizeImageName(image.name));
    return status;
}

const ImagePlaces& DocumentSource::Places(std::size_t index) const {
    static const ImagePlaces kNowhere;
    return index < places_.size() ? places_[index] : kNowhere;
}

void DocumentSource::AddPage(std::size_t index, int page) {
    if (page < 1) return;
    if (places_.size() <= index) places_.resize(index + 1);
    std::vector<int>& pages = places_[index].pages;
    // Pages mostly come in order: the common case appends.
    if (pages.empty() || pages.back() < page) {
        pages.push_back(page);
        return;
    }
    const auto at = std::lower_bound(pages.begin(), pages.end(), page);
    if (*at != page) pages.insert(at, page);
}

void DocumentSource::ImagesArePages() {
    pageCount_ = static_cast<int>(images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) AddPage(i, static_cast<int>(i + 1));
}

StoredInfo DocumentSource::Stored(std::size_t index) {
    return index < stored_.size() ? stored_[index] : StoredInfo{};
}

std::optional<std::vector<std::uint8_t>> DocumentSource::StoredBytes(std::size_t) {
    return std::nullopt;
}

std::vector<std::u16string> NamesFromFile(const std::u16string& path, std::size_t count) {
    std::u16string stem = SanitizeImageName(DocumentStem(path));
    if (count == 1) return {stem};
    // Room for the number, so a long stem does not lose it when the name is cut.
    if (stem.size() > kMaxImageNameLength - 8) stem = SanitizeImageName(stem.substr(0, kMaxImageNameLength - 8));
    std::vector<std::u16string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) names.push_back(NumberedName(stem, static_cast<int>(i + 1)));
    return names;
}

}  // namespace pictrove::readers
