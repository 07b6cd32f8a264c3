// Container detection and the RAR header walk.
#include "containers/ArchiveProbe.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "model/ByteReader.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

constexpr std::uint8_t kRar4Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::uint8_t kRar5Signature[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr std::uint8_t kSevenZipSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

// Enough for any real comic; a chain of empty blocks cannot keep the walk busy for long.
constexpr std::size_t kMaxBlocks = 1u << 20;

bool StartsWith(std::span<const std::uint8_t> file, std::span<const std::uint8_t> signature) {
    return file.size() >= signature.size() && std::memcmp(file.data(), signature.data(), signature.size()) == 0;
}

// A tar header block checks itself: its checksum field holds the sum of its 512 bytes, the field
// counted as blanks. Old writers summed signed bytes, so either sum is accepted.
bool IsTarHeader(std::span<const std::uint8_t> file) {
    if (file.size() < 512) return false;
    std::uint64_t stored = 0;
    std::size_t i = 148;
    while (i < 156 && file[i] == ' ') ++i;
    std::size_t digits = 0;
    for (; i < 156 && file[i] >= '0' && file[i] <= '7'; ++i, ++digits) stored = stored * 8 + (file[i] - '0');
    if (digits == 0 || (i < 156 && file[i] != 0 && file[i] != ' ')) return false;
    std::uint64_t unsignedSum = 0;
    std::int64_t signedSum = 0;
    for (std::size_t j = 0; j < 512; ++j) {
        const std::uint8_t byte = (j >= 148 && j < 156) ? ' ' : file[j];
        unsignedSum += byte;
        signedSum += static_cast<std::int8_t>(byte);
    }
    // An all-zero block sums to the blanks alone: that is an empty archive's end, not a header.
    if (unsignedSum == 8 * ' ') return false;
    return stored == unsignedSum || static_cast<std::int64_t>(stored) == signedSum;
}

// RAR 5 variable-length integer: seven bits a byte, low bits first.
std::optional<std::uint64_t> ReadVarint(ByteReader& reader) {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const std::uint8_t byte = reader.U8();
        if (!reader.Ok()) return std::nullopt;
        value |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) return value;
    }
    return std::nullopt;
}

void WalkRar4(std::span<const std::uint8_t> file, RarFacts& facts) {
    constexpr std::uint8_t kMainHeader = 0x73;
    constexpr std::uint8_t kFileHeader = 0x74;
    constexpr std::uint8_t kEndBlock = 0x7B;
    std::size_t position = sizeof(kRar4Signature);
    for (std::size_t blocks = 0; blocks < kMaxBlocks; ++blocks) {
        ByteReader reader(file, position);
        reader.Skip(2);  // header CRC
        const std::uint8_t type = reader.U8();
        const std::uint16_t flags = reader.U16LE();
        const std::uint16_t headerSize = reader.U16LE();
        if (!reader.Ok() || headerSize < 7) return;
        std::uint64_t dataSize = 0;
        if ((flags & 0x8000) != 0) dataSize = reader.U32LE();
        if (type == kMainHeader) {
            facts.solid = (flags & 0x0008) != 0;
            if ((flags & 0x0080) != 0) {
                // Every block after this one is encrypted: there is nothing more to walk.
                facts.headersEncrypted = true;
                return;
            }
        } else if (type == kFileHeader) {
            ++facts.files;
            if ((flags & 0x0004) != 0) ++facts.encryptedFiles;
            if ((flags & 0x0100) != 0) {
                ByteReader high(file, position + 32);
                dataSize |= std::uint64_t{high.U32LE()} << 32;
            }
        } else if (type == kEndBlock) {
            return;
        }
        if (!reader.Ok() || dataSize > file.size() || headerSize + dataSize > file.size() - position) return;
        position += headerSize + static_cast<std::size_t>(dataSize);
    }
}

void WalkRar5(std::span<const std::uint8_t> file, RarFacts& facts) {
    constexpr std::uint64_t kMainHeader = 1;
    constexpr std::uint64_t kFileHeader = 2;
    constexpr std::uint64_t kEncryptionHeader = 4;
    constexpr std::uint64_t kEndBlock = 5;
    constexpr std::uint64_t kExtraEncryption = 1;
    std::size_t position = sizeof(kRar5Signature);
    for (std::size_t blocks = 0; blocks < kMaxBlocks; ++blocks) {
        ByteReader reader(file, position);
        reader.Skip(4);  // header CRC
        const auto headerSize = ReadVarint(reader);
        if (!headerSize || *headerSize == 0 || *headerSize > reader.Remaining()) return;
        const std::size_t headerEnd = reader.Position() + static_cast<std::size_t>(*headerSize);
        const auto type = ReadVarint(reader);
        const auto flags = ReadVarint(reader);
        if (!type || !flags) return;
        std::uint64_t extraSize = 0;
        std::uint64_t dataSize = 0;
        if ((*flags & 0x0001) != 0) extraSize = ReadVarint(reader).value_or(~std::uint64_t{0});
        if ((*flags & 0x0002) != 0) dataSize = ReadVarint(reader).value_or(~std::uint64_t{0});
        if (!reader.Ok() || reader.Position() > headerEnd || extraSize > headerEnd - reader.Position()) return;
        if (*type == kEncryptionHeader) {
            facts.headersEncrypted = true;
            return;
        }
        if (*type == kMainHeader) {
            facts.solid = (ReadVarint(reader).value_or(0) & 0x0004) != 0;
        } else if (*type == kFileHeader) {
            ++facts.files;
            // The extra area closes the header; a file's encryption record lives there.
            ByteReader extra(
                file.subspan(headerEnd - static_cast<std::size_t>(extraSize), static_cast<std::size_t>(extraSize)));
            while (extra.Remaining() > 0) {
                const auto recordSize = ReadVarint(extra);
                if (!recordSize || *recordSize == 0 || *recordSize > extra.Remaining()) break;
                const std::size_t next = extra.Position() + static_cast<std::size_t>(*recordSize);
                if (ReadVarint(extra).value_or(0) == kExtraEncryption) {
                    ++facts.encryptedFiles;
                    break;
                }
                extra.Seek(next);
            }
        } else if (*type == kEndBlock) {
            return;
        }
        if (dataSize > file.size() - headerEnd) return;
        position = headerEnd + static_cast<std::size_t>(dataSize);
    }
}

}  // namespace

ArchiveKind DetectArchiveKind(std::span<const std::uint8_t> file) {
    if (StartsWith(file, kRar5Signature)) return ArchiveKind::kRar5;
    if (StartsWith(file, kRar4Signature)) return ArchiveKind::kRar4;
    if (StartsWith(file, kSevenZipSignature)) return ArchiveKind::kSevenZip;
    if (LooksLikeZip(file)) return ArchiveKind::kZip;
    if (IsTarHeader(file)) return ArchiveKind::kTar;
    return ArchiveKind::kUnknown;
}

RarFacts ProbeRar(std::span<const std::uint8_t> file, ArchiveKind kind) {
    RarFacts facts;
    if (kind == ArchiveKind::kRar4) WalkRar4(file, facts);
    if (kind == ArchiveKind::kRar5) WalkRar5(file, facts);
    return facts;
}

}  // namespace pictrove::readers
