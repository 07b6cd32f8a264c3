// Composition of the view: background, picture, checkerboard, and the scaled-pixel cache.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/imageview/ViewRenderer.h"
#include "components/imageview/ViewGeometry.h"
#include "tests/imageview/ImageViewTestSupport.h"

namespace pictrove::imageview {
namespace {

using test::Solid;

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

// On a denser screen the cells grow, so the board looks the same size to the eye.
TEST(ViewRenderer, CheckerCellsFollowTheCellSizeGiven) {
    ViewRenderer renderer;
    EXPECT_EQ(renderer.CheckerCell(), kCheckerCell);
    DisplayImage image = Solid(40, 1, 0);  // fully clear: the board shows as it is
    image.hasAlpha = true;
    renderer.SetImage(std::move(image));
    ViewGeometry g;
    g.SetArea(40, 1, 0, 0);
    g.SetImageSize(40, 1);
    std::vector<uint32_t> row(40, 0xDEADBEEF);
    const auto firstDark = [&] {
        renderer.Render(g, 0x123456, row.data(), 40, 1, 40);
        for (int x = 0; x < 40; ++x) {
            if (row[x] == kCheckerDark) return x;
        }
        return -1;
    };
    EXPECT_EQ(firstDark(), 8);
    renderer.SetCheckerCell(16);  // 192 dpi
    EXPECT_EQ(firstDark(), 16);
    EXPECT_EQ(row[32], kCheckerLight);
    renderer.SetCheckerCell(0);
    EXPECT_EQ(renderer.CheckerCell(), kCheckerCell) << "no cell is the 96-dpi cell, never a division by zero";
    EXPECT_EQ(CheckerAt(11, 0, 12), kCheckerLight);
    EXPECT_EQ(CheckerAt(12, 0, 12), kCheckerDark);
    EXPECT_EQ(CheckerAt(-1, 0, 12), kCheckerDark);
    EXPECT_EQ(CheckerAt(-12, 0, 12), kCheckerDark);
    EXPECT_EQ(CheckerAt(-13, 0, 12), kCheckerLight);
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
