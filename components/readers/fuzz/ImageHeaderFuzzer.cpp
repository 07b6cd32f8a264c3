// Fuzz target: image header sniffing (JPEG, PNG, GIF, BMP, TIFF, JPEG XR).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    const auto info = ReadImageHeader({data, size});
    if (info && (info->width <= 0 || info->height <= 0 || !IsAcceptableSize(info->width, info->height))) {
        __builtin_trap();
    }
    return 0;
}
