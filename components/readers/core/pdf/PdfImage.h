// Turns a PDF image into pixels: unpacks 1, 2, 4, 8 and 16-bit samples, applies Decode arrays
// and the colour space, paints stencil masks, and merges soft masks, stencil masks and
// colour-key masks into alpha. Gray results stay gray, colour ones are 24-bit, anything with
// transparency is 32-bit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "model/DecodedImage.h"
#include "PdfContent.h"
#include "PdfObject.h"

namespace pictrove::readers::pdf {

class Document;

// Decodes an embedded JPEG (DCTDecode) into pixels; supplied by the platform.
using JpegDecoder = std::function<std::optional<DecodedImage>(std::span<const std::uint8_t>)>;

struct ImageSize {
    int width = 0;
    int height = 0;
};

// The size the image dictionary declares; zero when it declares none.
ImageSize DeclaredSize(Document& document, const Object& image);

std::optional<DecodedImage> DecodeImage(Document& document, const FoundImage& found, const JpegDecoder& jpeg);

}  // namespace pictrove::readers::pdf
