// What the header of an embedded picture file says about how it is stored: its file format and,
// where the header settles it, the pixel type decoding will give. Lets a document list and hand
// out its pictures as stored without decoding any.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "model/DocumentSource.h"

namespace pictrove::readers {

// The stored format by signature: JPEG, JPEG 2000 file or codestream, JBIG2 file, PNG, GIF,
// TIFF, BMP, WebP; kNone for anything else (JPEG XR, metafiles, unknown data).
StoredFormat StoredFormatOf(std::span<const std::uint8_t> file);

// The colour components of a JPEG's first frame header; nothing when there is none.
std::optional<int> JpegComponents(std::span<const std::uint8_t> file);

// Format and pixel type of a picture file decoded through the payload decoder. JPEG files are
// decoded by the readers' own decoder, gray or colour by their components; the others keep the
// narrowest type their pixels allow, so only a gray PNG without transparency is settled by its
// header.
StoredInfo StoredInfoOfFile(std::span<const std::uint8_t> file);

}  // namespace pictrove::readers
