// Finding the pictures of a Palm database by its kind.
#include "pdb/PdbSource.h"

#include <cstring>

#include "model/ByteReader.h"
#include "pictures/ImageHeader.h"
#include "model/ImageNames.h"
#include "mobi/MobiBook.h"
#include "pictures/PalmBitmap.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kViewerHeaderSize = 58;
constexpr std::size_t kEReaderImageOffset = 62;
constexpr std::size_t kPluckerHeaderSize = 8;
enum PluckerType : int { kPluckerBitmap = 2, kPluckerBitmapPacked = 3 };
enum PluckerCompression : int { kPluckerDoc = 1, kPluckerZlib = 2 };

bool Is(const PalmDatabase& database, const char* type, const char* creator) {
    return database.type == type && database.creator == creator;
}

std::u16string Widen(std::string_view text) {
    std::u16string wide;
    for (char c : text) {
        if (c == 0) break;
        // Palm text is Latin-1 for the names that matter here.
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

// Run-length packing of the picture viewer: a code above 0x80 repeats the next byte
// code - 0x7F times, any other code copies the next code + 1 bytes.
bool UnpackViewer(std::span<const std::uint8_t> packed, std::span<std::uint8_t> out) {
    std::size_t in = 0;
    std::size_t written = 0;
    while (written < out.size()) {
        if (in >= packed.size()) return false;
        const std::size_t code = packed[in++];
        if (code > 0x80) {
            const std::size_t count = code - 0x7F;
            if (in >= packed.size() || count > out.size() - written) return false;
            std::memset(out.data() + written, packed[in++], count);
            written += count;
        } else {
            const std::size_t count = code + 1;
            if (count > packed.size() - in || count > out.size() - written) return false;
            std::memcpy(out.data() + written, packed.data() + in, count);
            in += count;
            written += count;
        }
    }
    return true;
}

}  // namespace

std::optional<ViewerPicture> ReadViewerPicture(std::span<const std::uint8_t> record) {
    ByteReader reader(record);
    const auto name = reader.Bytes(32);
    const std::uint8_t version = reader.U8();
    const std::uint8_t type = reader.U8();
    reader.Seek(kViewerHeaderSize - 4);
    ViewerPicture picture;
    picture.width = reader.U16BE();
    picture.height = reader.U16BE();
    if (!reader.Ok() || !IsAcceptableSize(picture.width, picture.height)) return std::nullopt;
    switch (type) {
        case 0x00:
            picture.bits = 2;
            break;
        case 0x02:
            picture.bits = 4;
            break;
        case 0xFF:
            picture.bits = 1;
            break;
        default:
            return std::nullopt;
    }
    picture.name.assign(name.begin(), name.end());
    picture.data = record.subspan(kViewerHeaderSize);
    const std::size_t rowBytes = (std::size_t(picture.width) * picture.bits + 7) / 8;
    // Some writers leave one stray byte after unpacked data; packed data is always shorter.
    picture.packed = (version & 1) != 0 || picture.data.size() < rowBytes * picture.height;
    return picture;
}

std::optional<DecodedImage> DecodeViewerPicture(const ViewerPicture& picture) {
    const std::size_t rowBytes = (std::size_t(picture.width) * picture.bits + 7) / 8;
    std::vector<std::uint8_t> unpacked;
    std::span<const std::uint8_t> rows = picture.data;
    if (picture.packed) {
        unpacked.resize(rowBytes * picture.height);
        if (!UnpackViewer(picture.data, unpacked)) return std::nullopt;
        rows = unpacked;
    } else if (rows.size() < rowBytes * picture.height) {
        return std::nullopt;
    }
    auto image = DecodedImage::Allocate(PixelType::kGray8, picture.width, picture.height);
    if (!image) return std::nullopt;
    const int levels = (1 << picture.bits) - 1;
    const int perByte = 8 / picture.bits;
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* source = rows.data() + std::size_t(y) * rowBytes;
        std::uint8_t* target = image->Row(y);
        for (int x = 0; x < picture.width; ++x) {
            const int shift = 8 - picture.bits * (x % perByte + 1);
            const int value = (source[x / perByte] >> shift) & levels;
            target[x] = static_cast<std::uint8_t>(255 - value * 255 / levels);  // 0 is white
        }
    }
    return image;
}

void PdbSource::Close() {
    file_.clear();
    pictures_.clear();
}

void PdbSource::AddImageFile(std::span<const std::uint8_t> bytes, std::u16string name) {
    const auto info = ReadImageHeader(bytes);
    if (!info) return;
    pictures_.push_back({Kind::kImageFile, std::size_t(bytes.data() - file_.data()), bytes.size(), {}});
    images_.push_back({std::move(name), info->width, info->height});
}

void PdbSource::OpenPlucker(const PalmDatabase& database) {
    ByteReader index(database.RecordData(file_, 0));
    index.Skip(2);
    const int compression = index.U16BE();
    for (std::size_t i = 1; i < database.records.size(); ++i) {
        const auto data = database.RecordData(file_, i);
        ByteReader header(data);
        header.Skip(4);  // identifier, paragraphs
        const std::size_t size = header.U16BE();
        const int type = header.U8();
        if (!header.Ok() || data.size() < kPluckerHeaderSize) continue;
        if (type != kPluckerBitmap && type != kPluckerBitmapPacked) continue;
        Picture picture{
            Kind::kPalmBitmap, database.records[i].offset + kPluckerHeaderSize, data.size() - kPluckerHeaderSize, {}};
        if (type == kPluckerBitmapPacked) {
            // The bitmap was packed whole, by the method the book's index names.
            const auto packed = data.subspan(kPluckerHeaderSize);
            auto unpacked = compression == kPluckerZlib  ? InflateBounded(packed, size, false)
                            : compression == kPluckerDoc ? UnpackPalmDoc(packed, size)
                                                         : std::nullopt;
            if (!unpacked) continue;
            picture.unpacked = std::move(*unpacked);
        }
        const auto bitmap = picture.unpacked.empty() ? data.subspan(kPluckerHeaderSize) : std::span(picture.unpacked);
        const auto info = ReadPalmBitmap(bitmap);
        if (!info) continue;
        images_.push_back({u"", info->width, info->height});
        pictures_.push_back(std::move(picture));
    }
}

OpenStatus PdbSource::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    const auto database = ParsePalmDatabase(file_);
    if (!database) return OpenStatus::kNotReadable;
    const auto record = [&](std::size_t index) { return database->RecordData(file_, index); };

    if (Is(*database, "vIMG", "View")) {
        const auto picture = ReadViewerPicture(record(0));
        if (!picture) return OpenStatus::kNotReadable;
        pictures_.push_back({Kind::kViewer, database->records[0].offset, database->records[0].size, {}});
        images_.push_back({Widen(picture->name), picture->width, picture->height});
        return OpenStatus::kOpened;
    }
    if (Is(*database, "BOOK", "MOBI")) {
        const MobiBook book = ReadMobiBook(file_, *database);
        if (book.status != MobiBook::Status::kOk) return OpenStatus::kNotReadable;
        for (const auto& picture : book.pictures) AddImageFile(record(picture.record), picture.name);
        return OpenStatus::kOpened;
    }
    if (Is(*database, "PNRd", "PPrs")) {
        // Each picture record: "PNG ", its name, fields of the reader's own, then the image file.
        for (std::size_t i = 1; i < database->records.size(); ++i) {
            const auto data = record(i);
            if (data.size() <= kEReaderImageOffset || std::memcmp(data.data(), "PNG ", 4) != 0) continue;
            const std::string name(data.begin() + 4, data.begin() + 36);
            AddImageFile(data.subspan(kEReaderImageOffset), DocumentStem(Widen(name)));
        }
        return OpenStatus::kOpened;
    }
    if (Is(*database, "Data", "Plkr")) {
        OpenPlucker(*database);
    } else {
        // Any other kind: the records that are image files, in record order.
        for (std::size_t i = 0; i < database->records.size(); ++i) {
            if (IsPictureRecord(record(i))) AddImageFile(record(i), u"");
        }
    }
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

std::optional<DecodedImage> PdbSource::Decode(std::size_t index) {
    if (index >= pictures_.size()) return std::nullopt;
    const Picture& picture = pictures_[index];
    const auto bytes = picture.unpacked.empty()
                           ? std::span<const std::uint8_t>(file_).subspan(picture.offset, picture.size)
                           : std::span<const std::uint8_t>(picture.unpacked);
    if (picture.kind == Kind::kPalmBitmap) return DecodePalmBitmap(bytes);
    if (picture.kind == Kind::kViewer) {
        const auto picture = ReadViewerPicture(bytes);
        return picture ? DecodeViewerPicture(*picture) : std::nullopt;
    }
    return decoder_ ? decoder_->Decode(bytes) : std::nullopt;
}

}  // namespace pictrove::readers
