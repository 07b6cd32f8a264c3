// Fuzz target: the comic reader's container detection and RAR header walk on any bytes, then the
// libarchive path on the same bytes read as each of its formats. The first input byte picks the
// signature put in front, so mutations reach the RAR 4, RAR 5 and 7z parsers without having to
// find their signatures first.
#include "comic/ArchiveComicSource.h"
#include "containers/ArchiveProbe.h"
#include "FuzzSupport.h"

// libarchive sizes some buffers from what a header declares and copes when the allocation is
// refused; let the allocator refuse instead of reporting the request. Our own code allocates
// through operator new, which still fails loudly.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    const std::span<const std::uint8_t> input(data, size);
    const ArchiveKind detected = DetectArchiveKind(input);
    ProbeRar(input, ArchiveKind::kRar4);
    ProbeRar(input, ArchiveKind::kRar5);

    std::vector<std::uint8_t> bytes;
    if (size > 0) {
        static const std::vector<std::uint8_t> kSignatures[] = {
            {},
            {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00},
            {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00},
            {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C},
        };
        bytes = kSignatures[data[0] % 4];
        bytes.insert(bytes.end(), data + 1, data + size);
    }
    ArchiveKind kind = DetectArchiveKind(bytes);
    if (kind == ArchiveKind::kUnknown || kind == ArchiveKind::kZip) kind = ArchiveKind::kTar;
    ArchiveComicSource source(fuzz::MakeStandInDecoder(), kind);
    fuzz::OpenAndDecodeAll(source, bytes.data(), bytes.size());
    // Pages asked for backwards, so the stream restarts and the cache is used.
    for (std::size_t i = source.Images().size(); i-- > 0 && i + 8 > source.Images().size();) source.Decode(i);
    (void)detected;
    return 0;
}
