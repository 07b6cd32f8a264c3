// Fuzz target: opening a file with the Fb2Source and decoding what it lists.
#include "FuzzSupport.h"
#include "fb2/Fb2Source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    Fb2Source source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
