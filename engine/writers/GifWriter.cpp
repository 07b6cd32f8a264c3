// The palette and the indexes in upright order first, then the blocks of the file.
#include "engine/writers/GifWriter.h"

#include <algorithm>

#include "engine/writers/GifLzw.h"
#include "engine/writers/GifQuantizer.h"

namespace pictrove {

namespace {

void Put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Bits a colour table needs for count entries (1..8; a table holds 2^bits entries).
int TableBits(std::size_t count) {
    int bits = 1;
    while ((std::size_t{1} << bits) < count) ++bits;
    return bits;
}

}  // namespace

std::vector<std::uint8_t> EncodeGif(const ReaderImageFields& fields) {
    if (fields.width > 0xFFFF || fields.height > 0xFFFF) return {};
    const std::size_t width = static_cast<std::size_t>(fields.width);
    const std::size_t height = static_cast<std::size_t>(fields.height);
    const UprightRows rows(fields);
    std::vector<std::uint8_t> indexes(width * height);
    std::vector<std::uint32_t> palette;  // 0xAARRGGBB
    int transparentIndex = -1;

    if (fields.bytesPerPixel == 1) {
        for (std::uint32_t i = 0; i < 256; ++i) palette.push_back(0xFF000000u | i * 0x010101u);
        for (int y = 0; y < fields.height; ++y) rows.CopyRow(y, indexes.data() + width * static_cast<std::size_t>(y));
    } else {
        // Rows are quantised top row first; a mirrored picture's indexes are turned afterwards.
        const bool bottomUp = (fields.layout & kLayoutBottomUp) != 0;
        const PixelRows source{rows.Row(0), fields.width, fields.height,
                               bottomUp ? -static_cast<std::ptrdiff_t>(fields.stride) : fields.stride,
                               fields.bytesPerPixel};
        const GifQuantizer quantizer(source);
        quantizer.Map(indexes.data(), static_cast<std::ptrdiff_t>(width));
        if (rows.Mirrored()) {
            for (std::size_t y = 0; y < height; ++y) {
                std::reverse(indexes.begin() + static_cast<std::ptrdiff_t>(y * width),
                             indexes.begin() + static_cast<std::ptrdiff_t>((y + 1) * width));
            }
        }
        palette = quantizer.Palette();
        transparentIndex = quantizer.TransparentIndex();
    }

    const int tableBits = TableBits(palette.size());
    std::vector<std::uint8_t> file;
    file.reserve(indexes.size() / 2 + 1024);
    const std::uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a'};
    file.insert(file.end(), std::begin(header), std::end(header));
    // Logical screen: the picture's size, a global table, 8 bits of colour resolution.
    Put16(file, fields.width);
    Put16(file, fields.height);
    file.push_back(static_cast<std::uint8_t>(0x80 | 0x70 | (tableBits - 1)));
    file.push_back(0);  // background colour
    file.push_back(0);  // no aspect ratio
    for (std::size_t i = 0; i < (std::size_t{1} << tableBits); ++i) {
        const std::uint32_t argb = i < palette.size() ? palette[i] : 0xFF000000u;
        file.push_back(static_cast<std::uint8_t>(argb >> 16));
        file.push_back(static_cast<std::uint8_t>(argb >> 8));
        file.push_back(static_cast<std::uint8_t>(argb));
    }
    if (transparentIndex >= 0) {
        // Graphic control: no disposal, no delay, the transparent index.
        const std::uint8_t control[] = {0x21, 0xF9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(transparentIndex), 0};
        file.insert(file.end(), std::begin(control), std::end(control));
    }
    file.push_back(0x2C);
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, fields.width);
    Put16(file, fields.height);
    file.push_back(0);  // no local table, not interlaced
    AppendGifLzw(indexes.data(), indexes.size(), std::max(2, tableBits), file);
    file.push_back(0x3B);
    return file;
}

}  // namespace pictrove
