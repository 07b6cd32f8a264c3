// Fuzz target: a JBIG2 file through the format's reader, and the same bytes as an embedded
// stream (the PDF organisation), its first page decoded.
#include "FuzzSupport.h"
#include "Jbig2Source.h"
#include "jbig2/Jbig2Document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    Jbig2Source source;
    fuzz::OpenAndDecodeAll(source, data, size);
    // Embedded: the first byte says where the globals end and the picture's stream begins.
    if (size > 1) {
        const std::size_t split = std::min<std::size_t>(data[0], size - 1);
        jbig2::Jbig2Document document;
        if (document.ParseEmbedded({data + 1, split}, {data + 1 + split, size - 1 - split})) document.DecodePage(0);
    }
    return 0;
}
