// The one guarded read of a reader's pixel object. Header only, so the application and the
// image-view component share it without sharing a library.
#pragma once

#include "contracts/PixelModel.h"
#include "contracts/ReaderContract.h"

namespace pictrove {

// Reads width, height, bits, stride, pixel type and layout (in that order, each preset to 0 so a
// failing call reads as 0) and checks them. The fields are filled whatever the result.
inline ReaderImageCheck ReadReaderImage(ReaderImage* image, ReaderImageFields& fields) {
    fields = ReaderImageFields{};
    if (!image) return ReaderImageCheck::kNoImage;
    fields.pixelType = 0;
    BYTE* bits = nullptr;
    image->GetWidth(&fields.width);
    image->GetHeight(&fields.height);
    image->GetBits(&bits);
    image->GetStride(&fields.stride);
    image->GetPixelType(&fields.pixelType);
    image->GetLayout(&fields.layout);
    fields.bits = bits;
    return CheckReaderImageFields(fields);
}

}  // namespace pictrove
