// Stored reader pixels to display pixels: layouts, pixel types, alpha, strides and refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/imageview/PixelConversion.h"

namespace pictrove::imageview {
namespace {

DisplayImage Convert(std::vector<uint8_t> bytes,
                     int width,
                     int height,
                     int stride,
                     int type,
                     int layout,
                     ConversionStatus expected = ConversionStatus::kOk) {
    ReaderImageFields stored{bytes.data(), width, height, stride, type, layout};
    DisplayImage out;
    EXPECT_EQ(ConvertStoredPixels(stored, out), expected);
    return out;
}

TEST(PixelConversion, LayoutFlagsTurnStoredRowsUpright) {
    // Stored 3 × 2 gray: row 0 = 1 2 3, row 1 = 4 5 6.
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    const std::vector<std::vector<uint32_t>> expectedLevels = {
        {1, 2, 3, 4, 5, 6},  // as stored
        {3, 2, 1, 6, 5, 4},  // mirrored rows
        {4, 5, 6, 1, 2, 3},  // bottom-up
        {6, 5, 4, 3, 2, 1},  // both: turned by 180 degrees
    };
    for (int layout = 0; layout < 4; ++layout) {
        SCOPED_TRACE("layout " + std::to_string(layout));
        const DisplayImage image = Convert(bytes, 3, 2, 3, kPixelGray8, layout);
        ASSERT_EQ(image.pixels.size(), 6u);
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(image.pixels[i], 0xFF000000u | expectedLevels[layout][i] * 0x010101u) << i;
        }
    }
    // Bits other than the two flags change nothing.
    EXPECT_EQ(Convert(bytes, 3, 2, 3, kPixelGray8, 4 | 8 | 0x100).pixels,
              Convert(bytes, 3, 2, 3, kPixelGray8, 0).pixels);
}

TEST(PixelConversion, EachPixelTypeGivesOpaqueColours) {
    const DisplayImage bgr = Convert({10, 20, 30, 40, 50, 60}, 2, 1, 6, kPixelBgr24, 0);
    EXPECT_EQ(bgr.pixels, (std::vector<uint32_t>{0xFF1E140A, 0xFF3C3228}));
    EXPECT_FALSE(bgr.hasAlpha);
    // Type 3 is the level plus one: stored 1 is black, stored 0 white.
    const std::vector<uint8_t> plusOne = {0, 1, 129};
    const DisplayImage gray = Convert(plusOne, 3, 1, 3, kPixelGrayPlusOne8, 0);
    EXPECT_EQ(gray.pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFF808080}));
    EXPECT_EQ(plusOne, (std::vector<uint8_t>{0, 1, 129})) << "the reader's buffer must stay as it was";
    const DisplayImage bgra = Convert({10, 20, 30, 255, 0, 0, 255, 128}, 2, 1, 8, kPixelBgra32, 0);
    EXPECT_TRUE(bgra.hasAlpha);
    EXPECT_EQ(bgra.pixels[0], 0xFF1E140Au);
    EXPECT_EQ(bgra.pixels[1], 0x80800000u) << "red at half alpha is stored premultiplied";
}

TEST(PixelConversion, AlphaThatIsZeroEverywhereMeansOpaque) {
    const DisplayImage image = Convert({10, 20, 30, 0, 40, 50, 60, 0}, 2, 1, 8, kPixelBgra32, 0);
    EXPECT_FALSE(image.hasAlpha);
    EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0xFF1E140A, 0xFF3C3228}));
    // A fully opaque type 0 picture has no alpha either.
    EXPECT_FALSE(Convert({1, 2, 3, 255}, 1, 1, 4, kPixelBgra32, 0).hasAlpha);
}

TEST(PixelConversion, PaddingAndNegativeStrideAreHonoured) {
    // Two rows of one BGR pixel, each followed by two padding bytes that must never show.
    const std::vector<uint8_t> padded = {1, 2, 3, 0xEE, 0xEE, 4, 5, 6, 0xEE, 0xEE};
    EXPECT_EQ(Convert(padded, 1, 2, 5, kPixelBgr24, 0).pixels, (std::vector<uint32_t>{0xFF030201, 0xFF060504}));
    // Rows running down in memory: bits point at the last block.
    std::vector<uint8_t> upward = {4, 5, 6, 1, 2, 3};
    ReaderImageFields stored{upward.data() + 3, 1, 2, -3, kPixelBgr24, 0};
    DisplayImage out;
    ASSERT_EQ(ConvertStoredPixels(stored, out), ConversionStatus::kOk);
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFF030201, 0xFF060504}));
}

TEST(PixelConversion, RefusesWhatCannotBeRead) {
    std::vector<uint8_t> bytes(64, 7);
    for (int type : {-1, 4, 99}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(Convert(bytes, 2, 2, 8, type, 0, ConversionStatus::kInvalid).Empty());
    }
    EXPECT_TRUE(Convert(bytes, 0, 2, 8, kPixelGray8, 0, ConversionStatus::kInvalid).Empty());
    EXPECT_TRUE(Convert(bytes, 2, -1, 8, kPixelGray8, 0, ConversionStatus::kInvalid).Empty());
    // A stride shorter than a row's pixels would read overlapping rows past the buffer.
    EXPECT_TRUE(Convert(bytes, 3, 2, 8, kPixelBgr24, 0, ConversionStatus::kInvalid).Empty());
    EXPECT_FALSE(Convert(bytes, 3, 2, 9, kPixelBgr24, 0).Empty());
    ReaderImageFields noBits{nullptr, 2, 2, 2, kPixelGray8, 0};
    DisplayImage out;
    EXPECT_EQ(ConvertStoredPixels(noBits, out), ConversionStatus::kInvalid);
    ReaderImageFields huge{bytes.data(), 1 << 16, 1 << 14, 1 << 16, kPixelGray8, 0};
    EXPECT_EQ(ConvertStoredPixels(huge, out), ConversionStatus::kTooLarge);
    EXPECT_TRUE(out.Empty());
}

}  // namespace
}  // namespace pictrove::imageview
