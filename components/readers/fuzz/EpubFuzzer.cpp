// Fuzz target: opening a file with the EpubSource and decoding what it lists.
#include "FuzzSupport.h"
#include "epub/EpubSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    EpubSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
