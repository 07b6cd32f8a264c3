// Fuzz target: the whole PDF reader, from the cross-reference data through the page tree and
// content scan to the decoding of every listed image (JPEG data through the header-only
// stand-in). The first byte picks a password, so the security handler is reached as well.
#include "FuzzSupport.h"
#include "pdf/PdfSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    PdfSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
