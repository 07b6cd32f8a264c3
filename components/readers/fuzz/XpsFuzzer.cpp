// Fuzz target: opening a file with the XpsSource and decoding what it lists.
#include "FuzzSupport.h"
#include "xps/XpsSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    XpsSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
