// Palette reduction for GIF output.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/writers/GifQuantizer.h"
#include "tests/support/ImageTestHelpers.h"

namespace pictrove {
namespace {

// Maps and returns the colour each pixel got (ARGB).
std::vector<std::uint32_t> MappedColors(const GifQuantizer& q, int width, int height) {
    const int stride = width + 3;
    std::vector<std::uint8_t> indices(static_cast<size_t>(stride) * height, 0xCD);
    q.Map(indices.data(), stride);
    std::vector<std::uint32_t> colors;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t index = indices[static_cast<size_t>(y) * stride + x];
            EXPECT_LT(index, q.Palette().size());
            colors.push_back(index < q.Palette().size() ? q.Palette()[index] : 0xDEADBEEF);
        }
        for (int p = width; p < stride; ++p) EXPECT_EQ(indices[static_cast<size_t>(y) * stride + p], 0xCD);
    }
    return colors;
}

// Transparent pixels compare as 0x00000000 whatever colour they carried.
std::vector<std::uint32_t> Expected(const std::vector<BYTE>& bgra) {
    std::vector<std::uint32_t> argb = test::ToArgb(bgra, 4);
    for (auto& c : argb) {
        if ((c >> 24) == 0) c = 0;
    }
    return argb;
}

TEST(GifQuantizer, KeepsEveryColourWhenTheyFit) {
    // 16 x 16 with 256 distinct opaque colours: exactly a full palette.
    std::vector<BYTE> pixels;
    for (int i = 0; i < 256; ++i) {
        pixels.insert(pixels.end(), {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 255});
    }
    const GifQuantizer q(PixelRows{pixels.data(), 16, 16, 64, 4});
    EXPECT_TRUE(q.Exact());
    EXPECT_EQ(q.TransparentIndex(), -1);
    EXPECT_EQ(q.Palette().size(), 256u);
    EXPECT_EQ(MappedColors(q, 16, 16), Expected(pixels));
}

TEST(GifQuantizer, TransparentPixelsGetTheirOwnEntry) {
    const std::vector<BYTE> pixels = test::PatternBgra(7, 5, true);  // every third pixel transparent
    const GifQuantizer q(PixelRows{pixels.data(), 7, 5, 28, 4});
    EXPECT_TRUE(q.Exact());
    ASSERT_GE(q.TransparentIndex(), 0);
    EXPECT_EQ(q.Palette()[static_cast<size_t>(q.TransparentIndex())], 0x00000000u);
    EXPECT_EQ(MappedColors(q, 7, 5), Expected(pixels));
    // Only the transparent entry has alpha below 255.
    int translucent = 0;
    for (auto c : q.Palette()) translucent += (c >> 24) != 0xFF;
    EXPECT_EQ(translucent, 1);
}

TEST(GifQuantizer, TwoHundredFiftySixColoursAndTransparencyNeedReduction) {
    // 256 opaque colours leave no room for the transparent entry.
    std::vector<BYTE> pixels;
    for (int i = 0; i < 256; ++i) {
        pixels.insert(pixels.end(), {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 255});
    }
    pixels.insert(pixels.end(), {9, 9, 9, 0});
    const GifQuantizer q(PixelRows{pixels.data(), 257, 1, 257 * 4, 4});
    EXPECT_FALSE(q.Exact());
    EXPECT_LE(q.Palette().size(), 256u);
    ASSERT_GE(q.TransparentIndex(), 0);
    std::vector<std::uint32_t> mapped = MappedColors(q, 257, 1);
    std::vector<std::uint32_t> expected = Expected(pixels);
    EXPECT_EQ(mapped.back(), 0u);
    mapped.pop_back();
    expected.pop_back();
    EXPECT_LE(test::MaxChannelDifference(mapped, expected), 4);
}

TEST(GifQuantizer, ManyColoursStayCloseAndUseTheWholePalette) {
    const int width = 160, height = 120;
    const std::vector<BYTE> ramp = test::RampBgra(width, height);
    const GifQuantizer q(PixelRows{ramp.data(), width, height, width * 4, 4});
    EXPECT_FALSE(q.Exact());
    EXPECT_EQ(q.TransparentIndex(), -1);
    EXPECT_GT(q.Palette().size(), 200u) << "a fixed or poor palette would use far fewer entries";
    const auto mapped = MappedColors(q, width, height);
    const auto expected = Expected(ramp);
    EXPECT_LE(test::MaxChannelDifference(mapped, expected), 24);
    EXPECT_LT(test::RmsDifference(mapped, expected), 5.0);
    std::set<std::uint32_t> used(mapped.begin(), mapped.end());
    EXPECT_GT(used.size(), 200u);
}

TEST(GifQuantizer, ThreeBytePixelsAndEmptyPictures) {
    const std::vector<BYTE> bgr = test::PatternBgr(4, 3);
    const GifQuantizer q(PixelRows{bgr.data(), 4, 3, 12, 3});
    EXPECT_TRUE(q.Exact());
    EXPECT_EQ(MappedColors(q, 4, 3), test::ToArgb(bgr, 3));

    const GifQuantizer empty(PixelRows{nullptr, 0, 0, 0, 4});
    EXPECT_GE(empty.Palette().size(), 2u) << "a colour table has at least two entries";
    const std::vector<BYTE> clear(4 * 4, 0);
    const GifQuantizer allClear(PixelRows{clear.data(), 2, 2, 8, 4});
    EXPECT_EQ(allClear.TransparentIndex(), 0);
    EXPECT_EQ(MappedColors(allClear, 2, 2), std::vector<std::uint32_t>(4, 0u));
}

}  // namespace
}  // namespace pictrove
