// Scaling for display: area averaging, enlarging, halving and the pyramid.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/imageview/Resample.h"
#include "tests/imageview/ImageViewTestSupport.h"

namespace pictrove::imageview {
namespace {

using test::Solid;

TEST(Resample, ShrinkingAveragesByCoveredArea) {
    // 3 gray pixels 0, 90, 180 into 2: each target pixel covers one and a half source pixels.
    DisplayImage row = Solid(3, 1, 0);
    row.pixels = {0xFF000000, 0xFF5A5A5A, 0xFFB4B4B4};
    std::vector<uint32_t> out;
    ScaleRegion(row, 2, 1, {0, 0, 2, 1}, out);
    EXPECT_EQ(out, (std::vector<uint32_t>{0xFF1E1E1E, 0xFF969696}));  // 30 and 150

    // A one-pixel checkerboard shrinks to even gray, not to black or white.
    DisplayImage checker = Solid(64, 64, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) checker.Row(y)[x] = ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000;
    for (int size : {32, 16, 22}) {
        SCOPED_TRACE(size);
        ScaleRegion(checker, size, size, {0, 0, size, size}, out);
        ASSERT_EQ(out.size(), static_cast<size_t>(size) * size);
        // 64 → 22 averages about 2.9 × 2.9 pixels, which cannot hold exactly half of each.
        const int tolerance = 64 % size == 0 ? 1 : 20;
        for (uint32_t p : out) {
            ASSERT_NEAR(static_cast<int>(PixelG(p)), 128, tolerance);
            ASSERT_EQ(PixelA(p), 255u);
        }
    }
}

TEST(Resample, UniformColourSurvivesAnyScale) {
    const DisplayImage image = Solid(1000, 7, 0x80402010);  // premultiplied, alpha 128
    std::vector<uint32_t> out;
    for (auto [w, h] : std::vector<std::pair<int, int>>{{333, 3}, {999, 7}, {1, 1}, {1500, 20}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        ScaleRegion(image, w, h, {0, 0, w, h}, out);
        ASSERT_EQ(out.size(), static_cast<size_t>(w) * h);
        for (uint32_t p : out) ASSERT_EQ(p, 0x80402010u);
    }
}

TEST(Resample, EnlargingRepeatsPixelsAndRegionsMatchTheWhole) {
    DisplayImage image = Solid(2, 1, 0);
    image.pixels = {0xFF000001, 0xFF000002};
    std::vector<uint32_t> out;
    ScaleRegion(image, 4, 2, {0, 0, 4, 2}, out);
    EXPECT_EQ(out, (std::vector<uint32_t>{0xFF000001, 0xFF000001, 0xFF000002, 0xFF000002, 0xFF000001, 0xFF000001,
                                          0xFF000002, 0xFF000002}));

    // Any part of a scaled picture equals the same part of the whole scaled picture.
    DisplayImage ramp = Solid(50, 40, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) ramp.Row(y)[x] = MakePixel(255, x * 5, y * 6, (x * y) & 0xFF);
    for (auto [w, h] : std::vector<std::pair<int, int>>{{23, 17}, {50, 40}, {130, 90}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint32_t> whole;
        ScaleRegion(ramp, w, h, {0, 0, w, h}, whole);
        const PixelRect part{w / 3, h / 4, w - 2, h - 1};
        ScaleRegion(ramp, w, h, part, out);
        ASSERT_EQ(out.size(), static_cast<size_t>(part.Width()) * part.Height());
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x)
                ASSERT_EQ(out[(y - part.top) * part.Width() + (x - part.left)], whole[y * w + x]) << x << "," << y;
    }
    // A region reaching outside the picture is cut to it.
    ScaleRegion(ramp, 10, 10, {-5, -5, 3, 2}, out);
    EXPECT_EQ(out.size(), 6u);
}

TEST(Resample, HalvingAndThePyramid) {
    DisplayImage image = Solid(3, 2, 0);
    image.pixels = {0xFF000000, 0xFF000003, 0xFF0000FF, 0xFF000001, 0xFF000002, 0xFF0000FF};
    const DisplayImage half = HalveImage(image);
    ASSERT_EQ(half.width, 1);
    ASSERT_EQ(half.height, 1);
    EXPECT_EQ(half.pixels[0], 0xFF000002u) << "rounded mean of 0, 3, 1, 2; the odd last column is left out";
    // A single row pairs with itself.
    EXPECT_EQ(HalveImage(Solid(4, 1, 0xFF102030)).pixels, (std::vector<uint32_t>{0xFF102030, 0xFF102030}));

    ImagePyramid pyramid;
    pyramid.Build(Solid(2048, 1024, 0xFFFFFFFF));
    ASSERT_EQ(pyramid.LevelCount(), 4u);  // 2048, 1024, 512, 256 wide; the last has 128K pixels... ≤ 256²
    EXPECT_EQ(pyramid.Level(3).width, 256);
    EXPECT_EQ(&pyramid.SourceFor(300, 100), &pyramid.Level(2)) << "smallest level still at least as large";
    EXPECT_EQ(&pyramid.SourceFor(256, 128), &pyramid.Level(3));
    EXPECT_EQ(&pyramid.SourceFor(1500, 700), &pyramid.Full());
    EXPECT_EQ(&pyramid.SourceFor(4096, 2048), &pyramid.Full()) << "enlarging reads the full picture";
    EXPECT_EQ(&pyramid.SourceFor(1024, 600), &pyramid.Full()) << "512 rows are too few: both axes must be large enough";
}

}  // namespace
}  // namespace pictrove::imageview
