// Opening a MOBI book: container, layout, and the size of each picture from its header.
#include "mobi/MobiSource.h"

#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"

namespace pictrove::readers {

void MobiSource::Close() {
    file_.clear();
    database_ = {};
    records_.clear();
}

OpenStatus MobiSource::OpenDocument(OpenRequest request) {
    auto database = ParsePalmDatabase(request.bytes);
    if (!database) return OpenStatus::kNotReadable;
    const MobiBook book = ReadMobiBook(request.bytes, *database);
    // Protected books are refused outright: no password opens them.
    if (book.status != MobiBook::Status::kOk) return OpenStatus::kNotReadable;
    for (const auto& picture : book.pictures) {
        const auto record = database->RecordData(request.bytes, picture.record);
        if (const auto info = ReadImageHeader(record)) {
            images_.push_back({picture.name, info->width, info->height});
            stored_.push_back(StoredInfoOfFile(record));
        } else if (const auto foreign = RecognizeForeignPicture(record, {})) {
            images_.push_back({picture.name, foreign->width, foreign->height});
            stored_.push_back(ForeignStoredInfo(*foreign));
        } else {
            continue;
        }
        records_.push_back(picture.record);
    }
    file_ = std::move(request.bytes);
    database_ = std::move(*database);
    return OpenStatus::kOpened;
}

std::optional<std::vector<std::uint8_t>> MobiSource::StoredBytes(std::size_t index) {
    if (index >= records_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    const auto record = database_.RecordData(file_, records_[index]);
    return std::vector<std::uint8_t>(record.begin(), record.end());
}

std::optional<DecodedImage> MobiSource::Decode(std::size_t index) {
    if (index >= records_.size() || !decoder_) return std::nullopt;
    return decoder_->Decode(database_.RecordData(file_, records_[index]));
}

}  // namespace pictrove::readers
