// In-place flips and the gray-plus-one fix-up on raw rows.
#include <gtest/gtest.h>

#include <vector>

#include "browse/PixelFlip.h"

namespace pictrove {
namespace {

// Pixel p of a buffer holds the bytes p*10+k, k < bpp; padding holds 0xEE.
std::vector<std::uint8_t> Numbered(int width, int height, int stride, int bpp) {
    std::vector<std::uint8_t> bits(static_cast<size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < bpp; ++k)
                bits[y * stride + x * bpp + k] = static_cast<std::uint8_t>((y * width + x) * 10 + k);
    return bits;
}

// The pixel number now stored at (x, y).
int PixelAt(const std::vector<std::uint8_t>& bits, int x, int y, int width, int stride, int bpp) {
    const int first = bits[y * stride + x * bpp];
    for (int k = 1; k < bpp; ++k) {
        if (bits[y * stride + x * bpp + k] != first + k) return -1;  // a pixel's bytes came apart
    }
    return first / 10;
}

TEST(FlipPixels, EveryModeOnOddAndEvenSizes) {
    const struct {
        int width, height, bpp;
    } sizes[] = {{3, 2, 1}, {2, 3, 3}, {3, 3, 4}, {4, 4, 3}, {1, 5, 4}, {5, 1, 1}};
    for (const auto& s : sizes) {
        const int stride = s.width * s.bpp + 3;  // padding that must stay untouched
        for (int mode = 0; mode <= 3; ++mode) {
            std::vector<std::uint8_t> bits = Numbered(s.width, s.height, stride, s.bpp);
            FlipPixels(bits.data(), s.width, s.height, stride, s.bpp, mode);
            for (int y = 0; y < s.height; ++y) {
                for (int x = 0; x < s.width; ++x) {
                    const int fromX = (mode & 1) ? s.width - 1 - x : x;
                    const int fromY = (mode & 2) ? s.height - 1 - y : y;
                    ASSERT_EQ(PixelAt(bits, x, y, s.width, stride, s.bpp), fromY * s.width + fromX)
                        << s.width << "x" << s.height << " bpp " << s.bpp << " mode " << mode << " at " << x << ","
                        << y;
                }
                for (int p = s.width * s.bpp; p < stride; ++p) ASSERT_EQ(bits[y * stride + p], 0xEE) << "padding";
            }
        }
    }
}

TEST(FlipPixels, ThreeWideRowMirrorsToCBA) {
    std::vector<std::uint8_t> row = {'A', 'B', 'C'};
    FlipPixels(row.data(), 3, 1, 3, 1, kFlipMirrorRows);
    EXPECT_EQ(row, (std::vector<std::uint8_t>{'C', 'B', 'A'}));
}

TEST(FlipPixels, NullBufferNegativeSizeAndUnknownModeLeaveBufferAlone) {
    FlipPixels(nullptr, 4, 4, 4, 1, kFlipTurn180);  // must not crash
    std::vector<std::uint8_t> bits = Numbered(3, 3, 3, 1);
    const std::vector<std::uint8_t> before = bits;
    FlipPixels(bits.data(), -1, 3, 3, 1, kFlipTurn180);
    FlipPixels(bits.data(), 3, -1, 3, 1, kFlipTurn180);
    FlipPixels(bits.data(), 3, 3, 3, 1, kFlipNone);
    FlipPixels(bits.data(), 3, 3, 3, 1, 7);
    EXPECT_EQ(bits, before);
}

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
