// Fuzz target: opening a file with the ComicSource and decoding what it lists.
#include "FuzzSupport.h"
#include "comic/ComicSource.h"

// libarchive sizes some buffers from what a header declares and copes when the allocation is
// refused; let the allocator refuse instead of reporting the request. Our own code allocates
// through operator new, which still fails loudly.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    ComicSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
