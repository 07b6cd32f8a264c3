// Our own readers of Windows bitmaps and icons. BMP: every header version (OS/2 core and 2.x,
// Windows 3 to 5), 1, 4, 8, 16, 24 and 32 bits a pixel, RLE4 and RLE8, bit fields (with an alpha
// mask from version 4 headers or ALPHABITFIELDS), bottom-up and top-down rows. Icons and cursors:
// every directory entry, bitmaps with their AND mask and alpha, and PNG entries.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "codecs/PictureCodec.h"

namespace pictrove::readers::codecs {

bool LooksLikeBmp(std::span<const std::uint8_t> file);

// A BMP file. Uncompressed rows the file cannot hold, or an RLE picture far larger than its runs
// could draw, are refused before anything is allocated; RLE data that ends early keeps the
// rows it drew (kTruncated). Pixels an RLE delta or row end
// skips take the palette's first colour. A 32-bit picture without an alpha mask is opaque.
PictureResult DecodeBmp(std::span<const std::uint8_t> file, const PictureOptions& options = {});

// Entry options.frame of an icon or cursor file (entries counted as ParseIcoDirectory lists
// them). Pixels the AND mask leaves out are transparent black; a 32-bit entry whose alpha is
// all zero takes its transparency from the AND mask instead.
PictureResult DecodeIco(std::span<const std::uint8_t> file, const PictureOptions& options = {});

// The size of an icon file's entry from its bitmap or PNG header, without decoding; nothing
// when the entry's header cannot be read.
std::optional<std::pair<int, int>> IconEntrySize(std::span<const std::uint8_t> file, unsigned entry);

}  // namespace pictrove::readers::codecs
