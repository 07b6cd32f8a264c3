// The format-independent part of opening: names made safe and unique for every format.
#include "model/DocumentSource.h"

#include "model/ImageNames.h"

namespace pictrove::readers {

OpenStatus DocumentSource::Open(OpenRequest request) {
    images_.clear();
    stored_.clear();
    damaged_ = false;
    Close();
    const OpenStatus status = OpenDocument(std::move(request));
    if (status != OpenStatus::kOpened) {
        images_.clear();
        stored_.clear();
        Close();
        return status;
    }
    UniqueNames names;
    for (auto& image : images_) image.name = names.Add(SanitizeImageName(image.name));
    return status;
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
