// The BMP layout written byte by byte (little-endian), so every platform writes the same file.
#include "engine/writers/BmpWriter.h"

#include <cmath>
#include <cstring>

namespace pictrove {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kV5HeaderSize = 124;   // BITMAPV5HEADER
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kSrgbColourSpace = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kGmImages = 4;                  // LCS_GM_IMAGES: perceptual

void Put16(std::uint8_t*& out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out += 2;
}

void Put32(std::uint8_t*& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    out += 4;
}

// True when some pixel of a 32-bit picture is not fully opaque.
bool HasTransparency(const ReaderImageFields& fields) {
    for (int y = 0; y < fields.height; ++y) {
        const std::uint8_t* row = fields.StoredRow(y);
        std::uint8_t all = 0xFF;
        for (int x = 0; x < fields.width; ++x) all &= row[4 * x + 3];
        if (all != 0xFF) return true;
    }
    return false;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const ReaderImageFields& fields, int dpi) {
    const bool gray = fields.pixelType == kPixelGray8 || fields.pixelType == kPixelGrayPlusOne8;
    const bool alpha = fields.pixelType == kPixelBgra32 && HasTransparency(fields);
    const int bitsPerPixel = gray ? 8 : alpha ? 32 : 24;
    const std::uint32_t headerSize = alpha ? kV5HeaderSize : kInfoHeaderSize;
    const std::uint32_t paletteSize = gray ? 256 * 4 : 0;
    const std::uint64_t rowSize =
        (static_cast<std::uint64_t>(fields.width) * (bitsPerPixel / 8) + 3) & ~std::uint64_t{3};
    const std::uint64_t imageSize = rowSize * static_cast<std::uint64_t>(fields.height);
    const std::uint64_t offset = kFileHeaderSize + headerSize + paletteSize;
    if (offset + imageSize > 0xFFFFFFFFu) return {};

    std::vector<std::uint8_t> file(static_cast<std::size_t>(offset + imageSize), 0);
    std::uint8_t* out = file.data();
    *out++ = 'B';
    *out++ = 'M';
    Put32(out, static_cast<std::uint32_t>(file.size()));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(offset));

    const auto perMetre = static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
    Put32(out, headerSize);
    Put32(out, static_cast<std::uint32_t>(fields.width));
    Put32(out, static_cast<std::uint32_t>(fields.height));  // positive: rows stored bottom-up
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bitsPerPixel));
    Put32(out, alpha ? kBiBitfields : kBiRgb);
    Put32(out, static_cast<std::uint32_t>(imageSize));
    Put32(out, perMetre);
    Put32(out, perMetre);
    Put32(out, gray ? 256 : 0);  // colours used
    Put32(out, gray ? 256 : 0);  // colours important
    if (alpha) {
        Put32(out, 0x00FF0000);  // red, green, blue and alpha masks
        Put32(out, 0x0000FF00);
        Put32(out, 0x000000FF);
        Put32(out, 0xFF000000);
        Put32(out, kSrgbColourSpace);
        out += 36 + 12;  // end points and gamma, unused for sRGB
        Put32(out, kGmImages);
        out += 12;  // no profile; reserved
    }
    for (std::uint32_t i = 0; i < paletteSize / 4; ++i) {
        // Blue, green, red, and a reserved byte left 0.
        out[0] = out[1] = out[2] = static_cast<std::uint8_t>(i);
        out += 4;
    }

    const UprightRows rows(fields);
    std::vector<std::uint8_t> upright(fields.RowBytes());
    for (int y = 0; y < fields.height; ++y) {
        // The file's first row is the picture's bottom row.
        std::uint8_t* target = file.data() + offset + rowSize * static_cast<std::uint64_t>(fields.height - 1 - y);
        rows.CopyRow(y, upright.data());
        if (fields.pixelType == kPixelBgra32 && !alpha) {
            for (int x = 0; x < fields.width; ++x) std::memcpy(target + 3 * x, upright.data() + 4 * x, 3);
        } else {
            std::memcpy(target, upright.data(), upright.size());
        }
    }
    return file;
}

}  // namespace pictrove
