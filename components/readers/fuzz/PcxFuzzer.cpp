// Fuzz target: opening a file with the PcxSource and decoding what it lists.
#include "FuzzSupport.h"
#include "pcx/PcxSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    PcxSource source;
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
