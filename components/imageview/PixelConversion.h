// Turns a document reader's stored pixels (four pixel types, mirrored or bottom-up rows, any
// stride) into the viewer's display raster. Portable: the COM shell reads the reader's image
// object and hands the raw description here.
#pragma once

#include <cstdint>

#include "components/imageview/DisplayImage.h"

namespace pictrove::imageview {

// Pixel types and layout bits as the readers report them.
inline constexpr int kTypeBgra32 = 0;
inline constexpr int kTypeBgr24 = 1;
inline constexpr int kTypeGray8 = 2;
inline constexpr int kTypeGrayPlusOne8 = 3;
inline constexpr int kLayoutMirrored = 1;
inline constexpr int kLayoutBottomUp = 2;

// Largest picture the viewer converts (4 bytes a pixel: 2 GiB).
inline constexpr int64_t kMaxDisplayPixels = int64_t{1} << 29;

struct StoredPixels {
    const uint8_t* bits = nullptr;  // first byte of the first stored row
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one stored row to the next; negative when rows run down in memory
    int pixelType = -1;
    int layout = 0;
};

// Bytes per stored pixel of a type, 0 for an unknown type.
int BytesPerPixel(int pixelType);

enum class ConversionStatus { kOk, kInvalid, kTooLarge, kOutOfMemory };

// Fills out with the picture the right way round. An image of type 0 whose alpha bytes are all 0
// is taken as opaque: some readers leave the fourth byte unused. Type 3 is read as stored − 1
// without touching the reader's buffer. On any failure out is left empty.
ConversionStatus ConvertStoredPixels(const StoredPixels& source, DisplayImage& out);

}  // namespace pictrove::imageview
