// The OLE compound file container (.doc, .xls, .ppt ...): a small file system of sectors
// chained through an allocation table, with a directory of storages and streams; streams under
// 4096 bytes live in a mini stream of 64-byte sectors with a table of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pictrove::readers {

class CompoundFile {
  public:
    // The container of the file; nothing when the header, the allocation tables or the
    // directory are damaged. The bytes must outlive the object.
    static std::optional<CompoundFile> Parse(std::span<const std::uint8_t> file);

    // The whole stream of that name directly inside the root storage (names compare without
    // regard to case); nothing when there is none or its sector chain is broken.
    std::optional<std::vector<std::uint8_t>> ReadStream(std::u16string_view name) const;

    // Names of the root storage's direct children, for diagnostics and tests.
    std::vector<std::u16string> RootNames() const;

  private:
    struct Entry {
        std::u16string name;
        int type = 0;  // 1 storage, 2 stream, 5 root
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        std::uint32_t child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    CompoundFile() = default;
    // The sectors of a chain in order, at most maxSectors of them; nothing when the chain
    // leaves the table, loops or ends early.
    static std::optional<std::vector<std::uint32_t>> Chain(const std::vector<std::uint32_t>& table,
                                                           std::uint32_t start,
                                                           std::size_t needed);
    std::optional<std::vector<std::uint8_t>> ReadChain(std::uint32_t start, std::uint64_t size) const;
    std::optional<std::vector<std::uint8_t>> ReadMiniChain(std::uint32_t start, std::uint64_t size) const;
    std::vector<std::uint32_t> RootChildren() const;

    std::span<const std::uint8_t> file_;
    std::size_t sectorSize_ = 512;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> miniStream_;
};

}  // namespace pictrove::readers
