// The DjVu class of the reader DLL through COM, as the application drives it: found by its
// class id, pages listed with their names and sizes, pixels handed out per page.
#include <gtest/gtest.h>

#include "DjvuSamples.h"
#include "ReaderTestSupport.h"
#include "djvu/DjvuSource.h"

namespace pictrove {
namespace {

using namespace test::readers;

constexpr int kDjvuFormat = 2;

std::wstring SamplePath(const wchar_t* name) {
    return (test::djvu::SampleFolder() / name).wstring();
}

TEST(DjvuReader, ABundledDocumentThroughCom) {
    const auto collection = OpenCollection(kDjvuFormat, SamplePath(L"bundle.djvu"));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 4);
    const struct {
        int width;
        int height;
        int type;
        const char* reference;
    } pages[] = {{320, 200, 2, "bundle-djvu-1.pnm"},
                 {173, 91, 1, "bundle-djvu-2.pnm"},
                 {300, 120, 1, "bundle-djvu-3.pnm"},
                 {173, 91, 2, "bundle-djvu-4.pnm"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("page " + std::to_string(i));
        EXPECT_EQ(Name(collection.Get(), i), L"Page" + std::to_wstring(i + 1));
        int width = 0xdeadbeef;
        int height = 0xdeadbeef;
        collection->GetImageWidth(i, &width);
        collection->GetImageHeight(i, &height);
        EXPECT_EQ(width, pages[i].width);
        EXPECT_EQ(height, pages[i].height);
        const Pixels pixels = ReadPixels(collection.Get(), i);
        ASSERT_TRUE(pixels.image);
        EXPECT_EQ(pixels.type, pages[i].type);
        ASSERT_EQ(pixels.width, pages[i].width);
        ASSERT_EQ(pixels.height, pages[i].height);
        const auto reference = test::djvu::ReadReference(pages[i].reference);
        // Pixel by pixel, as the viewer reads them, within the reference's tolerance.
        int worst = 0;
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                const BYTE* p = pixels.At(x, y);
                const std::uint8_t* q = &reference.rgb[(std::size_t(y) * pixels.width + x) * 3];
                const int rgb[3] = {pixels.type == 2 ? p[0] : p[2], pixels.type == 2 ? p[0] : p[1], p[0]};
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[c] - q[c]));
            }
        }
        EXPECT_LE(worst, pages[i].type == 2 && reference.bilevel ? 0 : 8);
    }
}

// A JPEG background goes through GDI+, the mask and palette through our own decoders; the
// core alone, without a payload decoder, leaves the JPEG out and draws the ink on white.
TEST(DjvuReader, AJpegBackgroundIsDrawnThroughTheImageDecoder) {
    const auto reference = test::djvu::ReadReference("jpeg-djvu-1.pnm");
    const auto collection = OpenCollection(kDjvuFormat, SamplePath(L"jpeg.djvu"));
    ASSERT_TRUE(collection);
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_TRUE(pixels.image);
    ASSERT_EQ(pixels.type, 1);
    ASSERT_EQ(pixels.width, 400);
    ASSERT_EQ(pixels.height, 300);
    double sum = 0;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const BYTE* p = pixels.At(x, y);
            const std::uint8_t* q = &reference.rgb[(std::size_t(y) * pixels.width + x) * 3];
            for (int c = 0; c < 3; ++c) sum += (p[2 - c] - q[c]) * (p[2 - c] - q[c]);
        }
    }
    const double mse = sum / (3.0 * pixels.width * pixels.height);
    EXPECT_GE(mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse), 30.0);

    readers::DjvuSource alone;
    readers::OpenRequest request;
    request.bytes = test::djvu::ReadSample("jpeg.djvu");
    ASSERT_EQ(alone.Open(std::move(request)), readers::OpenStatus::kOpened);
    const auto page = alone.Decode(0);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Row(0)[0], 255) << "white where the background would be";
}

TEST(DjvuReader, FilesThatAreNotDjvuFailToOpen) {
    const auto reader = CreateReader(kDjvuFormat);
    ASSERT_TRUE(reader);
    EXPECT_NE(OpenPath(reader.Get(), SamplePath(L"bzz.txt")), S_OK);
    EXPECT_NE(OpenPath(reader.Get(), SamplePath(L"no such file.djvu")), S_OK);
    // The same reader then opens a real document.
    ASSERT_EQ(OpenPath(reader.Get(), SamplePath(L"text.djvu")), S_OK);
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
    EXPECT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"Page1");
}

}  // namespace
}  // namespace pictrove
