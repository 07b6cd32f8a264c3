// Where the picture sits in the view: fit, scroll bars, zoom steps and anchors, scrolling.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/imageview/ViewDescription.h"
#include "components/imageview/ViewGeometry.h"

namespace pictrove::imageview {
namespace {

// What a screen reader is told: the zoom rounds to whole percent but never to nothing.
TEST(ViewDescription, NameSizeAndZoomRounded) {
    const struct {
        const wchar_t* name;
        int width, height;
        double scale;
        const wchar_t* expected;
    } cases[] = {
        {L"cover", 640, 480, 1.0, L"cover, 640 \u00D7 480, 100 %"},
        {L"", 640, 480, 0.5, L"640 \u00D7 480, 50 %"},
        {L"vast", 40000, 30000, 0.004, L"vast, 40000 \u00D7 30000, 1 %"},
        {L"fine", 2, 2, 0.125 * 0.999, L"fine, 2 \u00D7 2, 12 %"},
        {L"dot", 1, 1, kMaxZoom, L"dot, 1 \u00D7 1, 3200 %"},
        {L"none", 0, 480, 1.0, L""},
        {L"none", 640, 0, 1.0, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeView(c.name, c.width, c.height, c.scale), c.expected) << c.width << "x" << c.height;
    }
}

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

}  // namespace
}  // namespace pictrove::imageview
