// JBIG2Decode through the core's JBIG2 decoder.
#include "PdfJbig2.h"

#include <algorithm>

#include "model/DecodedImage.h"
#include "jbig2/Jbig2Document.h"
#include "PdfDocument.h"

namespace pictrove::readers::pdf {

std::optional<std::vector<std::uint8_t>> Jbig2Samples(Document& document,
                                                      std::span<const std::uint8_t> data,
                                                      const Dict& params,
                                                      int width,
                                                      int height) {
    std::vector<std::uint8_t> globals;
    const Object globalsObject = document.Resolve(params.Get("JBIG2Globals"));
    if (globalsObject.IsStream()) {
        // Globals that cannot be read leave the picture to do without them.
        if (auto bytes = document.DecodeFully(*globalsObject.stream, kMaxImageBytes)) globals = std::move(*bytes);
    }
    jbig2::Jbig2Document stream;
    if (!stream.ParseEmbedded(globals, data)) return std::nullopt;
    auto page = stream.DecodePage(0);
    if (!page) return std::nullopt;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    std::vector<std::uint8_t> samples(rowBytes * static_cast<std::size_t>(height), 0xFF);
    const int rows = std::min(height, page->height);
    const int columns = std::min(width, page->width);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* from = page->Row(y);
        std::uint8_t* to = samples.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < columns; ++x) {
            if (from[x]) to[x >> 3] &= static_cast<std::uint8_t>(~(0x80 >> (x & 7)));
        }
    }
    return samples;
}

}  // namespace pictrove::readers::pdf
