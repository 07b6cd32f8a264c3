// Fuzz target: opening a file with the DjvuSource (indirect components never found) and
// drawing every page it lists.
#include "FuzzSupport.h"
#include "djvu/DjvuSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    DjvuSource source(fuzz::MakeStandInDecoder(),
                      [](const std::u16string&) { return std::optional<std::vector<std::uint8_t>>(); });
    fuzz::OpenAndDecodeAll(source, data, size);
    return 0;
}
