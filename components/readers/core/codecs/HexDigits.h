// The value of a hexadecimal digit, for every text form that spells bytes in hex: PDF's hex
// strings, names and ASCIIHex streams, percent-escapes in URLs and character references in XML.
#pragma once

#include <cstdint>

namespace pictrove::readers::codecs {

// 0 to 15, or -1 for a byte that is not a hex digit.
constexpr int HexDigitValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace pictrove::readers::codecs
