// JPEG 2000 decoding through OpenJPEG (JP2 files and bare codestreams): any component count and
// depth, sub-sampled components and palettes (pclr), brought to 8-bit samples at full size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::codecs {

enum class JpxColour : std::uint8_t { kUnknown, kGray, kRgb, kYcc, kCmyk };

struct JpxPicture {
    int width = 0;
    int height = 0;
    int components = 0;                      // colour components in samples (opacity not counted)
    JpxColour colour = JpxColour::kUnknown;  // what the file says, or guessed from the count
    std::vector<std::uint8_t> samples;       // components bytes per pixel, rows top-down
    std::vector<std::uint8_t> alpha;         // one byte per pixel when the file has opacity
};

// Nothing when the data is not JPEG 2000, declares more than the core allows or fails to decode.
std::optional<JpxPicture> DecodeJpx(std::span<const std::uint8_t> data);

// Whether the size and tile grid the codestream's SIZ segment declares are within the core's
// limits and could be held by the data (every tile has a tile-part: at least 14 bytes). The
// library allocates for the whole grid while reading the header, so this is checked first;
// true when there is no SIZ segment to read (the library then refuses the data itself).
bool JpxGridFitsData(std::span<const std::uint8_t> data);

}  // namespace pictrove::readers::codecs
