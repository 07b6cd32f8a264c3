// Turns a document reader's stored pixels (four pixel types, mirrored or bottom-up rows, any
// stride) into the viewer's display raster. Portable: the COM shell reads the reader's image
// object and hands the raw description here.
#pragma once

#include <cstdint>

#include "components/imageview/DisplayImage.h"
#include "contracts/PixelModel.h"

namespace pictrove::imageview {

// Largest picture the viewer converts (4 bytes a pixel: 2 GiB).
inline constexpr int64_t kMaxDisplayPixels = int64_t{1} << 29;

enum class ConversionStatus { kOk, kInvalid, kTooLarge, kOutOfMemory };

// Fills out with the picture the right way round. An image of type 0 whose alpha bytes are all 0
// is taken as opaque: some readers leave the fourth byte unused. Type 3 is read as stored − 1
// without touching the reader's buffer. On any failure out is left empty.
ConversionStatus ConvertStoredPixels(const ReaderImageFields& source, DisplayImage& out);

}  // namespace pictrove::imageview
