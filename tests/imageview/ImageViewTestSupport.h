// Small pictures for the image view's core tests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "components/imageview/DisplayImage.h"

namespace pictrove::imageview::test {

inline DisplayImage Solid(int width, int height, uint32_t pixel) {
    DisplayImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, pixel);
    return image;
}

}  // namespace pictrove::imageview::test
