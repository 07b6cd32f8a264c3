// Pictures of kinds no decoder here reads (WebP, AVIF, JPEG XL, HEIC, SVG): recognised so that a
// book or comic lists them, with the size their header gives, instead of dropping them. Decoding
// them fails, each picture alone, with a reason of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/DocumentSource.h"

namespace pictrove::readers {

enum class ForeignKind { kWebp, kAvif, kJpegXl, kHeic, kSvg };

struct ForeignPicture {
    ForeignKind kind = ForeignKind::kWebp;
    int width = 0;  // 0 x 0 when the header does not tell it
    int height = 0;
    bool bySignature = true;  // false when only the name or media type told the kind
};

// The kind by signature; when the signature says nothing, by the entry's name (its extension)
// or its media type ("image/webp"), either of which may be empty. Nothing for anything else,
// and for pictures of the kinds the decoders read.
std::optional<ForeignPicture> RecognizeForeignPicture(std::span<const std::uint8_t> file,
                                                      std::string_view name,
                                                      std::string_view mediaType = {});

// How such a picture is kept: WebP and AVIF whose signature says so written as stored, the
// others without a file form here; undecodable either way.
StoredInfo ForeignStoredInfo(const ForeignPicture& picture);

}  // namespace pictrove::readers
