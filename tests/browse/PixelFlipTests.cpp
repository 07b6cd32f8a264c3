// The gray-plus-one fix-up on raw rows (the flips became contracts/PixelModel.h's UprightRows,
// tested in tests/engine/UprightRowsTests.cpp).
#include <gtest/gtest.h>

#include <vector>

#include "browse/PixelFlip.h"

namespace pictrove {
namespace {

TEST(DecrementGrayRows, WrapsAndSkipsPadding) {
    std::vector<std::uint8_t> bits = {0, 1, 255, 0xEE, 128, 2, 0, 0xEE};
    DecrementGrayRows(bits.data(), 3, 2, 4);
    EXPECT_EQ(bits, (std::vector<std::uint8_t>{255, 0, 254, 0xEE, 127, 1, 255, 0xEE}));
    std::vector<std::uint8_t> untouched = {5, 5};
    DecrementGrayRows(untouched.data(), -1, 1, 2);
    DecrementGrayRows(nullptr, 2, 1, 2);
    EXPECT_EQ(untouched, (std::vector<std::uint8_t>{5, 5}));
}

}  // namespace
}  // namespace pictrove
