// PackBits run-length decoding, as TIFF, layered image files, PDF (RunLengthDecode) and Palm
// bitmaps store it: a signed count byte n, then n + 1 literal units (n >= 0) or one unit
// repeated 1 - n times (n < 0). The formats differ only in what -128 means and in the unit.
#pragma once

#include <span>

#include "codecs/CodecOutput.h"

namespace pictrove::readers::codecs {

struct PackBitsOptions {
    // -128 (byte 128) ends the data (PDF); otherwise it is skipped.
    bool endCode128 = false;
    // Bytes in one unit: 1, or 2 where sixteen-bit pixels are packed as words (Palm).
    std::size_t unit = 1;
};

// Decodes until the output is full, the end code, the input's end, or a code that does not fit:
// a literal cut short by the input, or a run or literal past the output's limit, still writes
// what it has (kTruncated, kOutputCut). Never writes more than out's limit.
DecodeResult PackBitsDecode(std::span<const std::uint8_t> in, ByteSink& out, const PackBitsOptions& options = {});

}  // namespace pictrove::readers::codecs
