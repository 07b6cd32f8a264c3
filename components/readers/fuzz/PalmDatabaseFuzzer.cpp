// Fuzz target: the Palm database container, the MOBI layout and the MOBI and Palm database
// sources, with every listed picture decoded (Image Viewer pictures by the core itself).
#include "FuzzSupport.h"
#include "mobi/MobiSource.h"
#include "containers/PalmDatabase.h"
#include "pdb/PdbSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    if (const auto database = ParsePalmDatabase({data, size})) (void)ReadMobiBook({data, size}, *database);
    MobiSource mobi(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(mobi, data, size);
    PdbSource pdb(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(pdb, data, size);
    return 0;
}
