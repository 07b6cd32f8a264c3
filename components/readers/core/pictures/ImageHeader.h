// Image file headers read without decoding: the format and the picture's size, from the
// fields that carry them (JPEG start of frame, PNG header chunk, GIF screen, BMP info header,
// first TIFF directory, JPEG XR header, WebP canvas). Readers list embedded pictures with this so
// opening a large document decodes no pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

namespace pictrove::readers {

enum class ImageFormat { kUnknown, kJpeg, kPng, kGif, kBmp, kTiff, kJpegXr, kWebp };

struct ImageInfo {
    ImageFormat format = ImageFormat::kUnknown;
    int width = 0;
    int height = 0;
};

// The format by signature alone (kUnknown when none matches).
ImageFormat SniffImageFormat(std::span<const std::uint8_t> file);

// Format and size; nothing when the signature is unknown or the size fields are missing,
// damaged or outside the accepted range.
std::optional<ImageInfo> ReadImageHeader(std::span<const std::uint8_t> file);

// Metafiles are drawings without pixels of their own: they are drawn at their physical size
// at 96 pixels to the inch, the size every reader lists them with and draws them at.
inline constexpr int kMetafileDpi = 96;

// That size, from an enhanced metafile's frame (hundredths of a millimetre) or a placeable
// Windows metafile's box and units per inch; nothing for other data, a metafile without a
// placeable header, or a size out of range.
std::optional<std::pair<int, int>> MetafileSize(std::span<const std::uint8_t> file);

// A JPEG file's first start-of-frame fields, without decoding.
struct JpegFrame {
    int width = 0;
    int height = 0;
    int components = 0;  // 0 when the file ends before it
    bool adobe = false;  // Adobe's marker before the frame header: a file's CMYK is stored inverted
};
std::optional<JpegFrame> JpegFrameOf(std::span<const std::uint8_t> file);

}  // namespace pictrove::readers
