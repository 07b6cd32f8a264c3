// Fuzz target: the OLE compound file reader (every stream of the root read out) and the Word
// document source on top of it, metafiles inflated and every listed picture decoded.
#include "containers/CompoundFile.h"
#include "doc/DocSource.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    if (const auto compound = CompoundFile::Parse({data, size})) {
        for (const auto& name : compound->RootNames()) (void)compound->ReadStream(name);
    }
    DocSource document(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(document, data, size);
    return 0;
}
