// The directory of an icon (.ico) file: one entry per stored icon image. Decoders tend to show
// only one image of an icon file, so the reader takes every entry out as a file of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers {

struct IcoEntry {
    int width = 0;  // from the directory; 0 there means 256
    int height = 0;
    int bitCount = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    bool isPng = false;  // the image data is a whole PNG file rather than a bitmap
};

// Whether the bytes start like an icon or cursor file.
bool LooksLikeIco(std::span<const std::uint8_t> file);

// Every entry whose data lies inside the file; nothing when the header is not an icon header
// or no entry is usable.
std::optional<std::vector<IcoEntry>> ParseIcoDirectory(std::span<const std::uint8_t> file);

// A stand-alone file holding just this entry: the PNG data itself, or an icon file with a
// one-entry directory. Empty when the entry lies outside the file.
std::vector<std::uint8_t> ExtractIcoEntry(std::span<const std::uint8_t> file, const IcoEntry& entry);

}  // namespace pictrove::readers
