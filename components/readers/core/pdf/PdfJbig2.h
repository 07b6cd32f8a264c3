// JBIG2Decode pictures: the embedded JBIG2 stream with its shared globals, as packed 1-bit
// samples in which 0 is black, the way the other 1-bit pictures reach the sample converter.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "PdfObject.h"

namespace pictrove::readers::pdf {

class Document;

// Rows of (width + 7) / 8 bytes for the picture's declared size; pixels outside the decoded
// page stay white. Nothing when the stream holds no decodable page.
std::optional<std::vector<std::uint8_t>> Jbig2Samples(Document& document,
                                                      std::span<const std::uint8_t> data,
                                                      const Dict& params,
                                                      int width,
                                                      int height);

}  // namespace pictrove::readers::pdf
