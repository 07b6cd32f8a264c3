// WebP decoding through libwebp: lossy and lossless pictures with their alpha, and every frame
// of an animation drawn on its canvas as a viewer shows it at that frame (earlier frames
// beneath, their disposal and blending applied) by libwebp's animation decoder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "codecs/PictureCodec.h"

namespace pictrove::readers::codecs {

// Frames beyond this many are not counted or decoded.
inline constexpr unsigned kMaxWebpFrames = 10000;

// A RIFF file of the WebP form.
bool LooksLikeWebp(std::span<const std::uint8_t> file);

// The canvas's width and height from the headers (a still picture's own size), read without
// decoding; nothing when the file is not a WebP or its headers are cut short or damaged.
std::optional<std::pair<int, int>> WebpCanvasSize(std::span<const std::uint8_t> file);

// 1 for a still picture, the number of frames of an animation (those that begin before the end
// of a file cut short), 0 when the file is not a WebP or its headers are damaged.
unsigned WebpFrameCount(std::span<const std::uint8_t> file);

// Frame options.frame at the canvas's size. The memory decoding takes (the picture, the
// lossless decoder's own copy, the animation decoder's two canvases) is weighed against the
// pixel limit before any of it is allocated. A still picture cut short keeps the rows decoded
// (kTruncated); an animation needs its whole file.
PictureResult DecodeWebp(std::span<const std::uint8_t> file, const PictureOptions& options = {});

}  // namespace pictrove::readers::codecs
