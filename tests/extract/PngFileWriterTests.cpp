// PNG files written from reader rows: every pixel type and layout read back exactly by the
// platform's decoder, the header saying what the file holds, one bit a pixel for black and white.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/ImageFileWriter.h"
#include "engine/writers/PngWriter.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

constexpr int kPngType = 3;  // the PNG entry of the image types
constexpr float kOutputDpi = kPictureDpi;

struct PngHeader {
    int bitDepth = -1;
    int colourType = -1;
    std::uint32_t pixelsPerMetre = 0;
};

// IHDR's depth and colour type, and pHYs's horizontal density, read from the file's bytes.
PngHeader ReadHeader(const std::vector<unsigned char>& file) {
    PngHeader header;
    if (file.size() < 33) return header;
    header.bitDepth = file[24];
    header.colourType = file[25];
    for (size_t i = 8; i + 16 <= file.size();) {
        const std::uint32_t length = std::uint32_t(file[i]) << 24 | file[i + 1] << 16 | file[i + 2] << 8 | file[i + 3];
        if (std::string(file.begin() + i + 4, file.begin() + i + 8) == "pHYs") {
            header.pixelsPerMetre =
                std::uint32_t(file[i + 8]) << 24 | file[i + 9] << 16 | file[i + 10] << 8 | file[i + 11];
        }
        i += 12 + length;
    }
    return header;
}

std::vector<BYTE> BlackAndWhite(int width, int height, BYTE black, BYTE white) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back((x + 2 * y) % 3 == 0 ? white : black);
    return pixels;
}

// The gray picture of gray-plus-one pixels: each level one below what is stored.
std::vector<BYTE> LessOne(std::vector<BYTE> pixels) {
    for (BYTE& p : pixels) p = static_cast<BYTE>(p - 1);
    return pixels;
}

ReaderImageFields FieldsOf(test::FakeReaderImage* image, int type, int width, int height, int stride, int layout) {
    ReaderImageFields fields;
    fields.bits = image->Buffer().data();
    fields.width = width;
    fields.height = height;
    fields.stride = stride;
    fields.pixelType = type;
    fields.bytesPerPixel = ReaderBytesPerPixel(type);
    fields.layout = layout;
    return fields;
}

TEST(PngFileWriter, EveryPixelTypeAndLayoutReadsBackExactly) {
    test::TempFolder folder;
    for (const int width : {1, 8, 13}) {
        const int height = 5;
        const std::vector<BYTE> grey = test::PatternGray(width, height);
        const std::vector<BYTE> bilevel = BlackAndWhite(width, height, 0, 255);
        const std::vector<BYTE> bilevelPlusOne = BlackAndWhite(width, height, 1, 0);
        const struct {
            const char* name;
            int type;
            int bytesPerPixel;
            std::vector<BYTE> stored;  // top-down, upright
            std::vector<BYTE> looks;   // what the file must show, in the stored type's bytes
            int bitDepth;
            int colourType;
        } cases[] = {
            {"bgra", kPixelBgra32, 4, test::PatternBgra(width, height, true), test::PatternBgra(width, height, true), 8,
             6},
            {"bgr", kPixelBgr24, 3, test::PatternBgr(width, height), test::PatternBgr(width, height), 8, 2},
            {"grey", kPixelGray8, 1, grey, grey, 8, 0},
            {"grey plus one", kPixelGrayPlusOne8, 1, grey, LessOne(grey), 8, 0},
            {"black and white", kPixelGray8, 1, bilevel, bilevel, 1, 0},
            {"black and white plus one", kPixelGrayPlusOne8, 1, bilevelPlusOne, bilevel, 1, 0},
        };
        for (const auto& c : cases) {
            for (const int layout : {0, 1, 2, 3}) {  // plain, mirrored rows, bottom-up, both
                SCOPED_TRACE(std::string(c.name) + ", width " + std::to_string(width) + ", layout " +
                             std::to_string(layout));
                auto* image = test::FakeReaderImage::FromRows(c.type, width, height, width * c.bytesPerPixel + 3,
                                                              layout, c.stored);
                const std::wstring path = folder.File(L"picture.png");
                // Twice: saving leaves the reader's pixels as they were.
                for (int round = 0; round < 2; ++round) {
                    ASSERT_TRUE(SaveImageFile(image, kPngType, path).written);
                    const test::DecodedImage decoded = test::DecodeFile(path);
                    ASSERT_TRUE(decoded.ok);
                    EXPECT_EQ(decoded.width, width);
                    EXPECT_EQ(decoded.height, height);
                    EXPECT_EQ(decoded.argb, test::ToArgb(c.looks, c.bytesPerPixel));
                    EXPECT_NEAR(decoded.dpiX, 96.0f, 0.1f);
                }
                EXPECT_EQ(image->PixelType(), c.type);
                image->Release();
                const PngHeader header = ReadHeader(test::ReadFileBytes(path));
                EXPECT_EQ(header.bitDepth, c.bitDepth);
                EXPECT_EQ(header.colourType, c.colourType);
                EXPECT_EQ(header.pixelsPerMetre, 3780u);
            }
        }
    }
}

TEST(PngFileWriter, AlmostBlackAndWhiteKeepsItsGreys) {
    // One grey pixel among black and white ones keeps the picture at eight bits.
    for (const BYTE grey : {BYTE(1), BYTE(254)}) {
        std::vector<BYTE> pixels = BlackAndWhite(9, 4, 0, 255);
        pixels.back() = grey;
        auto* image = test::FakeReaderImage::FromRows(kPixelGray8, 9, 4, 9, 0, pixels);
        const std::vector<unsigned char> file = EncodePng(FieldsOf(image, kPixelGray8, 9, 4, 9, 0), kOutputDpi);
        image->Release();
        EXPECT_EQ(ReadHeader(file).bitDepth, 8) << int(grey);
    }
}

TEST(PngFileWriter, PicturesTooLargeForOnePieceGiveTheSamePixelsRowByRow) {
    // Past the whole-picture limit rows are deflated one at a time: the file must read back the
    // same, for every colour kind and for one-bit rows of a width that is not a multiple of 8.
    test::TempFolder folder;
    const int width = 37, height = 23;
    const struct {
        int type;
        std::vector<BYTE> stored;
    } cases[] = {{kPixelBgra32, test::PatternBgra(width, height, true)},
                 {kPixelBgr24, test::PatternBgr(width, height)},
                 {kPixelGray8, test::PatternGray(width, height)},
                 {kPixelGray8, BlackAndWhite(width, height, 0, 255)}};
    for (const auto& c : cases) {
        for (const int layout : {0, 3}) {
            SCOPED_TRACE("type " + std::to_string(c.type) + ", layout " + std::to_string(layout));
            const int stride = width * ReaderBytesPerPixel(c.type) + 1;
            auto* image = test::FakeReaderImage::FromRows(c.type, width, height, stride, layout, c.stored);
            const ReaderImageFields fields = FieldsOf(image, c.type, width, height, stride, layout);
            const std::vector<unsigned char> whole = EncodePng(fields, kOutputDpi);
            const std::vector<unsigned char> streamed = EncodePng(fields, kOutputDpi, 0);
            image->Release();
            ASSERT_FALSE(whole.empty());
            ASSERT_FALSE(streamed.empty());
            EXPECT_EQ(ReadHeader(streamed).bitDepth, ReadHeader(whole).bitDepth);
            ASSERT_TRUE(test::WriteFileBytes(folder.File(L"whole.png"), whole));
            ASSERT_TRUE(test::WriteFileBytes(folder.File(L"streamed.png"), streamed));
            const test::DecodedImage a = test::DecodeFile(folder.File(L"whole.png"));
            const test::DecodedImage b = test::DecodeFile(folder.File(L"streamed.png"));
            ASSERT_TRUE(a.ok);
            ASSERT_TRUE(b.ok);
            EXPECT_EQ(a.width, width);
            EXPECT_EQ(b.height, height);
            EXPECT_EQ(a.argb, b.argb);
            if (layout == 0) {
                EXPECT_EQ(b.argb, test::ToArgb(c.stored, ReaderBytesPerPixel(c.type)));
            }
        }
    }
}

TEST(PngFileWriter, UnwritablePathFailsAndLeavesNothing) {
    test::TempFolder folder;
    auto* image = test::FakeReaderImage::FromRows(kPixelBgr24, 3, 2, 9, 0, test::PatternBgr(3, 2));
    const std::wstring missing = folder.Path() + L"no such folder\\x.png";
    const WriteOutcome outcome = SaveImageFile(image, kPngType, missing);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    image->Release();
}

}  // namespace
}  // namespace pictrove
