// JPEG through libjpeg-turbo: every coding process and colour model comes back with its size,
// its samples and what Adobe's marker said; damaged and oversized files are refused cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../TestJpeg.h"
#include "codecs/Jpeg.h"

namespace pictrove::readers::codecs {
namespace {

using test::Bytes;
using test::JpegOptions;

// A smooth picture (JPEG keeps smooth areas nearly exact at quality 100).
Bytes Gradient(int width, int height, int components) {
    Bytes samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c)
                samples.push_back(static_cast<std::uint8_t>((x * 4 + y * 2 + c * 40) % 256));
        }
    }
    return samples;
}

int LargestDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 1000;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

TEST(Jpeg, EveryCodingProcessAndColourModelRoundTrips) {
    struct Case {
        const char* label;
        JpegOptions options;
        int tolerance;
    };
    const Case cases[] = {
        {"gray baseline", {1, true, false, false, false}, 2},
        {"gray progressive", {1, true, false, true, false}, 2},
        {"gray arithmetic", {1, true, false, false, true}, 2},
        {"rgb baseline", {3, true, false, false, false}, 8},
        {"rgb progressive arithmetic", {3, true, false, true, true}, 8},
        {"cmyk with marker", {4, true, false, false, false}, 2},
        {"cmyk without marker", {4, false, false, false, false}, 2},
        {"ycck", {4, true, true, false, false}, 8},
        {"ycck progressive", {4, true, true, true, false}, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Bytes samples = Gradient(24, 17, c.options.components);
        const Bytes file = test::MakeJpeg(24, 17, samples, c.options);
        auto header = ReadJpegHeader(file);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->width, 24);
        EXPECT_EQ(header->height, 17);
        EXPECT_TRUE(header->samples.empty());
        auto picture = DecodeJpeg(file);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->components, c.options.components);
        const bool marked = c.options.components == 4 && (c.options.adobe || c.options.ycck);
        EXPECT_EQ(picture->adobe, marked);
        EXPECT_EQ(picture->adobeTransform, !marked ? -1 : c.options.ycck ? 2 : 0);
        EXPECT_LE(LargestDifference(picture->samples, samples), c.tolerance);
    }
}

TEST(Jpeg, AdobeInkIsInvertedOnceAndOnlyWhenMarked) {
    const Bytes stored{30, 130, 230, 5};
    for (bool adobe : {true, false}) {
        SCOPED_TRACE(adobe ? "marked" : "unmarked");
        auto picture = DecodeJpeg(test::JpegOfColour(8, 8, stored, {4, adobe}));
        ASSERT_TRUE(picture);
        JpegInkToNormal(*picture);
        const Bytes first(picture->samples.begin(), picture->samples.begin() + 4);
        const Bytes expected = adobe ? Bytes{225, 125, 25, 250} : stored;
        EXPECT_LE(LargestDifference(first, expected), 2);
        JpegInkToNormal(*picture);  // a second call must not flip it back
        EXPECT_LE(LargestDifference(Bytes(picture->samples.begin(), picture->samples.begin() + 4), expected), 2);
    }
}

TEST(Jpeg, StandAloneFilesBecomeGrayOrColourPixels) {
    auto gray = JpegToImage(test::JpegOfColour(5, 3, {77}, {1}));
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->type, PixelType::kGray8);
    EXPECT_NEAR(gray->Row(2)[4], 77, 1);

    auto rgb = JpegToImage(test::JpegOfColour(5, 3, {250, 20, 40}, {3}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->type, PixelType::kBgr24);
    EXPECT_NEAR(rgb->Row(1)[0], 40, 4);   // blue first
    EXPECT_NEAR(rgb->Row(1)[2], 250, 4);  // red last

    // Adobe CMYK as Photoshop writes it: ink stored inverted. No ink must stay white.
    auto cmyk = JpegToImage(test::JpegOfColour(5, 3, {255, 255, 255, 255}, {4, true, true}));
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(cmyk->type, PixelType::kBgr24);
    for (int c = 0; c < 3; ++c) EXPECT_GE(cmyk->Row(0)[c], 250) << "channel " << c;
}

// The start-of-frame size of a baseline file, rewritten.
Bytes WithSize(Bytes file, int width, int height) {
    for (std::size_t i = 2; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2 || file[i + 1] == 0xC9)) {
            file[i + 5] = static_cast<std::uint8_t>(height >> 8);
            file[i + 6] = static_cast<std::uint8_t>(height);
            file[i + 7] = static_cast<std::uint8_t>(width >> 8);
            file[i + 8] = static_cast<std::uint8_t>(width);
            return file;
        }
    }
    ADD_FAILURE() << "no start of frame";
    return file;
}

// Colour asked for as a finished picture's rows: the same pixels as the packed samples, blue
// first, each row padded with zeros to 4 bytes; rows a cut stream never delivered stay
// mid-gray. Gray and CMYK pictures keep their packed samples.
TEST(Jpeg, ColourComesBackAsPaddedBlueGreenRedRowsWhenAskedFor) {
    for (const int width : {1, 2, 3, 4, 5, 7}) {
        for (const bool progressive : {false, true}) {
            SCOPED_TRACE(testing::Message() << "width " << width << (progressive ? ", progressive" : ""));
            const Bytes file = test::MakeJpeg(width, 9, Gradient(width, 9, 3), {3, true, false, progressive, false});
            const auto packed = DecodeJpeg(file);
            const auto rows = DecodeJpeg(file, true);
            ASSERT_TRUE(packed);
            ASSERT_TRUE(rows);
            EXPECT_FALSE(packed->bgrRows);
            EXPECT_TRUE(rows->bgrRows);
            const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
            ASSERT_EQ(rows->samples.size(), stride * 9);
            for (std::size_t y = 0; y < 9; ++y) {
                for (std::size_t x = 0; x < stride; ++x) {
                    const std::size_t pixel = x / 3;
                    const int expected = pixel < static_cast<std::size_t>(width)
                                             ? packed->samples[(y * width + pixel) * 3 + 2 - x % 3]
                                             : 0;
                    ASSERT_EQ(rows->samples[y * stride + x], expected) << "row " << y << " byte " << x;
                }
            }
        }
    }
    const Bytes whole = test::MakeJpeg(61, 64, Gradient(61, 64, 3), {3});
    const auto cut =
        DecodeJpeg(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 3 / 4)), true);
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->samples.size(), 184u * 64u);
    EXPECT_EQ(cut->samples[184 * 63], 128);
    EXPECT_EQ(cut->samples[184 * 63 + 183], 0);
    for (const int components : {1, 4}) {
        const Bytes file = test::MakeJpeg(5, 3, Gradient(5, 3, components), {components});
        const auto picture = DecodeJpeg(file, true);
        ASSERT_TRUE(picture);
        EXPECT_FALSE(picture->bgrRows);
        EXPECT_EQ(picture->samples.size(), 5u * 3u * static_cast<std::size_t>(components));
    }
}

TEST(Jpeg, DamagedAndOversizedFilesAreRefusedOrKeepWhatTheyHad) {
    const Bytes file = test::JpegOfColour(32, 32, {100}, {1});
    // 65000 x 65000 from a few hundred bytes: more blocks than the data can code.
    EXPECT_FALSE(DecodeJpeg(WithSize(file, 65000, 65000)));
    EXPECT_FALSE(ReadJpegHeader(WithSize(file, 65000, 65000)));
    // The same for arithmetic coding, which is allowed more pixels per byte but not without end.
    const Bytes arithmetic = test::JpegOfColour(32, 32, {100}, {1, true, false, false, true});
    ASSERT_TRUE(DecodeJpeg(arithmetic));
    EXPECT_FALSE(DecodeJpeg(WithSize(arithmetic, 8000, 2000)));
    // A side of zero is not a picture.
    EXPECT_FALSE(DecodeJpeg(WithSize(file, 0, 32)));
    EXPECT_FALSE(DecodeJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
    EXPECT_FALSE(DecodeJpeg(Bytes(200, 0x55)));
    EXPECT_FALSE(DecodeJpeg(Bytes{}));

    // Cut inside the scan: the picture keeps its size, the rows it had stay right.
    const Bytes rows = Gradient(64, 64, 1);
    const Bytes whole = test::MakeJpeg(64, 64, rows, {1});
    auto cut = DecodeJpeg(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 3 / 4)));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->width, 64);
    EXPECT_EQ(cut->samples.size(), 64u * 64u);
    EXPECT_LE(LargestDifference(Bytes(cut->samples.begin(), cut->samples.begin() + 64 * 8),
                                Bytes(rows.begin(), rows.begin() + 64 * 8)),
              2);
}

}  // namespace
}  // namespace pictrove::readers::codecs
