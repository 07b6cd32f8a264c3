// JPEG 2000 through OpenJPEG: lossless files of every kind the PDF and XPS readers meet come
// back exactly (depths scaled to 8 bits, sub-sampled components brought to full size, opacity
// apart), and oversized or damaged ones are refused without a crash.
#include <gtest/gtest.h>

#include "../TestJpx.h"
#include "codecs/Jpx.h"

namespace pictrove::readers::codecs {
namespace {

using test::Bytes;
using test::JpxPlane;

JpxPlane Ramp(int width, int height, int step, int start, int dx = 1, int dy = 1, int max = 255) {
    JpxPlane plane;
    plane.dx = dx;
    plane.dy = dy;
    for (int y = 0; y < (height + dy - 1) / dy; ++y)
        for (int x = 0; x < (width + dx - 1) / dx; ++x)
            plane.values.push_back((start + (x + 2 * y) * step) % (max + 1));
    return plane;
}

TEST(Jpx, GrayRgbAndOpacityComeBackExactly) {
    const int w = 13, h = 9;
    struct Case {
        const char* label;
        std::vector<JpxPlane> planes;
        test::JpxOptions options;
        JpxColour colour;
        bool alpha;
    };
    JpxPlane opacity = Ramp(w, h, 20, 5);
    opacity.alpha = true;
    const Case cases[] = {
        {"gray jp2", {Ramp(w, h, 7, 0)}, {8, true, 2}, JpxColour::kGray, false},
        {"rgb jp2", {Ramp(w, h, 7, 0), Ramp(w, h, 11, 50), Ramp(w, h, 3, 200)}, {8, true, 1}, JpxColour::kRgb, false},
        {"rgb codestream",
         {Ramp(w, h, 7, 0), Ramp(w, h, 11, 50), Ramp(w, h, 3, 200)},
         {8, false, 0},
         JpxColour::kRgb,
         false},
        {"rgba jp2",
         {Ramp(w, h, 7, 0), Ramp(w, h, 11, 50), Ramp(w, h, 3, 200), opacity},
         {8, true, 1},
         JpxColour::kRgb,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto picture = DecodeJpx(test::MakeJpx(w, h, c.planes, c.options));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, w);
        EXPECT_EQ(picture->height, h);
        const std::size_t n = c.alpha ? c.planes.size() - 1 : c.planes.size();
        ASSERT_EQ(picture->components, static_cast<int>(n));
        EXPECT_EQ(picture->colour, c.colour);
        ASSERT_EQ(picture->alpha.size(), c.alpha ? std::size_t(w * h) : 0u);
        for (int i = 0; i < w * h; ++i) {
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_EQ(picture->samples[i * n + k], c.planes[k].values[i]) << "pixel " << i << " component " << k;
            }
            if (c.alpha) {
                ASSERT_EQ(picture->alpha[i], opacity.values[i]) << "pixel " << i;
            }
        }
    }
}

TEST(Jpx, DeepAndSubSampledComponentsReachEightBitsAtFullSize) {
    const int w = 10, h = 6;
    // 16-bit gray: 65535 is white, 257 * v is v.
    JpxPlane deep;
    for (int i = 0; i < w * h; ++i) deep.values.push_back(257 * ((i * 9) % 256));
    auto gray = DecodeJpx(test::MakeJpx(w, h, {deep}, {16, true, 2}));
    ASSERT_TRUE(gray);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(gray->samples[i], (i * 9) % 256) << "pixel " << i;

    // Components 2 and 3 at half resolution: each of their samples covers a 2 x 2 square.
    const JpxPlane full = Ramp(w, h, 5, 0);
    const JpxPlane half1 = Ramp(w, h, 30, 10, 2, 2);
    const JpxPlane half2 = Ramp(w, h, 17, 90, 2, 2);
    auto picture = DecodeJpx(test::MakeJpx(w, h, {full, half1, half2}, {8, false, 0}));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->components, 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            const std::size_t half = static_cast<std::size_t>((y / 2) * (w / 2) + x / 2);
            ASSERT_EQ(picture->samples[3 * i], full.values[i]) << x << "," << y;
            ASSERT_EQ(picture->samples[3 * i + 1], half1.values[half]) << x << "," << y;
            ASSERT_EQ(picture->samples[3 * i + 2], half2.values[half]) << x << "," << y;
        }
    }
}

TEST(Jpx, PalettesAreAppliedToTheirIndices) {
    const Bytes entries{255, 0, 0, 0, 128, 0, 10, 20, 30, 250, 250, 250};
    std::vector<int> indices;
    for (int i = 0; i < 5 * 3; ++i) indices.push_back(i % 4);
    auto picture = DecodeJpx(test::MakePalettedJp2(5, 3, indices, entries));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->components, 3);
    EXPECT_EQ(picture->colour, JpxColour::kRgb);
    for (int i = 0; i < 15; ++i) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(picture->samples[3 * i + c], entries[3 * (i % 4) + c]) << "pixel " << i << " channel " << c;
        }
    }
}

// The image size in a codestream's SIZ marker segment, rewritten.
Bytes WithSize(Bytes file, std::uint32_t width, std::uint32_t height) {
    for (std::size_t i = 0; i + 14 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0x51) {
            for (int b = 0; b < 4; ++b) {
                file[i + 6 + b] = static_cast<std::uint8_t>(width >> (24 - 8 * b));
                file[i + 10 + b] = static_cast<std::uint8_t>(height >> (24 - 8 * b));
            }
            return file;
        }
    }
    ADD_FAILURE() << "no SIZ marker";
    return file;
}

TEST(Jpx, OversizedDamagedAndForeignDataIsRefused) {
    const Bytes codestream = test::MakeJpx(16, 16, {Ramp(16, 16, 3, 0)}, {8, false, 0});
    ASSERT_TRUE(DecodeJpx(codestream));
    EXPECT_FALSE(DecodeJpx(WithSize(codestream, 60000, 60000)));
    EXPECT_FALSE(DecodeJpx(WithSize(codestream, 100000, 16)));
    EXPECT_FALSE(DecodeJpx(Bytes(codestream.begin(), codestream.begin() + 20)));
    EXPECT_FALSE(DecodeJpx(Bytes{0xFF, 0xD8, 0xFF, 0xE0}));  // a JPEG, not JPEG 2000
    EXPECT_FALSE(DecodeJpx(Bytes{}));
    // Cut in the middle of the tile data: either refused or the full size, never a crash.
    auto cut =
        DecodeJpx(Bytes(codestream.begin(), codestream.begin() + static_cast<std::ptrdiff_t>(codestream.size() / 2)));
    if (cut) {
        EXPECT_EQ(cut->samples.size(), 256u);
    }
}

}  // namespace
}  // namespace pictrove::readers::codecs
