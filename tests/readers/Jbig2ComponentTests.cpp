// The JBIG2 reader class through COM: found through the manifest for format 9, a two-page
// file written to disk, its names, sizes and 8-bit gray pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <wrl/client.h>

#include "Jbig2TestStreams.h"
#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kJbig2Format = 9;

TEST(Jbig2ReaderClass, OpensAFileAndHandsOutEachPageAsGrayPixels) {
    const test::TestBitmap first = test::TestBitmap::FromRows({"1100", "0110", "0011"});
    const test::TestBitmap second = test::TestBitmap::FromRows({"10101", "01010"});
    test::GenericEncoding encoding;
    const std::vector<test::TestSegment> segments = {
        {0, 48, 1, {}, test::PageInfo(6, 4)},
        {1, 38, 1, {}, test::GenericRegion(first, 1, 1, encoding)},
        {2, 49, 1, {}, {}},
        {3, 48, 2, {}, test::PageInfo(5, 2)},
        {4, 38, 2, {}, test::GenericRegion(second, 0, 0, encoding)},
        {5, 49, 2, {}, {}},
    };
    test::TempFolder folder;
    for (const wchar_t* name : {L"scan.jbig2", L"scan.jb2"}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        const std::wstring path = folder.File(name);
        ASSERT_TRUE(test::WriteFileBytes(path, test::Jbig2File(segments, true, 2)));
        ComPtr<DocumentReader> reader;
        ASSERT_EQ(CoCreateInstance(kReaderClassIds[kJbig2Format], nullptr, CLSCTX_ALL, kIidDocumentReader,
                                   reinterpret_cast<void**>(reader.GetAddressOf())),
                  S_OK);
        BSTR text = SysAllocString(path.c_str());
        ASSERT_EQ(reader->Open(text), S_OK);
        SysFreeString(text);
        ComPtr<ImageCollection> collection;
        ASSERT_EQ(reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(collection.GetAddressOf())),
                  S_OK);
        int count = 0xdeadbeef;
        EXPECT_EQ(collection->GetImageCount(&count), S_OK);
        ASSERT_EQ(count, 2);
        BSTR pageName = nullptr;
        collection->GetImageName(1, &pageName);
        EXPECT_EQ(std::wstring(pageName ? pageName : L""), L"Page2");
        SysFreeString(pageName);
        int width = 0xdeadbeef;
        collection->GetImageWidth(0, &width);
        EXPECT_EQ(width, 6);

        ComPtr<IUnknown> object;
        ASSERT_EQ(collection->GetImage(0, object.GetAddressOf()), S_OK);
        ComPtr<ReaderImage> image;
        ASSERT_EQ(object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(image.GetAddressOf())), S_OK);
        int type = -1;
        int stride = 0;
        BYTE* bits = nullptr;
        image->GetPixelType(&type);
        image->GetStride(&stride);
        image->GetBits(&bits);
        EXPECT_EQ(type, 2);
        ASSERT_NE(bits, nullptr);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                const int expected = first.Get(x - 1, y - 1) ? 0 : 255;
                EXPECT_EQ(bits[y * stride + x], expected) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace pictrove
