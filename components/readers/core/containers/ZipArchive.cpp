// Zip directory reading and bounded extraction.
#include "containers/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "model/ByteReader.h"
#include "markup/TextCodec.h"

namespace pictrove::readers {
namespace {

constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::uint32_t kCentralHeader = 0x02014B50;
constexpr std::uint32_t kEndOfDirectory = 0x06054B50;
constexpr std::uint32_t kZip64End = 0x06064B50;
constexpr std::uint32_t kZip64Locator = 0x07064B50;
constexpr std::uint32_t kDataDescriptor = 0x08074B50;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kFlagDescriptor = 0x0008;

// A directory that claims more entries than the file could hold is refused before any memory
// is taken for it.
constexpr std::size_t kMinCentralRecord = 46;
constexpr std::size_t kMaxEntries = 1u << 20;

// Zip64 fields replace those of the fixed record that hold all ones, in this order.
void ApplyZip64Extra(std::span<const std::uint8_t> extra,
                     std::uint64_t& uncompressed,
                     std::uint64_t& compressed,
                     std::uint64_t* offset) {
    ByteReader reader(extra);
    while (reader.Remaining() >= 4) {
        const std::uint16_t id = reader.U16LE();
        const std::uint16_t size = reader.U16LE();
        auto field = reader.Bytes(size);
        if (!reader.Ok()) return;
        if (id != kZip64Extra) continue;
        ByteReader values(field);
        if (uncompressed == 0xFFFFFFFF) uncompressed = values.U32LE() | (std::uint64_t{values.U32LE()} << 32);
        if (compressed == 0xFFFFFFFF) compressed = values.U32LE() | (std::uint64_t{values.U32LE()} << 32);
        if (offset != nullptr && *offset == 0xFFFFFFFF)
            *offset = values.U32LE() | (std::uint64_t{values.U32LE()} << 32);
        return;
    }
}

std::uint64_t U64LE(ByteReader& reader) {
    const std::uint64_t low = reader.U32LE();
    return low | (std::uint64_t{reader.U32LE()} << 32);
}

// The size of stored data followed by a signed data descriptor (its size field repeats it).
bool FindStoredEnd(std::span<const std::uint8_t> file, std::size_t start, std::size_t& size) {
    for (std::size_t at = start; at + 16 <= file.size(); ++at) {
        if (file[at] != 0x50) continue;
        ByteReader descriptor(file, at);
        if (descriptor.U32LE() != kDataDescriptor) continue;
        descriptor.Skip(4);
        if (descriptor.U32LE() == at - start) {
            size = at - start;
            return true;
        }
    }
    return false;
}

}  // namespace

bool LooksLikeZip(std::span<const std::uint8_t> file) {
    if (file.size() < 4) return false;
    ByteReader reader(file);
    const std::uint32_t signature = reader.U32LE();
    return signature == kLocalHeader || signature == kEndOfDirectory;
}

bool ZipArchive::Open(std::span<const std::uint8_t> file) {
    file_ = file;
    entries_.clear();
    recovered_ = false;
    if (ReadCentralDirectory()) return true;
    entries_.clear();
    recovered_ = true;
    return ScanLocalHeaders();
}

bool ZipArchive::ReadCentralDirectory() {
    // The end record sits in the last 64 KB + 22 bytes (its comment is at most 64 KB).
    if (file_.size() < 22) return false;
    const std::size_t lowest = file_.size() > 0xFFFF + 22 ? file_.size() - (0xFFFF + 22) : 0;
    std::size_t end = file_.size() - 22;
    for (;; --end) {
        if (file_[end] == 0x50 && ByteReader(file_, end).U32LE() == kEndOfDirectory) break;
        if (end == lowest) return false;
    }
    ByteReader record(file_, end + 4);
    record.Skip(6);
    std::uint64_t count = record.U16LE();
    std::uint64_t directorySize = record.U32LE();
    std::uint64_t directoryOffset = record.U32LE();
    if (!record.Ok()) return false;

    if (end >= 20 && ByteReader(file_, end - 20).U32LE() == kZip64Locator) {
        ByteReader locator(file_, end - 20 + 8);
        const std::uint64_t zip64End = U64LE(locator);
        if (zip64End < file_.size()) {
            ByteReader big(file_, static_cast<std::size_t>(zip64End));
            if (big.U32LE() == kZip64End) {
                big.Skip(8 + 2 + 2 + 4 + 4 + 8);
                count = U64LE(big);
                directorySize = U64LE(big);
                directoryOffset = U64LE(big);
                if (!big.Ok()) return false;
            }
        }
    }
    if (directoryOffset > file_.size() || directorySize > file_.size() - directoryOffset) return false;
    if (count > directorySize / kMinCentralRecord || count > kMaxEntries) return false;

    ByteReader reader(
        file_.subspan(static_cast<std::size_t>(directoryOffset), static_cast<std::size_t>(directorySize)));
    entries_.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        if (reader.U32LE() != kCentralHeader) return false;
        reader.Skip(4);
        ZipEntry entry;
        entry.flags = reader.U16LE();
        entry.method = reader.U16LE();
        reader.Skip(8);
        entry.compressedSize = reader.U32LE();
        entry.uncompressedSize = reader.U32LE();
        const std::uint16_t nameSize = reader.U16LE();
        const std::uint16_t extraSize = reader.U16LE();
        const std::uint16_t commentSize = reader.U16LE();
        reader.Skip(8);
        entry.localHeaderOffset = reader.U32LE();
        const auto name = reader.Bytes(nameSize);
        const auto extra = reader.Bytes(extraSize);
        reader.Skip(commentSize);
        if (!reader.Ok()) return false;
        entry.name.assign(name.begin(), name.end());
        entry.utf8 = (entry.flags & kFlagUtf8) != 0;
        ApplyZip64Extra(extra, entry.uncompressedSize, entry.compressedSize, &entry.localHeaderOffset);

        // The data offset comes from the local header, whose name and extra lengths may differ.
        if (entry.localHeaderOffset > file_.size()) continue;
        ByteReader local(file_, static_cast<std::size_t>(entry.localHeaderOffset));
        if (local.U32LE() != kLocalHeader) continue;
        local.Skip(22);
        const std::uint16_t localName = local.U16LE();
        const std::uint16_t localExtra = local.U16LE();
        local.Skip(std::size_t{localName} + localExtra);
        if (!local.Ok()) continue;
        entry.dataOffset = local.Position();
        if (entry.compressedSize > file_.size() - entry.dataOffset) continue;
        entries_.push_back(std::move(entry));
    }
    return !entries_.empty() || count == 0;
}

// A file whose end (and so its directory) is lost: the local headers are read in file order for
// as long as each entry's end can be found.
bool ZipArchive::ScanLocalHeaders() {
    std::size_t position = 0;
    while (entries_.size() < kMaxEntries) {
        ByteReader reader(file_, position);
        if (reader.U32LE() != kLocalHeader) break;
        reader.Skip(2);
        ZipEntry entry;
        entry.flags = reader.U16LE();
        entry.method = reader.U16LE();
        reader.Skip(8);
        entry.compressedSize = reader.U32LE();
        entry.uncompressedSize = reader.U32LE();
        const std::uint16_t nameSize = reader.U16LE();
        const std::uint16_t extraSize = reader.U16LE();
        const auto name = reader.Bytes(nameSize);
        const auto extra = reader.Bytes(extraSize);
        if (!reader.Ok()) break;
        entry.name.assign(name.begin(), name.end());
        entry.utf8 = (entry.flags & kFlagUtf8) != 0;
        entry.localHeaderOffset = position;
        entry.dataOffset = reader.Position();
        ApplyZip64Extra(extra, entry.uncompressedSize, entry.compressedSize, nullptr);
        const std::size_t available = file_.size() - reader.Position();

        if ((entry.flags & kFlagDescriptor) != 0 && entry.compressedSize == 0) {
            // Sizes follow the data: a deflate stream tells where it ends, stored data is
            // ended by the first descriptor whose size field matches its distance.
            std::size_t consumed = 0;
            if (entry.method == 8) {
                auto data = InflateBounded(file_.subspan(reader.Position()), kMaxZipEntrySize, true, &consumed);
                if (!data) break;
                entry.uncompressedSize = data->size();
            } else if (entry.method == 0) {
                if (!FindStoredEnd(file_, reader.Position(), consumed)) break;
                entry.uncompressedSize = consumed;
            } else {
                break;
            }
            entry.compressedSize = consumed;
            ByteReader descriptor(file_, reader.Position() + consumed);
            const std::size_t descriptorSize = descriptor.U32LE() == kDataDescriptor ? 16 : 12;
            position = reader.Position() + consumed + descriptorSize;
        } else {
            if (entry.compressedSize > available) break;
            position = reader.Position() + static_cast<std::size_t>(entry.compressedSize);
            if ((entry.flags & kFlagDescriptor) != 0) {
                ByteReader descriptor(file_, position);
                position += descriptor.U32LE() == kDataDescriptor ? 16 : 12;
            }
        }
        entries_.push_back(std::move(entry));
        if (position > file_.size()) break;
    }
    return !entries_.empty();
}

const ZipEntry* ZipArchive::Find(std::string_view name) const {
    for (const auto& entry : entries_) {
        if (entry.name == name) return &entry;
    }
    const auto normal = [](std::string_view text) {
        std::string folded = AsciiLower(text);
        std::replace(folded.begin(), folded.end(), '\\', '/');
        while (folded.starts_with("/")) folded.erase(0, 1);
        return folded;
    };
    const std::string wanted = normal(name);
    for (const auto& entry : entries_) {
        if (normal(entry.name) == wanted) return &entry;
    }
    return nullptr;
}

std::optional<std::span<const std::uint8_t>> ZipArchive::StoredData(const ZipEntry& entry) const {
    if (entry.IsEncrypted() || entry.dataOffset > file_.size() ||
        entry.compressedSize > file_.size() - entry.dataOffset) {
        return std::nullopt;
    }
    return file_.subspan(static_cast<std::size_t>(entry.dataOffset), static_cast<std::size_t>(entry.compressedSize));
}

std::optional<std::vector<std::uint8_t>> ZipArchive::Extract(const ZipEntry& entry, std::size_t limit) const {
    const auto stored = StoredData(entry);
    if (!stored) return std::nullopt;
    const auto data = *stored;
    if (entry.uncompressedSize > limit) {
        if (limit >= kMaxZipEntrySize) NoteLimitBreach(LimitBreach::kStreamBytes);
        return std::nullopt;
    }
    const auto expected = static_cast<std::size_t>(entry.uncompressedSize);
    if (entry.method == 0) {
        if (data.size() != expected) return std::nullopt;
        return std::vector<std::uint8_t>(data.begin(), data.end());
    }
    if (entry.method != 8) return std::nullopt;
    // Deflate cannot expand its data more than about 1032 times: a larger declared size is a lie,
    // refused before any work.
    if (expected > MostInflatedBytes(data.size())) return std::nullopt;
    // The declared size bounds the output: a stream that would give more is damaged or hostile.
    auto out = InflateBounded(data, expected, true, nullptr, expected);
    if (!out || out->size() != expected) return std::nullopt;
    return out;
}

std::optional<std::vector<std::uint8_t>> ZipArchive::ExtractPrefix(const ZipEntry& entry, std::size_t count) const {
    const auto stored = StoredData(entry);
    if (!stored) return std::nullopt;
    const auto data = *stored;
    if (entry.method == 0) {
        const auto prefix = data.first(std::min(count, data.size()));
        return std::vector<std::uint8_t>(prefix.begin(), prefix.end());
    }
    if (entry.method != 8) return std::nullopt;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
    std::vector<std::uint8_t> out(std::min<std::uint64_t>(count, std::max<std::uint64_t>(entry.uncompressedSize, 1)));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size(), 1u << 30));
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    out.resize(out.size() - stream.avail_out);
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END && !(result == Z_BUF_ERROR && !out.empty())) return std::nullopt;
    return out;
}

std::uint64_t MostInflatedBytes(std::size_t compressed) {
    return std::uint64_t(compressed) * 1032 + 64;
}

std::optional<std::vector<std::uint8_t>> InflateBounded(std::span<const std::uint8_t> data,
                                                        std::size_t limit,
                                                        bool raw,
                                                        std::size_t* consumed,
                                                        std::size_t expectedSize) {
    z_stream stream{};
    if (inflateInit2(&stream, raw ? -MAX_WBITS : MAX_WBITS) != Z_OK) return std::nullopt;
    std::vector<std::uint8_t> out;
    // Grown as needed: a declared size may be a lie, so the first buffer is no larger than what
    // a few times the data could give.
    const std::size_t plausible =
        data.size() < (std::size_t{1} << 28) ? data.size() * 4 + (std::size_t{1} << 16) : std::size_t{1} << 30;
    out.resize(std::min({limit, expectedSize > 0 ? expectedSize : std::size_t{1} << 16, plausible}));
    std::size_t produced = 0;
    std::size_t fed = 0;
    int result = Z_OK;
    for (;;) {
        if (stream.avail_in == 0 && fed < data.size()) {
            const std::size_t chunk = std::min<std::size_t>(data.size() - fed, 1u << 30);
            stream.next_in = const_cast<Bytef*>(data.data() + fed);
            stream.avail_in = static_cast<uInt>(chunk);
            fed += chunk;
        }
        if (produced == out.size()) {
            if (out.size() >= limit) {
                // Full: the stream must end here without another byte of output.
                std::uint8_t probe = 0;
                stream.next_out = &probe;
                stream.avail_out = 1;
                result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END && stream.avail_out == 1) break;
                inflateEnd(&stream);
                return std::nullopt;
            }
            out.resize(std::min(limit, std::max<std::size_t>(out.size() * 2, 1u << 16)));
        }
        const std::size_t room = std::min<std::size_t>(out.size() - produced, 1u << 30);
        stream.next_out = out.data() + produced;
        stream.avail_out = static_cast<uInt>(room);
        result = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        if (result == Z_STREAM_END) break;
        if (result == Z_BUF_ERROR && stream.avail_in == 0 && fed >= data.size()) break;  // input ended early
        if (result != Z_OK && result != Z_BUF_ERROR) break;
    }
    const std::size_t used = data.size() - (data.size() - fed) - stream.avail_in;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    if (consumed != nullptr) *consumed = used;
    out.resize(produced);
    return out;
}

std::u16string ZipEntryName(const ZipEntry& entry) {
    if (entry.utf8 || IsValidUtf8(entry.name)) return Utf8ToUtf16(entry.name);
    return Cp437ToUtf16(entry.name);
}

}  // namespace pictrove::readers
