// Palm database container parsing.
#include "containers/PalmDatabase.h"

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kHeaderSize = 78;
constexpr std::size_t kRecordEntrySize = 8;

std::string FourChars(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::optional<PalmDatabase> ParsePalmDatabase(std::span<const std::uint8_t> file) {
    ByteReader reader(file);
    const auto name = reader.Bytes(32);
    reader.Seek(60);
    const auto type = reader.Bytes(4);
    const auto creator = reader.Bytes(4);
    reader.Seek(76);
    const std::size_t count = reader.U16BE();
    if (!reader.Ok() || count == 0) return std::nullopt;
    if (count > (file.size() - kHeaderSize) / kRecordEntrySize) return std::nullopt;

    PalmDatabase database;
    for (char c : name) {
        if (c == 0) break;
        database.name += c;
    }
    database.type = FourChars(type);
    database.creator = FourChars(creator);
    database.records.resize(count);
    const std::size_t listEnd = kHeaderSize + count * kRecordEntrySize;
    for (auto& record : database.records) {
        record.offset = reader.U32BE();
        reader.Skip(4);  // attributes and unique id
        // Some writers leave two bytes of padding after the list; nothing may start inside it.
        if (record.offset < listEnd || record.offset > file.size()) return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? database.records[i + 1].offset : file.size();
        if (end < database.records[i].offset) return std::nullopt;
        database.records[i].size = end - database.records[i].offset;
    }
    return database;
}

}  // namespace pictrove::readers
