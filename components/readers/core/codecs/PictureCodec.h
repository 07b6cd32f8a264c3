// What the whole-picture decoders of this folder share (PNG, GIF, BMP, icons): which picture of
// a file to decode, and how decoding ended. Pixels come back as 32-bit blue, green, red, alpha
// rows (alpha not premultiplied) narrowed to the narrowest type that keeps them.
#pragma once

#include <optional>

#include "model/DecodedImage.h"

namespace pictrove::readers::codecs {

struct PictureOptions {
    // The frame of an animation or the entry of an icon file; 0 for the first.
    unsigned frame = 0;
};

enum class PictureEnd {
    kComplete,       // every pixel came from the data
    kTruncated,      // the data ended or broke inside the pixels: what was read is kept
    kNotThisFormat,  // the signature or header is not this format's
    kNoSuchFrame,    // the file has fewer frames or entries than asked for
    kOverLimit,      // a declared size over the pixel limit (noted) or more than the data can hold
    kDamaged,        // headers or pixel data the format does not allow
};

struct PictureResult {
    PictureEnd end = PictureEnd::kNotThisFormat;
    std::optional<DecodedImage> image;  // set for kComplete and kTruncated
};

// A decoded 32-bit picture narrowed to the type its pixels need, as the readers hand it out.
inline std::optional<DecodedImage> Narrowed(DecodedImage bgra) {
    const PixelType type = NarrowestType(bgra.bytes.data(), bgra.stride, bgra.width, bgra.height);
    if (type == PixelType::kBgra32) return bgra;
    return ImageFromBgra(bgra.bytes.data(), bgra.stride, bgra.width, bgra.height, type);
}

inline PictureResult Finished(PictureEnd end, DecodedImage bgra) {
    PictureResult result{end, Narrowed(std::move(bgra))};
    if (!result.image) result.end = PictureEnd::kOverLimit;
    return result;
}

}  // namespace pictrove::readers::codecs
