// GIF's variable-length LZW compression of palette indexes, packed into data sub-blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictrove {

// Appends the image data of a GIF image (the minimum code size byte, the sub-blocks of codes
// and the empty block that ends them) for count indexes, each below 1 << minCodeSize.
// minCodeSize is 2..8.
void AppendGifLzw(const std::uint8_t* indexes, std::size_t count, int minCodeSize, std::vector<std::uint8_t>& out);

}  // namespace pictrove
