// The one guarded read of a reader's pixel object: its six fields, taken only when they describe
// a buffer that can be read row by row without leaving it. Header only, so the application and
// the image-view component share it without sharing a library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contracts/ReaderContract.h"

namespace pictrove {

struct ReaderImageFields {
    int pixelType = -1;
    int width = 0;
    int height = 0;
    int stride = 0;
    int layout = 0;
    BYTE* bits = nullptr;
    int bytesPerPixel = 0;  // 4, 3 or 1 for a known type

    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel); }
    BYTE* StoredRow(int y) const { return bits + static_cast<ptrdiff_t>(y) * stride; }
};

enum class ReaderImageCheck {
    kOk,
    kNoImage,      // no object, or one without the ReaderImage interface
    kUnknownType,  // a pixel type outside 0..3
    kNoPixels,     // width or height below 1, or no buffer
    kShortStride,  // rows closer together than one row of pixels
    kTooLarge,     // the buffer's extent does not fit the address space
};

// Bytes per stored pixel of a reader pixel type; 0 for a type the program does not know.
inline int ReaderBytesPerPixel(int pixelType) {
    switch (pixelType) {
        case kPixelBgra32:
            return 4;
        case kPixelBgr24:
            return 3;
        case kPixelGray8:
        case kPixelGrayPlusOne8:
            return 1;
        default:
            return 0;
    }
}

// Checks fields already read; fields.bytesPerPixel is set for a known type.
inline ReaderImageCheck CheckReaderImageFields(ReaderImageFields& fields) {
    fields.bytesPerPixel = ReaderBytesPerPixel(fields.pixelType);
    if (fields.bytesPerPixel == 0)
        return ReaderImageCheck::kUnknownType;
    if (fields.width <= 0 || fields.height <= 0 || !fields.bits)
        return ReaderImageCheck::kNoPixels;
    const int64_t rowBytes = static_cast<int64_t>(fields.width) * fields.bytesPerPixel;
    // A negative stride is a buffer whose rows run upwards in memory from the first stored row.
    const int64_t step = fields.stride < 0 ? -static_cast<int64_t>(fields.stride) : fields.stride;
    if (step < rowBytes)
        return ReaderImageCheck::kShortStride;
    // Every stored row must lie within the address space: from the first row's start to the
    // end of the row farthest from it.
    const uint64_t span = static_cast<uint64_t>(step) * static_cast<uint64_t>(fields.height - 1);
    const uint64_t extent = span + static_cast<uint64_t>(rowBytes);
    const auto start = reinterpret_cast<uintptr_t>(fields.bits);
    if (extent > static_cast<uint64_t>(PTRDIFF_MAX))
        return ReaderImageCheck::kTooLarge;
    if (fields.stride >= 0 ? start > UINTPTR_MAX - extent : (start < span || start > UINTPTR_MAX - rowBytes)) {
        return ReaderImageCheck::kTooLarge;
    }
    return ReaderImageCheck::kOk;
}

// Reads width, height, bits, stride, pixel type and layout (in that order, each preset to 0 so a
// failing call reads as 0) and checks them. The fields are filled whatever the result.
inline ReaderImageCheck ReadReaderImage(ReaderImage* image, ReaderImageFields& fields) {
    fields = ReaderImageFields{};
    if (!image)
        return ReaderImageCheck::kNoImage;
    fields.pixelType = 0;
    image->GetWidth(&fields.width);
    image->GetHeight(&fields.height);
    image->GetBits(&fields.bits);
    image->GetStride(&fields.stride);
    image->GetPixelType(&fields.pixelType);
    image->GetLayout(&fields.layout);
    return CheckReaderImageFields(fields);
}

}  // namespace pictrove
