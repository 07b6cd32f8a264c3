// Rows handed to the clipboard: padding dropped, both layout flags applied, gray types expanded.
#include <gtest/gtest.h>

#include "browse/ClipboardCopy.h"
#include "contracts/ReaderContract.h"

namespace pictrove {
namespace {

using Bytes = std::vector<uint8_t>;

// Pixel (x, y) of a top-down BGRX buffer as 0xRRGGBB.
uint32_t PixelAt(const Bytes& rows, int width, int x, int y) {
    const uint8_t* p = rows.data() + (static_cast<size_t>(y) * width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

TEST(ClipboardRows, Bgr24WithPaddingDropsPaddingBytes) {
    // 2x2, stride 7: one padding byte per row that must never show up.
    const Bytes stored = {1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE};
    const Bytes rows = ToTopDownBgrx(stored.data(), 2, 2, 7, kPixelBgr24, 0);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(PixelAt(rows, 2, 0, 0), 0x030201u);
    EXPECT_EQ(PixelAt(rows, 2, 1, 0), 0x060504u);
    EXPECT_EQ(PixelAt(rows, 2, 0, 1), 0x090807u);
    EXPECT_EQ(PixelAt(rows, 2, 1, 1), 0x0C0B0Au);
}

TEST(ClipboardRows, Bgra32HonoursStrideToo) {
    const Bytes stored = {1, 1, 1, 255, 0xEE, 0xEE, 0xEE, 0xEE, 2, 2, 2, 255, 0xEE, 0xEE, 0xEE, 0xEE};
    const Bytes rows = ToTopDownBgrx(stored.data(), 1, 2, 8, kPixelBgra32, 0);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(PixelAt(rows, 1, 0, 0), 0x010101u);
    EXPECT_EQ(PixelAt(rows, 1, 0, 1), 0x020202u);
}

TEST(ClipboardRows, LayoutFlagsTurnStoredRowsUpright) {
    // 3x2 gray, stored rows "A B C" / "D E F".
    const Bytes stored = {10, 20, 30, 40, 50, 60};
    const struct {
        int layout;
        uint8_t expected[6];
    } cases[] = {
        {0, {10, 20, 30, 40, 50, 60}},
        {kLayoutMirroredRows, {30, 20, 10, 60, 50, 40}},
        {kLayoutBottomUp, {40, 50, 60, 10, 20, 30}},
        {kLayoutMirroredRows | kLayoutBottomUp, {60, 50, 40, 30, 20, 10}},
        {4 | kLayoutBottomUp, {40, 50, 60, 10, 20, 30}},  // other bits are ignored
    };
    for (const auto& c : cases) {
        const Bytes rows = ToTopDownBgrx(stored.data(), 3, 2, 3, kPixelGray8, c.layout);
        ASSERT_EQ(rows.size(), 24u) << "layout " << c.layout;
        for (int i = 0; i < 6; ++i) {
            const uint32_t gray = c.expected[i];
            EXPECT_EQ(PixelAt(rows, 3, i % 3, i / 3), gray << 16 | gray << 8 | gray) << "layout " << c.layout << " pixel " << i;
        }
    }
}

TEST(ClipboardRows, GrayPlusOneMapsStoredZeroToWhiteAndOneToBlack) {
    const Bytes stored = {0, 1, 128};
    const Bytes rows = ToTopDownBgrx(stored.data(), 3, 1, 3, kPixelGrayPlusOne8, 0);
    EXPECT_EQ(PixelAt(rows, 3, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(rows, 3, 1, 0), 0x000000u);
    EXPECT_EQ(PixelAt(rows, 3, 2, 0), 0x7F7F7Fu);
    EXPECT_EQ(stored[0], 0);  // the reader's buffer is not changed
}

TEST(ClipboardRows, RefusesWhatCannotBeReadSafely) {
    const Bytes stored(64, 0);
    EXPECT_TRUE(ToTopDownBgrx(nullptr, 2, 2, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 0, 2, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, -1, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 7, kPixelBgra32, 0).empty());  // stride shorter than a row
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 8, 4, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 8, -1, 0).empty());
}

}  // namespace
}  // namespace pictrove
