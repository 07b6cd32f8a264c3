// Reader pixel objects to GDI+ bitmaps, with real GDI+.
#include <gtest/gtest.h>

#include "browse/ImageConversion.h"
#include "tests/extract/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"

namespace pictrove {
namespace {

using test::CallLog;
using test::FakeReaderImage;

struct TypeCase {
    int pixelType;
    Gdiplus::PixelFormat format;
    int bpp;
};
constexpr TypeCase kTypes[] = {
    {0, PixelFormat32bppARGB, 4},
    {1, PixelFormat24bppRGB, 3},
    {2, PixelFormat8bppIndexed, 1},
};

std::vector<BYTE> Pattern(int pixelType, int width, int height) {
    switch (pixelType) {
        case 0:
            return test::PatternBgra(width, height, true);
        case 1:
            return test::PatternBgr(width, height);
        default:
            return test::PatternGray(width, height);
    }
}

TEST(CreateBitmapFromReaderImage, EveryTypeLayoutAndPaddedStrideComesOutTopDown) {
    const struct {
        int width, height;
    } sizes[] = {{5, 3}, {4, 6}, {1, 1}, {7, 7}};
    for (const TypeCase& type : kTypes) {
        for (const auto& size : sizes) {
            for (int layout = 0; layout <= 3; ++layout) {
                for (int padding : {0, 1, 5}) {
                    const int stride = size.width * type.bpp + padding;
                    const std::vector<BYTE> expected = Pattern(type.pixelType, size.width, size.height);
                    FakeReaderImage* image = FakeReaderImage::FromRows(type.pixelType, size.width, size.height,
                                                                       stride, layout, expected);
                    BitmapPtr bitmap = CreateBitmapFromReaderImage(image);
                    const std::string label = "type " + std::to_string(type.pixelType) + " " +
                                              std::to_string(size.width) + "x" + std::to_string(size.height) +
                                              " layout " + std::to_string(layout) + " padding " +
                                              std::to_string(padding);
                    ASSERT_TRUE(bitmap) << label;
                    EXPECT_EQ(bitmap->GetPixelFormat(), type.format) << label;
                    EXPECT_EQ(static_cast<int>(bitmap->GetWidth()), size.width) << label;
                    EXPECT_EQ(static_cast<int>(bitmap->GetHeight()), size.height) << label;
                    EXPECT_EQ(test::LockedBytes(*bitmap, type.format, type.bpp), expected) << label;
                    EXPECT_EQ(image->RefCount(), 1u) << label;
                    image->Release();
                }
            }
        }
    }
}

TEST(CreateBitmapFromReaderImage, BottomUpImageWithRedFirstStoredRowEndsWithRedRow) {
    const int width = 3, height = 4;
    auto stored = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(width) * 4 * height, BYTE{0x40});
    for (int x = 0; x < width; ++x) {
        (*stored)[x * 4 + 0] = 0;
        (*stored)[x * 4 + 1] = 0;
        (*stored)[x * 4 + 2] = 255;
        (*stored)[x * 4 + 3] = 255;
    }
    auto* image = new FakeReaderImage(0, width, height, width * 4, kLayoutBottomUp, stored);
    BitmapPtr bitmap = CreateBitmapFromReaderImage(image);
    ASSERT_TRUE(bitmap);
    Gdiplus::Color last, first;
    bitmap->GetPixel(1, height - 1, &last);
    bitmap->GetPixel(1, 0, &first);
    EXPECT_EQ(last.GetValue(), 0xFFFF0000u);
    EXPECT_NE(first.GetValue(), 0xFFFF0000u);
    image->Release();
}

TEST(CreateBitmapFromReaderImage, GrayBitmapCarriesTheGrayPalette) {
    const std::vector<BYTE> gray = test::PatternGray(4, 2);
    FakeReaderImage* image = FakeReaderImage::FromRows(2, 4, 2, 4, 0, gray);
    BitmapPtr bitmap = CreateBitmapFromReaderImage(image);
    ASSERT_TRUE(bitmap);
    std::vector<BYTE> block(static_cast<size_t>(bitmap->GetPaletteSize()));
    ASSERT_GE(block.size(), sizeof(Gdiplus::ColorPalette) + 255 * sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(block.data());
    ASSERT_EQ(bitmap->GetPalette(palette, static_cast<INT>(block.size())), Gdiplus::Ok);
    EXPECT_EQ(palette->Count, 256u);
    EXPECT_EQ(palette->Flags & Gdiplus::PaletteFlagsGrayScale, static_cast<UINT>(Gdiplus::PaletteFlagsGrayScale));
    for (UINT i = 0; i < 256; ++i) ASSERT_EQ(palette->Entries[i], 0xFF000000u + i * 0x010101u) << "entry " << i;
    image->Release();

    const auto* own = GrayPalette();
    EXPECT_EQ(own->Flags, static_cast<UINT>(Gdiplus::PaletteFlagsGrayScale));
    EXPECT_EQ(own->Count, 256u);
    EXPECT_EQ(own->Entries[0], 0xFF000000u);
    EXPECT_EQ(own->Entries[255], 0xFFFFFFFFu);
}

TEST(CreateBitmapFromReaderImage, GrayPlusOneIsNormalisedOnceInTheReadersBuffer) {
    CallLog log;
    // Stored 0 is white, stored 1 black; the padding byte must not change.
    auto pixels = std::make_shared<std::vector<BYTE>>(std::vector<BYTE>{0, 1, 0x77, 2, 255, 0x77});
    auto* image = new FakeReaderImage(3, 2, 2, 3, 0, pixels, &log);

    BitmapPtr first = CreateBitmapFromReaderImage(image);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetPixelFormat(), PixelFormat8bppIndexed);
    const std::vector<BYTE> expected = {255, 0, 1, 254};
    EXPECT_EQ(test::LockedBytes(*first, PixelFormat8bppIndexed, 1), expected);
    EXPECT_EQ(image->PixelType(), 2);
    EXPECT_EQ(*pixels, (std::vector<BYTE>{255, 0, 0x77, 1, 254, 0x77}));

    BitmapPtr second = CreateBitmapFromReaderImage(image);
    ASSERT_TRUE(second);
    EXPECT_EQ(test::LockedBytes(*second, PixelFormat8bppIndexed, 1), expected);

    const std::vector<std::string> once = {"QueryInterface(ReaderImage)", "GetWidth", "GetHeight", "GetBits",
                                           "GetStride", "GetPixelType", "GetLayout", "SetPixelType(2)", "Release"};
    std::vector<std::string> twice = once;
    twice.erase(twice.end() - 2);  // the second call sees type 2 and sets nothing
    std::vector<std::string> all = once;
    all.insert(all.end(), twice.begin(), twice.end());
    EXPECT_EQ(log.Entries(), all);
    EXPECT_EQ(image->RefCount(), 1u);
    image->Release();
}

TEST(CreateBitmapFromReaderImage, UnknownTypesAndForeignObjectsGiveNoBitmap) {
    for (int type : {4, -1, 100}) {
        CallLog log;
        auto* image = new FakeReaderImage(type, 2, 2, 8, 0, std::make_shared<std::vector<BYTE>>(16, BYTE{1}), &log);
        EXPECT_FALSE(CreateBitmapFromReaderImage(image)) << "type " << type;
        EXPECT_EQ(image->RefCount(), 1u) << "type " << type;
        EXPECT_EQ(log.Entries().back(), "Release") << "type " << type;
        image->Release();
    }
    auto* other = new test::FakeUnknown;
    EXPECT_FALSE(CreateBitmapFromReaderImage(other));
    EXPECT_EQ(other->RefCount(), 1u);
    other->Release();
    EXPECT_FALSE(CreateBitmapFromReaderImage(nullptr));
}

TEST(CreateBitmapFromReaderImage, EmptyOrMissingPixelsLeaveABitmapThatRecordsTheFailure) {
    // A zero width: GDI+ refuses the bitmap; the object still comes back, with that status.
    auto* empty = new FakeReaderImage(1, 0, 5, 0, 0, std::make_shared<std::vector<BYTE>>());
    BitmapPtr none = CreateBitmapFromReaderImage(empty);
    ASSERT_TRUE(none);
    EXPECT_NE(none->GetLastStatus(), Gdiplus::Ok);
    empty->Release();

    // No buffer: a bitmap of the right size whose pixels GDI+ chose.
    auto* noBits = new FakeReaderImage(0, 3, 2, 12, 0, std::make_shared<std::vector<BYTE>>());
    BitmapPtr blank = CreateBitmapFromReaderImage(noBits);
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->GetWidth(), 3u);
    EXPECT_EQ(blank->GetHeight(), 2u);
    noBits->Release();
}

}  // namespace
}  // namespace pictrove
