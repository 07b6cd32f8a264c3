// JPEG decoding through libjpeg-turbo: baseline, progressive and arithmetic-coded pictures with
// one, three or four components. The samples come back as stored (YCbCr turned into RGB, YCCK
// into CMYK) with what the Adobe marker said, so each format applies its own rule for inverted
// CMYK once, instead of trusting whatever a platform decoder does with it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/DecodedImage.h"

namespace pictrove::readers::codecs {

struct JpegPicture {
    int width = 0;
    int height = 0;
    int components = 0;                 // 1 gray, 3 RGB, 4 CMYK
    bool adobe = false;                 // an Adobe marker: a JPEG file's four components are stored inverted
    int adobeTransform = -1;            // 0 none, 1 YCbCr, 2 YCCK; -1 without the marker
    std::vector<std::uint8_t> samples;  // components bytes per pixel, rows top-down, no padding
    // Three components asked for as a finished picture's rows: blue, green, red, each row
    // padded with zeros to a multiple of 4 bytes, instead of the packed samples above.
    bool bgrRows = false;
};

// The size and component count from the headers alone; nothing when they cannot be read.
std::optional<JpegPicture> ReadJpegHeader(std::span<const std::uint8_t> data);

// Decodes the whole picture. Declared sizes that the data cannot hold are refused before any
// pixel memory is taken; a stream that ends early keeps the rows it had (the rest gray).
// bgrRows: three-component pictures come back as blue, green, red rows padded to 4 bytes.
std::optional<JpegPicture> DecodeJpeg(std::span<const std::uint8_t> data, bool bgrRows = false);

// Ink amounts (0 none .. 255 full) of four-component samples: Adobe-marked files store them
// inverted, others as they are.
void JpegInkToNormal(JpegPicture& picture);

// A JPEG file as pixels on its own: gray stays gray, colour is 24-bit, CMYK goes through the
// readers' CMYK model.
std::optional<DecodedImage> JpegToImage(std::span<const std::uint8_t> data);

}  // namespace pictrove::readers::codecs
