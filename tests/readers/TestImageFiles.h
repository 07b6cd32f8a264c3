// Writers of small, genuine image files for the reader tests: PNG (stored deflate), GIF
// (LZW without compression), icon files and layered paint files, built byte by byte so the tests
// depend on no encoder of the system under test.
#pragma once

#include <cstdint>
#include <vector>

namespace pictrove::test {

using Bytes = std::vector<std::uint8_t>;

enum class PngColour : int { kGray = 0, kRgb = 2, kRgba = 6 };

// pixels: rows top-down, samples in PNG order (gray; red, green, blue; red, green, blue, alpha).
// A little-endian TIFF of one width x 2 page, one byte a pixel, whose directory links to
// nextDirectory (0 for none).
Bytes OnePageTiff(std::uint32_t width, std::uint32_t nextDirectory);

Bytes MakePng(int width, int height, PngColour colour, const Bytes& pixels);

struct GifFrame {
    Bytes indices;  // width * height palette indices, rows top-down
    int delay = 10;
};

// An animated GIF: every frame covers the whole canvas. palette: red, green, blue triples
// (at most 256 entries); transparentIndex < 0 for none.
Bytes MakeGif(int width,
              int height,
              const Bytes& palette,
              const std::vector<GifFrame>& frames,
              int transparentIndex = -1);

// One image of an icon file: a 32-bit bitmap with its mask (bgra rows top-down), or PNG data.
struct IconImage {
    int width = 0;
    int height = 0;
    Bytes bgra;  // 32-bit bitmap entry when png is empty
    Bytes png;
};
Bytes MakeIco(const std::vector<IconImage>& images);

// A layered paint file holding only its merged picture. channels: planes of width * height
// samples, each 1 or 2 bytes (depth 8 or 16), in file order (gray, or red, green, blue, then
// extra channels). mode 1 gray, 3 RGB, 4 CMYK. negativeLayerCount marks the first extra channel
// as transparency. packed chooses run-length packing (depth 8 only).
struct PsdPicture {
    int width = 0;
    int height = 0;
    int depth = 8;
    int mode = 3;
    std::vector<Bytes> channels;
    bool packed = false;
    bool negativeLayerCount = false;
};
Bytes MakePsd(const PsdPicture& picture);

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes ZlibStoredStream(const Bytes& raw);

// PackBits encoding of one row, using both literal and repeat runs.
Bytes PackBits(const std::uint8_t* data, std::size_t size);

}  // namespace pictrove::test
