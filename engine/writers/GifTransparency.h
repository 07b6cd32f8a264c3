// Marks a palette index transparent in the bytes of a GIF file, through the graphic control
// extension of each image: some GIF encoders drop the palette's alpha and write none.
#pragma once

#include <cstdint>
#include <vector>

namespace pictrove {

// Sets the transparency flag and index in every image's graphic control extension, inserting
// one before an image that has none (and making a GIF87a header GIF89a, which extensions
// need). False, with the bytes unchanged, when they are no well-formed GIF or index is outside
// 0..255.
bool SetGifTransparentIndex(std::vector<std::uint8_t>& gif, int index);

// The transparent index of the first image, -1 when it has none or the bytes are no GIF.
int GifTransparentIndex(const std::vector<std::uint8_t>& gif);

}  // namespace pictrove
