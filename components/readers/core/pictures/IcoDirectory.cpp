// Icon directory parsing.
#include "pictures/IcoDirectory.h"

#include <cstring>

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void PutLE(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool LooksLikeIco(std::span<const std::uint8_t> file) {
    ByteReader reader(file);
    const auto reserved = reader.U16LE();
    const auto type = reader.U16LE();
    const auto count = reader.U16LE();
    return reader.Ok() && reserved == 0 && (type == 1 || type == 2) && count > 0;
}

std::optional<std::vector<IcoEntry>> ParseIcoDirectory(std::span<const std::uint8_t> file) {
    if (!LooksLikeIco(file)) return std::nullopt;
    ByteReader reader(file, 4);
    const int count = reader.U16LE();
    std::vector<IcoEntry> entries;
    for (int i = 0; i < count; ++i) {
        IcoEntry entry;
        const int width = reader.U8();
        const int height = reader.U8();
        reader.Skip(4);  // colour count, reserved, planes (or the hotspot of a cursor)
        entry.bitCount = reader.U16LE();
        entry.size = reader.U32LE();
        entry.offset = reader.U32LE();
        if (!reader.Ok()) break;
        entry.width = width == 0 ? 256 : width;
        entry.height = height == 0 ? 256 : height;
        const std::uint64_t end = std::uint64_t{entry.offset} + entry.size;
        if (entry.size == 0 || entry.offset < kHeaderSize + kEntrySize || end > file.size()) continue;
        entry.isPng = entry.size >= sizeof(kPngSignature) &&
                      std::memcmp(file.data() + entry.offset, kPngSignature, sizeof(kPngSignature)) == 0;
        entries.push_back(entry);
    }
    if (entries.empty()) return std::nullopt;
    return entries;
}

std::vector<std::uint8_t> ExtractIcoEntry(std::span<const std::uint8_t> file, const IcoEntry& entry) {
    const std::uint64_t end = std::uint64_t{entry.offset} + entry.size;
    if (entry.size == 0 || end > file.size()) return {};
    const auto data = file.subspan(entry.offset, entry.size);
    if (entry.isPng) return {data.begin(), data.end()};
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + kEntrySize + data.size());
    PutLE(out, 0, 2);
    PutLE(out, 1, 2);  // always an icon: a cursor's hotspot fields would read as planes and depth
    PutLE(out, 1, 2);
    out.push_back(static_cast<std::uint8_t>(entry.width >= 256 ? 0 : entry.width));
    out.push_back(static_cast<std::uint8_t>(entry.height >= 256 ? 0 : entry.height));
    out.push_back(0);  // colour count: taken from the bitmap header
    out.push_back(0);
    PutLE(out, 1, 2);  // planes
    PutLE(out, static_cast<std::uint32_t>(entry.bitCount), 2);
    PutLE(out, entry.size, 4);
    PutLE(out, kHeaderSize + kEntrySize, 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace pictrove::readers
