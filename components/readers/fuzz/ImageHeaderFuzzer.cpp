// Fuzz target: image header sniffing (JPEG, PNG, GIF, BMP, TIFF, JPEG XR). A header over the
// pixel limit is still read, so its picture can be listed at its size and fail alone; what
// every header must keep to is a size that can be listed.
#include "model/DecodedImage.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers;
    const auto info = ReadImageHeader({data, size});
    if (info && (info->width <= 0 || info->height <= 0 || !IsListableSize(info->width, info->height))) {
        __builtin_trap();
    }
    return 0;
}
