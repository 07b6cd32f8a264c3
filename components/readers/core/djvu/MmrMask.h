// Smmr masks: a page's bilevel mask coded as CCITT Group 4 (MMR), whole or in strips, through
// the shared fax decoder; given back as one shape covering the page.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "djvu/Jb2Decoder.h"

namespace pictrove::readers::djvu {

std::optional<Jb2Image> DecodeMmrMask(std::span<const std::uint8_t> chunk);

}  // namespace pictrove::readers::djvu
