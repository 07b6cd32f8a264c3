// Smmr: "MMR", a flags byte (1: black and white swapped, 2: striped), width and height, then
// Group 4 data, or for striped masks the rows per strip and each strip's length and data.
#include "djvu/MmrMask.h"

#include "model/ByteReader.h"
#include "model/DecodedImage.h"
#include "codecs/Ccitt.h"

namespace pictrove::readers::djvu {

std::optional<Jb2Image> DecodeMmrMask(std::span<const std::uint8_t> chunk) {
    ByteReader reader(chunk);
    const auto magic = reader.Bytes(3);
    const std::uint8_t flags = reader.U8();
    const int width = reader.U16BE();
    const int height = reader.U16BE();
    if (!reader.Ok() || magic[0] != 'M' || magic[1] != 'M' || magic[2] != 'R' || (flags & ~3) != 0 ||
        !IsAcceptableSize(width, height)) {
        return std::nullopt;
    }
    const bool inverted = (flags & 1) != 0;
    const bool striped = (flags & 2) != 0;
    int stripRows = height;
    if (striped) {
        stripRows = reader.U16BE();
        if (!reader.Ok() || stripRows < 1) return std::nullopt;
    }
    auto shape = std::make_shared<Bitmap>();
    shape->width = width;
    shape->height = height;
    shape->bits.assign(static_cast<std::size_t>(width) * height, 0);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    for (int top = 0; top < height; top += stripRows) {
        const int rows = std::min(stripRows, height - top);
        std::span<const std::uint8_t> data;
        if (striped) {
            const std::uint32_t size = reader.U32BE();
            data = reader.Bytes(size);
        } else {
            data = chunk.subspan(reader.Position());
        }
        if (!reader.Ok()) return std::nullopt;
        codecs::CcittParams params;
        params.k = -1;
        params.columns = width;
        params.rows = rows;
        params.blackIs1 = true;
        params.endOfBlock = false;
        const auto packed = codecs::CcittDecode(data, params);
        if (!packed || packed->size() < rowBytes * rows) return std::nullopt;
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* from = packed->data() + rowBytes * y;
            std::uint8_t* to = shape->bits.data() + static_cast<std::size_t>(top + y) * width;
            for (int x = 0; x < width; ++x)
                to[x] = static_cast<std::uint8_t>(((from[x / 8] >> (7 - x % 8)) & 1) ^ inverted);
        }
    }
    Jb2Image image;
    image.width = width;
    image.height = height;
    image.shapes.push_back(std::move(shape));
    image.blits.push_back({0, 0, 0});
    return image;
}

}  // namespace pictrove::readers::djvu
