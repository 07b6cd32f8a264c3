// The two limits that bound what one picture may cost, shared by the readers (which refuse
// work beyond them before allocating) and the application (which names them to the user).
// Portable: the readers' core includes it.
#pragma once

#include <cstdint>

namespace pictrove {

// Pixels of one decoded picture. 250 million pixels are a 1 GB picture at four bytes a pixel,
// about what a 64-bit desktop program can hold twice (decoded, then converted for display or a
// file) without going into swap.
inline constexpr std::uint64_t kMaxPictureMegapixels = 250;
inline constexpr std::uint64_t kMaxPicturePixels = kMaxPictureMegapixels * 1000 * 1000;

// Bytes any one compressed stream or archive entry may unpack to: enough for the largest
// picture allowed, at four bytes a pixel.
inline constexpr std::uint64_t kMaxStreamMegabytes = 1024;
inline constexpr std::uint64_t kMaxStreamBytes = kMaxStreamMegabytes << 20;

}  // namespace pictrove
