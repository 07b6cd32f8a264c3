// Fuzz target: a JBIG2 file through the format's reader, and the same bytes as an embedded
// stream (the PDF organisation), its first page decoded and the stream made a standalone file.
#include "FuzzSupport.h"
#include "jbig2/Jbig2Source.h"
#include "jbig2/Jbig2Document.h"
#include "jbig2/Jbig2File.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    Jbig2Source source;
    fuzz::OpenAndDecodeAll(source, data, size);
    // Embedded: the first byte says where the globals end and the picture's stream begins.
    if (size > 1) {
        const std::size_t split = std::min<std::size_t>(data[0], size - 1);
        jbig2::Jbig2Document document;
        if (document.ParseEmbedded({data + 1, split}, {data + 1 + split, size - 1 - split})) document.DecodePage(0);
        // Made standalone, the same segments must read back as a file with that page.
        if (const auto file = jbig2::StandaloneJbig2File({data + 1, split}, {data + 1 + split, size - 1 - split})) {
            jbig2::Jbig2Document standalone;
            if (!standalone.ParseFile(*file) || standalone.Pages().empty()) __builtin_trap();
        }
    }
    return 0;
}
