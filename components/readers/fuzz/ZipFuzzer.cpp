// Fuzz target: the zip directory reader and bounded extraction of every entry.
#include "FuzzSupport.h"
#include "containers/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    ZipArchive archive;
    if (!archive.Open({data, size})) return 0;
    for (const auto& entry : archive.Entries()) {
        (void)ZipEntryName(entry);
        (void)archive.Find(entry.name);
        (void)archive.Extract(entry, std::size_t{16} << 20);
    }
    return 0;
}
