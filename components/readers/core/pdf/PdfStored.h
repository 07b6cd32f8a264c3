// PDF pictures as stored: which ones are whole files of their own (JPEG, JPEG 2000, JBIG2 made
// standalone with its globals), their bytes, and the pixel type their dictionary settles.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/DocumentSource.h"
#include "PdfContent.h"

namespace pictrove::readers::pdf {

class Document;

// A picture is a file of its own when its last filter is an image codec that has a file form
// and nothing the picture shows comes from elsewhere (no stencil painting, no mask merged in).
// The pixel type is the one decoding gives, when the dictionary and the codec's headers tell it.
StoredInfo StoredImageInfo(Document& document, const FoundImage& found);

// The bytes of such a picture after decryption and the general filters; a JBIG2 picture with
// its globals as one standalone file. Nothing for other pictures or unreadable data.
std::optional<std::vector<std::uint8_t>> StoredImageBytes(Document& document, const FoundImage& found);

}  // namespace pictrove::readers::pdf
