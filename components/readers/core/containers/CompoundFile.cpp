// Compound file parsing: header, DIFAT, FAT, mini FAT, directory and stream chains.
#include "containers/CompoundFile.h"

#include <cstring>

#include "model/ByteReader.h"
#include "model/ImageNames.h"

namespace pictrove::readers {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::size_t kMiniSectorSize = 64;

enum EntryType : int { kStorage = 1, kStream = 2, kRoot = 5 };

}  // namespace

std::optional<std::vector<std::uint32_t>> CompoundFile::Chain(const std::vector<std::uint32_t>& table,
                                                              std::uint32_t start,
                                                              std::size_t needed) {
    if (needed > table.size()) return std::nullopt;
    std::vector<std::uint32_t> sectors;
    std::vector<bool> visited(table.size(), false);
    std::uint32_t sector = start;
    while (sectors.size() < needed) {
        // A sector met twice makes the chain a loop: its data would repeat.
        if (sector >= table.size() || visited[sector]) return std::nullopt;
        visited[sector] = true;
        sectors.push_back(sector);
        sector = table[sector];
    }
    return sectors;
}

std::optional<CompoundFile> CompoundFile::Parse(std::span<const std::uint8_t> file) {
    if (file.size() < 512 || std::memcmp(file.data(), kSignature, sizeof(kSignature)) != 0) return std::nullopt;
    ByteReader header(file, 0x1A);
    const int majorVersion = header.U16LE();
    const std::uint16_t byteOrder = header.U16LE();
    const int sectorShift = header.U16LE();
    const int miniShift = header.U16LE();
    header.Seek(0x2C);
    const std::uint32_t fatSectors = header.U32LE();
    const std::uint32_t firstDirectory = header.U32LE();
    header.Skip(4);
    const std::uint32_t miniCutoff = header.U32LE();
    const std::uint32_t firstMiniFat = header.U32LE();
    const std::uint32_t miniFatSectors = header.U32LE();
    std::uint32_t difatSector = header.U32LE();
    const std::uint32_t difatSectors = header.U32LE();
    if (byteOrder != 0xFFFE || miniShift != 6) return std::nullopt;
    if (!((majorVersion == 3 && sectorShift == 9) || (majorVersion == 4 && sectorShift == 12))) return std::nullopt;

    CompoundFile compound;
    compound.file_ = file;
    compound.sectorSize_ = std::size_t{1} << sectorShift;
    compound.miniCutoff_ = miniCutoff;
    const std::size_t sectorSize = compound.sectorSize_;
    const std::size_t sectorCount = file.size() / sectorSize;
    const std::size_t perSector = sectorSize / 4;
    const auto sectorData = [&](std::uint32_t sector) -> std::span<const std::uint8_t> {
        const std::uint64_t offset = (std::uint64_t{sector} + 1) * sectorSize;
        if (offset + sectorSize > file.size()) return {};
        return file.subspan(offset, sectorSize);
    };

    // The FAT's own sectors: 109 listed in the header, the rest in a chain of DIFAT sectors.
    if (fatSectors > sectorCount) return std::nullopt;
    std::vector<std::uint32_t> fatList;
    for (std::size_t i = 0; i < kHeaderDifatEntries && fatList.size() < fatSectors; ++i) {
        fatList.push_back(header.U32LE());
    }
    for (std::uint32_t i = 0; i < difatSectors && fatList.size() < fatSectors; ++i) {
        ByteReader difat(sectorData(difatSector));
        if (difat.Remaining() != sectorSize) return std::nullopt;
        for (std::size_t j = 0; j + 1 < perSector && fatList.size() < fatSectors; ++j) fatList.push_back(difat.U32LE());
        difatSector = difat.U32LE();
    }
    if (fatList.size() < fatSectors || !header.Ok()) return std::nullopt;
    compound.fat_.reserve(fatList.size() * perSector);
    for (std::uint32_t sector : fatList) {
        ByteReader fat(sectorData(sector));
        if (fat.Remaining() != sectorSize) return std::nullopt;
        for (std::size_t j = 0; j < perSector; ++j) compound.fat_.push_back(fat.U32LE());
    }

    // The directory has no size of its own: its chain runs to the end-of-chain mark.
    std::vector<std::uint8_t> directory;
    {
        std::uint32_t sector = firstDirectory;
        std::vector<bool> visited(compound.fat_.size(), false);
        while (sector != kEndOfChain) {
            const auto data = sectorData(sector);
            if (data.empty() || sector >= compound.fat_.size() || visited[sector]) return std::nullopt;
            visited[sector] = true;
            directory.insert(directory.end(), data.begin(), data.end());
            sector = compound.fat_[sector];
        }
    }
    for (std::size_t offset = 0; offset + kDirectoryEntrySize <= directory.size(); offset += kDirectoryEntrySize) {
        ByteReader reader{std::span<const std::uint8_t>(directory).subspan(offset, kDirectoryEntrySize)};
        Entry entry;
        const auto nameBytes = reader.Bytes(64);
        const std::size_t nameLength = std::min<std::size_t>(reader.U16LE(), 64);
        for (std::size_t i = 0; i + 1 < nameLength; i += 2) {
            const char16_t c = static_cast<char16_t>(nameBytes[i] | (nameBytes[i + 1] << 8));
            if (c == 0) break;
            entry.name += c;
        }
        entry.type = reader.U8();
        reader.Skip(1);  // colour of the red-black tree
        entry.left = reader.U32LE();
        entry.right = reader.U32LE();
        entry.child = reader.U32LE();
        reader.Seek(0x74);
        entry.start = reader.U32LE();
        entry.size = reader.U32LE();
        const std::uint64_t high = reader.U32LE();
        // Version 3 files may leave garbage in the upper half of the size.
        if (majorVersion == 4) entry.size |= high << 32;
        compound.entries_.push_back(std::move(entry));
    }
    if (compound.entries_.empty() || compound.entries_[0].type != kRoot) return std::nullopt;

    if (miniFatSectors > 0 && firstMiniFat != kEndOfChain) {
        const auto chain = Chain(compound.fat_, firstMiniFat, miniFatSectors);
        if (!chain) return std::nullopt;
        for (std::uint32_t sector : *chain) {
            ByteReader miniFat(sectorData(sector));
            if (miniFat.Remaining() != sectorSize) return std::nullopt;
            for (std::size_t j = 0; j < perSector; ++j) compound.miniFat_.push_back(miniFat.U32LE());
        }
    }
    const Entry& root = compound.entries_[0];
    if (root.size > 0) {
        auto mini = compound.ReadChain(root.start, root.size);
        if (!mini) return std::nullopt;
        compound.miniStream_ = std::move(*mini);
    }
    return compound;
}

std::optional<std::vector<std::uint8_t>> CompoundFile::ReadChain(std::uint32_t start, std::uint64_t size) const {
    if (size > file_.size()) return std::nullopt;
    const auto chain = Chain(fat_, start, static_cast<std::size_t>((size + sectorSize_ - 1) / sectorSize_));
    if (!chain) return std::nullopt;
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(size));
    for (std::uint32_t sector : *chain) {
        const std::uint64_t offset = (std::uint64_t{sector} + 1) * sectorSize_;
        const std::size_t want = std::min<std::size_t>(sectorSize_, static_cast<std::size_t>(size) - data.size());
        // The last sector of a file may be cut short; the stream's own bytes must be there.
        if (offset > file_.size() || want > file_.size() - offset) return std::nullopt;
        data.insert(data.end(), file_.begin() + offset, file_.begin() + offset + want);
    }
    return data;
}

std::optional<std::vector<std::uint8_t>> CompoundFile::ReadMiniChain(std::uint32_t start, std::uint64_t size) const {
    if (size > miniStream_.size()) return std::nullopt;
    const auto chain = Chain(miniFat_, start, static_cast<std::size_t>((size + kMiniSectorSize - 1) / kMiniSectorSize));
    if (!chain) return std::nullopt;
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(size));
    for (std::uint32_t sector : *chain) {
        const std::size_t offset = std::size_t{sector} * kMiniSectorSize;
        const std::size_t want = std::min<std::size_t>(kMiniSectorSize, static_cast<std::size_t>(size) - data.size());
        if (offset > miniStream_.size() || want > miniStream_.size() - offset) return std::nullopt;
        data.insert(data.end(), miniStream_.begin() + offset, miniStream_.begin() + offset + want);
    }
    return data;
}

std::vector<std::uint32_t> CompoundFile::RootChildren() const {
    // The children form a tree through left and right siblings; a damaged file may make it loop.
    std::vector<std::uint32_t> children;
    std::vector<bool> seen(entries_.size(), false);
    std::vector<std::uint32_t> pending{entries_[0].child};
    while (!pending.empty()) {
        const std::uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoStream || id >= entries_.size() || seen[id]) continue;
        seen[id] = true;
        children.push_back(id);
        pending.push_back(entries_[id].left);
        pending.push_back(entries_[id].right);
    }
    return children;
}

std::vector<std::u16string> CompoundFile::RootNames() const {
    std::vector<std::u16string> names;
    for (std::uint32_t id : RootChildren()) names.push_back(entries_[id].name);
    return names;
}

std::optional<std::vector<std::uint8_t>> CompoundFile::ReadStream(std::u16string_view name) const {
    const std::u16string wanted = FoldCase(name);
    for (std::uint32_t id : RootChildren()) {
        const Entry& entry = entries_[id];
        if (entry.type != kStream || FoldCase(entry.name) != wanted) continue;
        if (entry.size == 0) return std::vector<std::uint8_t>{};
        return entry.size < miniCutoff_ ? ReadMiniChain(entry.start, entry.size) : ReadChain(entry.start, entry.size);
    }
    return std::nullopt;
}

}  // namespace pictrove::readers
