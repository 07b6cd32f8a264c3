// Fuzz target: opening a file with the ComicSource and decoding what it lists.
#include "FuzzSupport.h"
#include "ComicSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    ComicSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
