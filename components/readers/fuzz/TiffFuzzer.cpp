// Fuzz target: opening a file with the TiffSource and decoding what it lists.
#include "FuzzSupport.h"
#include "tiff/TiffSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    TiffSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    // The core's own decoder too, which the stand-in decoder would otherwise hide.
    for (std::size_t i = 0; i < source.Images().size() && i < 16; ++i) (void)source.DecodeHere(i);
    return 0;
}
