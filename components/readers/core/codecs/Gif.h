// GIF decoding through giflib: every frame of an animation drawn on the logical screen as a
// viewer shows it at that frame (earlier frames beneath, their disposal applied), transparency
// from the graphic control extension, interlaced frames put back in row order.
#pragma once

#include <cstdint>
#include <span>

#include "codecs/PictureCodec.h"

namespace pictrove::readers::codecs {

// Frames beyond this many are not counted or decoded.
inline constexpr unsigned kMaxGifFrames = 10000;

bool LooksLikeGif(std::span<const std::uint8_t> file);

// The number of frames (images) in the file, read without decoding any; 0 when the file is not
// a GIF. A file cut short counts the frames that begin before its end.
unsigned GifFrameCount(std::span<const std::uint8_t> file);

// Frame options.frame on a canvas of the logical screen's size that starts transparent. A
// screen over the pixel limit, or larger than the file's LZW data could fill, is refused before
// it is allocated; a frame cut short keeps the rows it had (kTruncated).
PictureResult DecodeGif(std::span<const std::uint8_t> file, const PictureOptions& options = {});

}  // namespace pictrove::readers::codecs
