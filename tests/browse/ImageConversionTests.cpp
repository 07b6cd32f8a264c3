// Reader pixel objects to GDI+ bitmaps, with real GDI+.
#include <gtest/gtest.h>

#include "browse/ImageConversion.h"
#include "contracts/ReaderImageFields.h"
#include "tests/support/ImageTestHelpers.h"
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
    const struct { int width, height; } sizes[] = {{5, 3}, {4, 6}, {1, 1}, {7, 7}};
    for (const TypeCase& type : kTypes) {
        for (const auto& size : sizes) {
            for (int layout = 0; layout <= 3; ++layout) {
                for (int padding : {0, 1, 5}) {
                    const int stride = size.width * type.bpp + padding;
                    const std::vector<BYTE> expected = Pattern(type.pixelType, size.width, size.height);
                    FakeReaderImage* image =
                        FakeReaderImage::FromRows(type.pixelType, size.width, size.height, stride, layout, expected);
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

    const std::vector<std::string> once = {"QueryInterface(ReaderImage)",
                                           "GetWidth",
                                           "GetHeight",
                                           "GetBits",
                                           "GetStride",
                                           "GetPixelType",
                                           "GetLayout",
                                           "SetPixelType(2)",
                                           "Release"};
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

TEST(CreateBitmapFromReaderImage, FieldsThatCannotBeReadSafelyGiveNoBitmap) {
    const auto buffer = std::make_shared<std::vector<BYTE>>(64, BYTE{7});
    const struct {
        int type, width, height, stride;
        bool withBits;
        const char* label;
    } cases[] = {
        {1, 0, 5, 0, true, "zero width"},
        {1, 3, -2, 12, true, "negative height"},
        {0, 3, 2, 12, false, "no buffer"},
        {1, 3, 2, 8, true, "stride one byte short of a row"},
        {0, 4, 2, 4, true, "stride of one pixel for four"},
        {2, 3, 2, -2, true, "upward stride short of a row"},
    };
    for (const auto& c : cases) {
        auto pixels = c.withBits ? buffer : std::make_shared<std::vector<BYTE>>();
        auto* image = new FakeReaderImage(c.type, c.width, c.height, c.stride, 0, pixels);
        EXPECT_FALSE(CreateBitmapFromReaderImage(image)) << c.label;
        EXPECT_EQ(image->RefCount(), 1u) << c.label;
        image->Release();
    }
    EXPECT_EQ(*buffer, std::vector<BYTE>(64, BYTE{7})) << "nothing was written into the reader's buffer";
}

// A reader object reporting whatever fields the test sets, with no buffer behind them.
ReaderImageFields Fields(int type, int width, int height, int stride, BYTE* bits) {
    ReaderImageFields fields;
    fields.pixelType = type;
    fields.width = width;
    fields.height = height;
    fields.stride = stride;
    fields.bits = bits;
    return fields;
}

TEST(CheckReaderImageFields, AcceptsExactRowsAndRefusesEachFlaw) {
    BYTE byte = 0;
    BYTE* some = &byte;
    const struct {
        ReaderImageFields fields;
        ReaderImageCheck expected;
        const char* label;
    } cases[] = {
        {Fields(0, 2, 3, 8, some), ReaderImageCheck::kOk, "32-bit rows exactly a row apart"},
        {Fields(1, 2, 3, 7, some), ReaderImageCheck::kOk, "24-bit rows with padding"},
        {Fields(3, 5, 1, 5, some), ReaderImageCheck::kOk, "gray plus one"},
        {Fields(2, 5, 2, -5, some + 5), ReaderImageCheck::kOk, "rows running upwards"},
        {Fields(4, 2, 2, 8, some), ReaderImageCheck::kUnknownType, "type 4"},
        {Fields(-1, 2, 2, 8, some), ReaderImageCheck::kUnknownType, "type -1"},
        {Fields(0, 0, 2, 8, some), ReaderImageCheck::kNoPixels, "zero width"},
        {Fields(0, 2, 0, 8, some), ReaderImageCheck::kNoPixels, "zero height"},
        {Fields(0, 2, 2, 8, nullptr), ReaderImageCheck::kNoPixels, "no bits"},
        {Fields(1, 2, 2, 5, some), ReaderImageCheck::kShortStride, "stride short by one"},
        {Fields(0, 2, 2, 0, some), ReaderImageCheck::kShortStride, "stride 0"},
        {Fields(2, 5, 2, -4, some + 5), ReaderImageCheck::kShortStride, "upward stride short by one"},
        // width * 4 does not fit 32 bits; the stride cannot cover such a row.
        {Fields(0, 0x40000000, 1, 0x7FFFFFFF, some), ReaderImageCheck::kShortStride, "row wider than any stride"},
        // Rows below address 0, or beyond the end of the address space.
        {Fields(2, 4, 3, -8, reinterpret_cast<BYTE*>(8)), ReaderImageCheck::kTooLarge, "upward rows below address 0"},
        {Fields(0, 0x1FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFC, reinterpret_cast<BYTE*>(UINTPTR_MAX - 64)),
         ReaderImageCheck::kTooLarge, "rows past the end of memory"},
    };
    for (const auto& c : cases) {
        ReaderImageFields fields = c.fields;
        EXPECT_EQ(CheckReaderImageFields(fields), c.expected) << c.label;
    }
}

TEST(ReadReaderImage, ReadsTheSixFieldsInOrder) {
    CallLog log;
    auto* image =
        new FakeReaderImage(1, 3, 2, 12, kLayoutBottomUp, std::make_shared<std::vector<BYTE>>(24, BYTE{1}), &log);
    ReaderImageFields fields;
    EXPECT_EQ(ReadReaderImage(image, fields), ReaderImageCheck::kOk);
    EXPECT_EQ(fields.pixelType, 1);
    EXPECT_EQ(fields.width, 3);
    EXPECT_EQ(fields.height, 2);
    EXPECT_EQ(fields.stride, 12);
    EXPECT_EQ(fields.layout, kLayoutBottomUp);
    EXPECT_EQ(fields.bytesPerPixel, 3);
    EXPECT_EQ(fields.bits, image->Pixels().data());
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"GetWidth", "GetHeight", "GetBits", "GetStride", "GetPixelType", "GetLayout"}));
    image->Release();
    EXPECT_EQ(ReadReaderImage(nullptr, fields), ReaderImageCheck::kNoImage);
}

}  // namespace
}  // namespace pictrove
