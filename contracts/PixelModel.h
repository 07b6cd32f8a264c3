// How a reader image's pixels are laid out: the four pixel types, the two layout bits, the bytes
// a pixel takes, and the one check that a described buffer can be read row by row without
// leaving it. Portable, so the readers' core and the viewer's conversion share it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pictrove {

// Pixel types of ReaderImage::GetPixelType.
enum ReaderPixelType : int {
    kPixelBgra32 = 0,
    kPixelBgr24 = 1,
    kPixelGray8 = 2,
    kPixelGrayPlusOne8 = 3,  // stored value = gray level + 1, modulo 256
};

// Bits of ReaderImage::GetLayout.
enum ReaderLayoutFlags : int {
    kLayoutMirroredRows = 1,
    kLayoutBottomUp = 2,
};

// Bytes per stored pixel of a reader pixel type; 0 for a type the program does not know.
constexpr int ReaderBytesPerPixel(int pixelType) {
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

// A reader image as described through the contract.
struct ReaderImageFields {
    std::uint8_t* bits = nullptr;  // first byte of the first stored row
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one stored row to the next; negative when rows run down in memory
    int pixelType = -1;
    int layout = 0;
    int bytesPerPixel = 0;  // set by CheckReaderImageFields for a known type

    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel); }
    std::uint8_t* StoredRow(int y) const { return bits + static_cast<std::ptrdiff_t>(y) * stride; }
};

enum class ReaderImageCheck {
    kOk,
    kNoImage,      // no object, or one without the ReaderImage interface
    kUnknownType,  // a pixel type outside 0..3
    kNoPixels,     // width or height below 1, or no buffer
    kShortStride,  // rows closer together than one row of pixels
    kTooLarge,     // the buffer's extent does not fit the address space
};

// Checks fields already read; fields.bytesPerPixel is set for a known type.
inline ReaderImageCheck CheckReaderImageFields(ReaderImageFields& fields) {
    fields.bytesPerPixel = ReaderBytesPerPixel(fields.pixelType);
    if (fields.bytesPerPixel == 0) return ReaderImageCheck::kUnknownType;
    if (fields.width <= 0 || fields.height <= 0 || !fields.bits) return ReaderImageCheck::kNoPixels;
    const std::int64_t rowBytes = static_cast<std::int64_t>(fields.width) * fields.bytesPerPixel;
    // A negative stride is a buffer whose rows run upwards in memory from the first stored row.
    const std::int64_t step = fields.stride < 0 ? -static_cast<std::int64_t>(fields.stride) : fields.stride;
    if (step < rowBytes) return ReaderImageCheck::kShortStride;
    // Every stored row must lie within the address space: from the first row's start to the
    // end of the row farthest from it.
    const std::uint64_t span = static_cast<std::uint64_t>(step) * static_cast<std::uint64_t>(fields.height - 1);
    const std::uint64_t extent = span + static_cast<std::uint64_t>(rowBytes);
    const auto start = reinterpret_cast<std::uintptr_t>(fields.bits);
    if (extent > static_cast<std::uint64_t>(PTRDIFF_MAX)) return ReaderImageCheck::kTooLarge;
    if (fields.stride >= 0 ? start > UINTPTR_MAX - extent
                           : (start < span || start > UINTPTR_MAX - static_cast<std::uint64_t>(rowBytes))) {
        return ReaderImageCheck::kTooLarge;
    }
    return ReaderImageCheck::kOk;
}

// A checked picture seen upright: row 0 is the top row and column 0 the left pixel, whatever
// the layout bits say. The one place that turns the layout into row and column order.
class UprightRows {
  public:
    explicit UprightRows(const ReaderImageFields& fields)
        : fields_(fields),
          mirrored_((fields.layout & kLayoutMirroredRows) != 0),
          bottomUp_((fields.layout & kLayoutBottomUp) != 0) {}

    const ReaderImageFields& Fields() const { return fields_; }
    bool Mirrored() const { return mirrored_; }
    // The stored row that shows as row y.
    const std::uint8_t* Row(int y) const { return fields_.StoredRow(bottomUp_ ? fields_.height - 1 - y : y); }
    // The stored column that shows as column x.
    int Column(int x) const { return mirrored_ ? fields_.width - 1 - x : x; }

    // Row y in the stored pixel format, left to right, gray-plus-one made plain gray; out takes
    // RowBytes() bytes.
    void CopyRow(int y, std::uint8_t* out) const {
        const std::uint8_t* row = Row(y);
        const int bpp = fields_.bytesPerPixel;
        if (!mirrored_) {
            std::memcpy(out, row, fields_.RowBytes());
        } else {
            for (int x = 0; x < fields_.width; ++x) {
                std::memcpy(out + static_cast<std::ptrdiff_t>(x) * bpp,
                            row + static_cast<std::ptrdiff_t>(fields_.width - 1 - x) * bpp,
                            static_cast<std::size_t>(bpp));
            }
        }
        if (fields_.pixelType == kPixelGrayPlusOne8) {
            for (int x = 0; x < fields_.width; ++x) out[x] = static_cast<std::uint8_t>(out[x] - 1);
        }
    }

  private:
    const ReaderImageFields& fields_;
    bool mirrored_;
    bool bottomUp_;
};

}  // namespace pictrove
