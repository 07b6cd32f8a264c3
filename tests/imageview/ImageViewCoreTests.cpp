// The image view's portable core: pixel conversion, scaling, view geometry and composition.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/imageview/PixelConversion.h"
#include "components/imageview/Resample.h"
#include "components/imageview/ViewGeometry.h"
#include "components/imageview/ViewRenderer.h"

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

DisplayImage Solid(int width, int height, uint32_t pixel) {
    DisplayImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, pixel);
    return image;
}

// ---- Conversion ----

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

// ---- Scaling ----

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

// ---- Geometry ----

TEST(ViewGeometry, FitKeepsAspectCentresAndNeverEnlarges) {
    EXPECT_DOUBLE_EQ(FitScale(400, 200, 200, 150), 0.5);
    EXPECT_DOUBLE_EQ(FitScale(40, 30, 200, 150), 1.0);
    EXPECT_DOUBLE_EQ(FitScale(300, 100, 100, 1000), 1.0 / 3);
    EXPECT_EQ(ScaledExtent(300, 1.0 / 3), 100) << "a side that fills the view is not a pixel short";
    EXPECT_EQ(ScaledExtent(10000, 0.00001), 1);

    ViewGeometry g;
    g.SetArea(200, 150, 17, 17);
    g.SetImageSize(400, 200);
    EXPECT_TRUE(g.Fitted());
    EXPECT_EQ(g.ImageRect(), (PixelRect{0, 25, 200, 125}));
    EXPECT_FALSE(g.Bars().horizontal || g.Bars().vertical);
    g.SetImageSize(41, 31);
    EXPECT_EQ(g.ImageRect(), (PixelRect{79, 59, 120, 90})) << "100 %, centred, odd leftovers rounded down";
    // Resizing refits.
    g.SetImageSize(400, 200);
    g.SetArea(100, 150, 17, 17);
    EXPECT_EQ(g.ImageRect(), (PixelRect{0, 50, 100, 100}));
    g.SetImageSize(0, 0);
    EXPECT_TRUE(g.ImageRect().Empty());
    EXPECT_TRUE(g.VisiblePart().Empty());
}

TEST(ViewGeometry, ScrollBarsAppearOnlyWhenNeeded) {
    // Exactly the area's size: no bars.
    ScrollBars bars = LayoutScrollBars(200, 150, 200, 150, 17, 15);
    EXPECT_FALSE(bars.horizontal || bars.vertical);
    // One pixel wider: a horizontal bar, whose height then pushes out the vertical one.
    bars = LayoutScrollBars(200, 150, 201, 150, 17, 15);
    EXPECT_TRUE(bars.horizontal);
    EXPECT_TRUE(bars.vertical);
    EXPECT_EQ(bars.viewWidth, 183);
    EXPECT_EQ(bars.viewHeight, 135);
    // Wider, but low enough to fit above the horizontal bar.
    bars = LayoutScrollBars(200, 150, 300, 135, 17, 15);
    EXPECT_TRUE(bars.horizontal);
    EXPECT_FALSE(bars.vertical);
    EXPECT_EQ(bars.viewHeight, 135);
    bars = LayoutScrollBars(200, 150, 184, 400, 17, 15);
    EXPECT_TRUE(bars.vertical);
    EXPECT_TRUE(bars.horizontal) << "184 > 200 - 17";
}

TEST(ViewGeometry, ZoomKeepsThePointUnderTheAnchor) {
    ViewGeometry g;
    g.SetArea(200, 150, 0, 0);
    g.SetImageSize(400, 300);  // fitted at 0.5
    // Picture point (100, 80) is under view point (50, 40).
    ASSERT_TRUE(g.ZoomTo(1.0, 50, 40));
    EXPECT_FALSE(g.Fitted());
    EXPECT_EQ(g.ScrollX(), 50);
    EXPECT_EQ(g.ScrollY(), 40);
    EXPECT_EQ(g.ImageRect().left + 100, 50);
    // Picture point (249, 189) is under (199, 149).
    ASSERT_TRUE(g.ZoomTo(2.0, 199, 149));
    EXPECT_EQ(g.ScrollX(), 2 * 249 - 199);
    EXPECT_EQ(g.ScrollY(), 2 * 189 - 149);
    ASSERT_TRUE(g.ScrollTo(10000, 10000));
    EXPECT_EQ(g.MaxScrollX(), 800 - 200);
    EXPECT_EQ(g.VisiblePart(), (PixelRect{600, 450, 800, 600}));
    // Where keeping the point would scroll past the picture's edge, the position is clamped.
    ASSERT_TRUE(g.ZoomTo(1.0, 0, 0));
    EXPECT_EQ(g.ScrollX(), 200);
    EXPECT_EQ(g.ScrollY(), 150);
}

TEST(ViewGeometry, ZoomStepsPassThroughHundredPercentAndStopAtFitAndMaximum) {
    ViewGeometry g;
    g.SetArea(200, 150, 0, 0);
    g.SetImageSize(400, 300);
    ASSERT_TRUE(g.ZoomIn(100, 75));
    EXPECT_DOUBLE_EQ(g.Scale(), 0.625);
    ASSERT_TRUE(g.ZoomIn(100, 75));
    EXPECT_DOUBLE_EQ(g.Scale(), 0.78125);
    ASSERT_TRUE(g.ZoomIn(100, 75));
    EXPECT_DOUBLE_EQ(g.Scale(), 0.9765625);
    ASSERT_TRUE(g.ZoomIn(100, 75));
    EXPECT_DOUBLE_EQ(g.Scale(), 1.0) << "1.22 would skip 100 %";
    while (g.ZoomIn(100, 75)) {
    }
    EXPECT_DOUBLE_EQ(g.Scale(), kMaxZoom);
    while (!g.Fitted()) ASSERT_TRUE(g.ZoomOut(100, 75));
    EXPECT_DOUBLE_EQ(g.Scale(), 0.5);
    EXPECT_FALSE(g.ZoomOut(100, 75)) << "not below the fitted view";
    EXPECT_FALSE(g.Fit());
    // A small picture fitted at 100 % does not zoom out either.
    g.SetImageSize(20, 20);
    EXPECT_FALSE(g.ZoomOut(10, 10));
    EXPECT_DOUBLE_EQ(g.Scale(), 1.0);
}

TEST(ViewGeometry, ScrollingIsClampedAndCentredAxesDoNotScroll) {
    ViewGeometry g;
    g.SetArea(200, 150, 10, 10);
    g.SetImageSize(300, 100);
    ASSERT_TRUE(g.ZoomTo(1.0, 0, 0));  // 300 × 100: wider than the view only
    EXPECT_TRUE(g.Bars().horizontal);
    EXPECT_FALSE(g.Bars().vertical);
    EXPECT_TRUE(g.ScrollBy(1000, 1000));
    EXPECT_EQ(g.ScrollX(), 100);
    EXPECT_EQ(g.ScrollY(), 0);
    EXPECT_EQ(g.ImageRect(), (PixelRect{-100, 20, 200, 120})) << "vertically centred in 140 rows";
    EXPECT_FALSE(g.ScrollBy(5, 0));
    EXPECT_TRUE(g.ScrollTo(-50, 0));
    EXPECT_EQ(g.ScrollX(), 0);
    // Fitting again drops the scroll position.
    ASSERT_TRUE(g.ScrollTo(40, 0));
    ASSERT_TRUE(g.Fit());
    EXPECT_EQ(g.ScrollX(), 0);
}

// ---- Composition ----

TEST(ViewRenderer, DrawsBackgroundPictureAndCheckerboard) {
    ViewRenderer renderer;
    ViewGeometry g;
    g.SetArea(20, 10, 0, 0);
    std::vector<uint32_t> target(20 * 10, 0xDEADBEEF);
    renderer.Render(g, 0x123456, target.data(), 20, 10, 20);
    for (uint32_t p : target) ASSERT_EQ(p, 0x123456u);

    // 16 × 4 picture: left half clear, right half red at half alpha.
    DisplayImage image = Solid(16, 4, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 8; x < 16; ++x) image.Row(y)[x] = 0x80800000;
    image.hasAlpha = true;
    renderer.SetImage(std::move(image));
    g.SetImageSize(16, 4);
    renderer.Render(g, 0x123456, target.data(), 20, 10, 20);
    // Centred at (2, 3).
    EXPECT_EQ(target[0], 0x123456u);
    EXPECT_EQ(target[3 * 20 + 1], 0x123456u);
    EXPECT_EQ(target[3 * 20 + 2], kCheckerLight);
    EXPECT_EQ(target[3 * 20 + 9], kCheckerLight);
    EXPECT_EQ(target[3 * 20 + 10], 0xE66666u) << "half red over the dark cell: 128 + 204 * 127 / 255";
    EXPECT_EQ(target[7 * 20 + 2], 0x123456u);
    EXPECT_EQ(CheckerAt(8, 0), kCheckerDark);
    EXPECT_EQ(CheckerAt(8, 8), kCheckerLight);
    EXPECT_EQ(CheckerAt(-1, 0), kCheckerDark);
}

TEST(ViewRenderer, ScaledPixelsAreCachedUntilTheViewNeedsOthers) {
    ViewRenderer renderer;
    renderer.SetImage(Solid(4000, 3000, 0xFF336699));
    ViewGeometry g;
    g.SetArea(400, 300, 16, 16);
    g.SetImageSize(4000, 3000);
    std::vector<uint32_t> target(400 * 300);
    for (int i = 0; i < 3; ++i) renderer.Render(g, 0, target.data(), 400, 300, 400);
    EXPECT_EQ(renderer.ScaleCount(), 1) << "repaints reuse the scaled picture";
    EXPECT_EQ(target[150 * 400 + 200], 0x336699u);

    // At 100 % only the region around the view is scaled; small scrolls stay inside it.
    ASSERT_TRUE(g.ZoomTo(1.0, 200, 150));
    renderer.Render(g, 0, target.data(), 400, 300, 400);
    EXPECT_EQ(renderer.ScaleCount(), 2);
    g.ScrollBy(50, 30);
    renderer.Render(g, 0, target.data(), 400, 300, 400);
    EXPECT_EQ(renderer.ScaleCount(), 2);
    g.ScrollBy(1000, 0);
    renderer.Render(g, 0, target.data(), 400, 300, 400);
    EXPECT_EQ(renderer.ScaleCount(), 3);
    EXPECT_EQ(target[10 * 400 + 10], 0x336699u);
    renderer.Clear();
    EXPECT_FALSE(renderer.HasImage());
}

}  // namespace
}  // namespace pictrove::imageview
