// Fuzz target: the whole PDF reader, from the cross-reference data through the page tree and
// content scan to the decoding of every listed image (JPEG data through the header-only
// stand-in). The first byte picks the password typed, so protected seeds are opened with their
// user or owner password and the decryption of their objects is fuzzed too; the rest is the file.
#include "FuzzSupport.h"
#include "pdf/PdfSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    if (size < 1) return 0;
    // The passwords the seeds are protected with (see MakeSeeds.cpp and fuzz.sh); the last is wrong.
    static const char16_t* const kPasswords[] = {u"", u"user", u"owner", u"wrong"};
    PdfSource source(fuzz::MakeStandInDecoder());
    fuzz::OpenAndDecodeAll(source, data + 1, size - 1, kPasswords[data[0] % 4]);
    return 0;
}
