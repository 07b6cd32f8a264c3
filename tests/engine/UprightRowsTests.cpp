// The one upright view of a picture's rows: every layout over padded rows of each pixel size,
// rows that run upwards in memory, and the gray-plus-one shift.
#include <gtest/gtest.h>

#include <vector>

#include "contracts/PixelModel.h"

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

// The pixel number at x of a copied row; -1 when a pixel's bytes came apart.
int PixelAt(const std::vector<std::uint8_t>& row, int x, int bpp) {
    const int first = row[x * bpp];
    for (int k = 1; k < bpp; ++k) {
        if (row[x * bpp + k] != first + k) return -1;
    }
    return first / 10;
}

TEST(UprightRows, EveryLayoutOnOddAndEvenSizes) {
    const struct {
        int width, height, type;
    } sizes[] = {{3, 2, kPixelGray8}, {2, 3, kPixelBgr24},  {3, 3, kPixelBgra32},
                 {4, 4, kPixelBgr24}, {1, 5, kPixelBgra32}, {5, 1, kPixelGray8}};
    for (const auto& s : sizes) {
        const int bpp = ReaderBytesPerPixel(s.type);
        const int stride = s.width * bpp + 3;  // padding that must not be copied
        for (int layout = 0; layout <= 3; ++layout) {
            for (const bool upwards : {false, true}) {
                std::vector<std::uint8_t> bits = Numbered(s.width, s.height, stride, bpp);
                // Rows running upwards in memory: the first stored row is the buffer's last.
                ReaderImageFields fields{
                    upwards ? bits.data() + static_cast<size_t>(stride) * (s.height - 1) : bits.data(),
                    s.width,
                    s.height,
                    upwards ? -stride : stride,
                    s.type,
                    layout};
                ASSERT_EQ(CheckReaderImageFields(fields), ReaderImageCheck::kOk);
                const UprightRows rows(fields);
                for (int y = 0; y < s.height; ++y) {
                    std::vector<std::uint8_t> row(fields.RowBytes() + 1, 0x55);
                    rows.CopyRow(y, row.data());
                    for (int x = 0; x < s.width; ++x) {
                        const int fromX = (layout & kLayoutMirroredRows) ? s.width - 1 - x : x;
                        const int storedY = (layout & kLayoutBottomUp) ? s.height - 1 - y : y;
                        const int memoryY = upwards ? s.height - 1 - storedY : storedY;
                        ASSERT_EQ(PixelAt(row, x, bpp), memoryY * s.width + fromX)
                            << s.width << "x" << s.height << " bpp " << bpp << " layout " << layout
                            << (upwards ? " upwards" : "") << " at " << x << "," << y;
                    }
                    ASSERT_EQ(row.back(), 0x55) << "nothing past the row";
                }
            }
        }
    }
}

// Mirroring is the table's; this is the shift that makes gray-plus-one plain gray.
TEST(UprightRows, GrayPlusOneComesOutPlainWithoutTouchingTheStoredPixels) {
    std::vector<std::uint8_t> row(3);
    std::vector<std::uint8_t> plusOne = {1, 0, 128};  // black, white (wrapped), mid grey
    for (int layout : {0, static_cast<int>(kLayoutMirroredRows)}) {
        ReaderImageFields grey{plusOne.data(), 3, 1, 3, kPixelGrayPlusOne8, layout};
        ASSERT_EQ(CheckReaderImageFields(grey), ReaderImageCheck::kOk);
        UprightRows(grey).CopyRow(0, row.data());
        EXPECT_EQ(row, layout ? (std::vector<std::uint8_t>{127, 255, 0}) : (std::vector<std::uint8_t>{0, 255, 127}));
        EXPECT_EQ(plusOne, (std::vector<std::uint8_t>{1, 0, 128})) << "the stored pixels stay as they are";
    }
}

}  // namespace
}  // namespace pictrove
