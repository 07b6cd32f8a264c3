// Reading zip containers (EPUB, comic archives, XPS, zipped FB2): the central directory with
// Zip64 records, or, when a damaged file has lost it, the local headers one after the other;
// stored and deflated entries, the latter inflated through zlib with a hard output limit so a
// zip bomb fails instead of filling memory. Shared by every reader of a zip-based format.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/Limits.h"

namespace pictrove::readers {

struct ZipEntry {
    std::string name;  // as stored: UTF-8, or code page 437 when not flagged as UTF-8
    bool utf8 = false;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint16_t flags = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
    std::uint64_t dataOffset = 0;  // first byte of the entry's data, checked against the file

    bool IsFolder() const { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }
    bool IsEncrypted() const { return (flags & 1) != 0; }
};

// Largest entry any reader takes out of a container: far above any picture or page description,
// far below what a zip bomb declares.
inline constexpr std::size_t kMaxZipEntrySize = kMaxStreamBytes;

class ZipArchive {
  public:
    // Lists the entries of a zip file; false when the bytes are no zip or nothing is readable.
    // The archive refers to the bytes, which the caller keeps alive and unchanged.
    bool Open(std::span<const std::uint8_t> file);

    const std::vector<ZipEntry>& Entries() const { return entries_; }
    // True when the central directory was lost (a file cut short) and the entries were found by
    // their local headers instead: those after the damage are missing.
    bool Recovered() const { return recovered_; }

    // The entry with this name: exact first, then without regard to ASCII case and with either
    // slash (writers of real-world books disagree with their own manifests).
    const ZipEntry* Find(std::string_view name) const;

    // The entry's bytes, or nothing when it is encrypted, uses another method, is damaged or
    // would grow beyond limit. The declared size is checked against what inflating gives.
    std::optional<std::vector<std::uint8_t>> Extract(const ZipEntry& entry, std::size_t limit = kMaxZipEntrySize) const;

    // The first count bytes of the entry (fewer when it is shorter), inflating no further:
    // enough to read an embedded picture's header.
    std::optional<std::vector<std::uint8_t>> ExtractPrefix(const ZipEntry& entry, std::size_t count) const;

  private:
    // The entry's stored bytes inside the file; nothing when encrypted or out of the file's bounds.
    std::optional<std::span<const std::uint8_t>> StoredData(const ZipEntry& entry) const;
    bool ReadCentralDirectory();
    bool ScanLocalHeaders();

    std::span<const std::uint8_t> file_;
    std::vector<ZipEntry> entries_;
    bool recovered_ = false;
};

// Whether the bytes start like a zip file (a local header or an empty archive).
bool LooksLikeZip(std::span<const std::uint8_t> file);

// The most bytes a deflate stream of this many bytes can inflate to (its best ratio is about
// 1032 to 1).
std::uint64_t MostInflatedBytes(std::size_t compressed);

// Inflates data: raw deflate (zip entries) or with a zlib header. Fails when the output would
// exceed limit, when the stream is damaged or ends early. consumed (optional) receives the
// number of input bytes the stream took.
std::optional<std::vector<std::uint8_t>> InflateBounded(std::span<const std::uint8_t> data,
                                                        std::size_t limit,
                                                        bool raw,
                                                        std::size_t* consumed = nullptr,
                                                        std::size_t expectedSize = 0);

// The entry name as UTF-16 (from UTF-8 or code page 437).
std::u16string ZipEntryName(const ZipEntry& entry);

}  // namespace pictrove::readers
