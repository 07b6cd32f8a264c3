// Fuzz target: opening a layered paint file with the PsdSource and decoding its merged picture.
#include "FuzzSupport.h"
#include "psd/PsdSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    PsdSource source;
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
