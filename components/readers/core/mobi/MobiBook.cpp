// MOBI header, EXTH and resource records.
#include "mobi/MobiBook.h"

#include <algorithm>
#include <cstring>

#include "model/ByteReader.h"
#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"

namespace pictrove::readers {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Offsets in record 0: the PalmDOC header (16 bytes), then the MOBI header.
constexpr std::size_t kTextRecordCountOffset = 8;
constexpr std::size_t kEncryptionOffset = 12;
constexpr std::size_t kMobiOffset = 16;
constexpr std::size_t kFirstImageOffset = 0x6C;
constexpr std::size_t kExthFlagsOffset = 0x80;
constexpr std::uint32_t kExthPresent = 0x40;

enum ExthType : std::uint32_t { kExthCoverOffset = 201, kExthThumbOffset = 202 };

struct Exth {
    std::uint32_t cover = kNone;
    std::uint32_t thumbnail = kNone;
};

Exth ReadExth(std::span<const std::uint8_t> record0, std::size_t start) {
    Exth exth;
    ByteReader reader(record0, start);
    const auto magic = reader.Bytes(4);
    reader.U32BE();  // length
    const std::uint32_t count = reader.U32BE();
    if (!reader.Ok() || std::memcmp(magic.data(), "EXTH", 4) != 0) return exth;
    for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
        const std::uint32_t type = reader.U32BE();
        const std::uint32_t length = reader.U32BE();
        if (!reader.Ok() || length < 8) break;
        ByteReader value(reader.Bytes(length - 8));
        if (!reader.Ok()) break;
        const std::uint32_t number = value.U32BE();
        if (!value.Ok()) continue;
        if (type == kExthCoverOffset) exth.cover = number;
        if (type == kExthThumbOffset) exth.thumbnail = number;
    }
    return exth;
}

std::u16string NumberedPictureName(int number) {
    std::u16string digits;
    for (char c : std::to_string(number)) digits += static_cast<char16_t>(c);
    while (digits.size() < 4) digits.insert(digits.begin(), u'0');
    return u"image" + digits;
}

bool StartsWith(std::span<const std::uint8_t> data, const char* magic, std::size_t size) {
    return data.size() >= size && std::memcmp(data.data(), magic, size) == 0;
}

}  // namespace

bool IsPictureRecord(std::span<const std::uint8_t> record) {
    // Kinds listed undecoded count by a binary signature only: text records may open with '<'.
    if (const auto foreign = RecognizeForeignPicture(record, {})) return foreign->kind != ForeignKind::kSvg;
    const ImageFormat format = SniffImageFormat(record);
    if (format == ImageFormat::kBmp) {
        // Two letters alone are too weak against compressed text: the file header must fit the record.
        ByteReader reader(record, 2);
        const std::uint32_t fileSize = reader.U32LE();
        const std::uint32_t reserved = reader.U32LE();
        const std::uint32_t pixelOffset = reader.U32LE();
        const std::uint32_t infoSize = reader.U32LE();
        const bool knownInfo =
            infoSize == 12 || infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124;
        if (!reader.Ok() || reserved != 0 || fileSize > record.size() || pixelOffset >= record.size() || !knownInfo) {
            return false;
        }
    } else if (format != ImageFormat::kJpeg && format != ImageFormat::kPng && format != ImageFormat::kGif) {
        return false;
    }
    return ReadImageHeader(record).has_value();
}

MobiBook ReadMobiBook(std::span<const std::uint8_t> file, const PalmDatabase& database) {
    MobiBook book;
    const auto record0 = database.RecordData(file, 0);
    ByteReader reader(record0);
    reader.Seek(kTextRecordCountOffset);
    const std::uint32_t textRecords = reader.U16BE();
    reader.Seek(kEncryptionOffset);
    const std::uint32_t encryption = reader.U16BE();
    if (!reader.Ok()) return book;
    if (encryption != 0) {
        book.status = MobiBook::Status::kEncrypted;
        return book;
    }

    // A plain PalmDOC book has no MOBI header: its resources follow the text records.
    std::size_t firstImage = std::size_t{1} + textRecords;
    Exth exth;
    if (StartsWith(record0.subspan(std::min(record0.size(), kMobiOffset)), "MOBI", 4)) {
        reader.Seek(kMobiOffset + 4);
        const std::uint32_t headerLength = reader.U32BE();
        reader.Seek(kFirstImageOffset);
        const std::uint32_t first = reader.U32BE();
        if (!reader.Ok()) return book;
        if (first != kNone) firstImage = first;
        reader.Seek(kExthFlagsOffset);
        const std::uint32_t flags = reader.U32BE();
        if (reader.Ok() && (flags & kExthPresent) != 0) exth = ReadExth(record0, kMobiOffset + headerLength);
    }
    book.status = MobiBook::Status::kOk;
    if (firstImage == 0 || firstImage >= database.records.size()) return book;

    const auto pictureAt = [&](std::uint32_t offset) -> std::optional<std::size_t> {
        if (offset == kNone || offset >= database.records.size() - firstImage) return std::nullopt;
        const std::size_t record = firstImage + offset;
        if (!IsPictureRecord(database.RecordData(file, record))) return std::nullopt;
        return record;
    };
    const auto cover = pictureAt(exth.cover);
    const auto thumbnail = cover ? pictureAt(exth.thumbnail) : std::nullopt;
    if (cover) book.pictures.push_back({*cover, u"cover"});
    int number = 0;
    for (std::size_t record = firstImage; record < database.records.size(); ++record) {
        const auto data = database.RecordData(file, record);
        // A combined book keeps its shared resources before the boundary; what follows is the
        // newer edition's text, which is no place to look for pictures.
        if (StartsWith(data, "BOUNDARY", 8)) break;
        if (record == cover || record == thumbnail || !IsPictureRecord(data)) continue;
        book.pictures.push_back({record, NumberedPictureName(++number)});
    }
    return book;
}

}  // namespace pictrove::readers
