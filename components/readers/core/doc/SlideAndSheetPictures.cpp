// Finding the picture store of presentations and workbooks.
#include "doc/SlideAndSheetPictures.h"

#include <algorithm>

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

constexpr std::uint16_t kDocumentContainer = 0x03E8;
constexpr std::uint16_t kDrawingGroup = 0x040B;
constexpr std::uint16_t kDggContainer = 0xF000;
constexpr std::uint16_t kBiffFilePass = 0x002F;
constexpr std::uint16_t kBiffDrawingGroup = 0x00EB;
constexpr std::uint16_t kBiffContinue = 0x003C;
constexpr std::uint16_t kBiffEof = 0x000A;

// The first record of that type among those of data: its body, or the whole record.
std::span<const std::uint8_t> ChildRecord(std::span<const std::uint8_t> data, std::uint16_t type, bool withHeader) {
    ByteReader reader(data);
    while (reader.Ok() && reader.Remaining() >= 8) {
        const std::size_t start = reader.Position();
        reader.U16LE();
        const std::uint16_t recordType = reader.U16LE();
        const std::uint32_t length = reader.U32LE();
        const auto body = reader.Bytes(length);
        if (!reader.Ok()) break;
        if (recordType == type) return withHeader ? data.subspan(start, length + 8) : body;
    }
    return {};
}

bool HasStream(const CompoundFile& file, std::u16string_view name) {
    const auto names = file.RootNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

WordPictures Listed(std::vector<WordBlip> store) {
    WordPictures result;
    result.status = WordPictures::Status::kOk;
    for (WordBlip& blip : store) {
        if (!blip.data.empty()) result.blips.push_back(std::move(blip));
    }
    return result;
}

}  // namespace

WordPictures FindSlidePictures(const CompoundFile& file) {
    WordPictures result;
    if (HasStream(file, u"EncryptedSummary")) {
        result.status = WordPictures::Status::kEncrypted;
        return result;
    }
    const auto document = file.ReadStream(u"PowerPoint Document");
    if (!document) return result;
    // A file saved in increments keeps older document containers before the current one.
    std::span<const std::uint8_t> drawingGroup;
    ByteReader reader(*document);
    while (reader.Ok() && reader.Remaining() >= 8) {
        reader.U16LE();
        const std::uint16_t type = reader.U16LE();
        const auto body = reader.Bytes(reader.U32LE());
        if (!reader.Ok()) break;
        if (type != kDocumentContainer) continue;
        const auto group = ChildRecord(ChildRecord(body, kDrawingGroup, false), kDggContainer, true);
        if (!group.empty()) drawingGroup = group;
    }
    const std::vector<std::uint8_t> pictures = file.ReadStream(u"Pictures").value_or(std::vector<std::uint8_t>{});
    return Listed(PictureStore(drawingGroup, pictures));
}

WordPictures FindSheetPictures(const CompoundFile& file) {
    WordPictures result;
    auto workbook = file.ReadStream(u"Workbook");
    if (!workbook) return result;
    // The drawing group is one record continued over as many as its size needs.
    std::vector<std::uint8_t> group;
    bool inGroup = false;
    ByteReader reader(*workbook);
    while (reader.Ok() && reader.Remaining() >= 4) {
        const std::uint16_t type = reader.U16LE();
        const auto body = reader.Bytes(reader.U16LE());
        if (!reader.Ok()) break;
        if (type == kBiffFilePass) {
            result.status = WordPictures::Status::kEncrypted;
            return result;
        }
        if (type == kBiffDrawingGroup || (inGroup && type == kBiffContinue)) {
            group.insert(group.end(), body.begin(), body.end());
            inGroup = true;
        } else {
            inGroup = false;
            if (type == kBiffEof && !group.empty()) break;  // the workbook globals end here
        }
    }
    return Listed(PictureStore(group, {}));
}

WordPictures FindCompoundPictures(const CompoundFile& file) {
    if (HasStream(file, u"WordDocument")) return FindWordPictures(file);
    if (HasStream(file, u"PowerPoint Document")) return FindSlidePictures(file);
    if (HasStream(file, u"Workbook")) return FindSheetPictures(file);
    return {};
}

}  // namespace pictrove::readers
