// BZZ decompression: the Burrows-Wheeler blocks, move-to-front ranks and ZP coding that DjVu
// uses for its directory, palettes' colour indices, annotations and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::djvu {

// The decompressed bytes, at most maxOutput of them; nothing when the data is damaged or
// would decompress to more.
std::optional<std::vector<std::uint8_t>> DecodeBzz(std::span<const std::uint8_t> data, std::size_t maxOutput);

}  // namespace pictrove::readers::djvu
