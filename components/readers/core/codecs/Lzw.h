// LZW decoding as TIFF and PDF (LZWDecode) store it: codes of 9 to 12 bits, most significant
// bit first, 256 clears the table and 257 ends the data.
#pragma once

#include <span>

#include "codecs/CodecOutput.h"

namespace pictrove::readers::codecs {

struct LzwOptions {
    // The code width grows one code before the table needs it (TIFF always, PDF by default);
    // otherwise when the next entry no longer fits the width.
    bool earlyChange = true;
};

// Decodes until the output is full, the end code, the input's end or an invalid code (a first
// code past 255, or a code past the next free entry). A full table is used as it is until a
// clear code. A string that passes the output's limit is cut there (kOutputCut).
DecodeResult LzwDecode(std::span<const std::uint8_t> in, ByteSink& out, const LzwOptions& options = {});

}  // namespace pictrove::readers::codecs
