// The office readers through their own classes, with GDI+ behind the codecs: a document opens
// by either class whatever its name, its metafile is drawn, and a comic's WebP page is listed,
// refused with its own code and handed out as stored.
#include <gtest/gtest.h>

#include "ReaderTestSupport.h"
#include "contracts/StoredPictureContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using namespace test::readers;

constexpr int kComicFormat = 7;
constexpr int kOfficeOpenXmlFormat = 15;
constexpr int kOpenDocumentFormat = 16;

std::wstring Sample(const wchar_t* folder, const wchar_t* name) {
    return test::ProgramFolder() + L"\\readers-data\\" + folder + L"\\" + name;
}

TEST(OfficeReaders, EitherClassReadsEitherKindWithMetafilesDrawn) {
    const struct {
        int format;
        const wchar_t* file;
    } cases[] = {
        {kOfficeOpenXmlFormat, L"text.docx"},
        {kOpenDocumentFormat, L"text.odt"},
        {kOpenDocumentFormat, L"docx-named.odt"},
        {kOfficeOpenXmlFormat, L"odt-named.docx"},
    };
    for (const auto& c : cases) {
        const auto collection = OpenCollection(c.format, Sample(L"office", c.file));
        ASSERT_TRUE(collection) << c.format;
        ASSERT_EQ(Count(collection.Get()), 5) << c.format;
        const Pixels red = ReadPixels(collection.Get(), 0);
        ASSERT_TRUE(red.image) << c.format;
        EXPECT_EQ(red.width, 8);
        EXPECT_EQ(red.height, 6);
        EXPECT_EQ(Channels(red, 0, 0), (std::vector<int>{0, 0, 255})) << "blue, green, red";
        EXPECT_EQ(Channels(red, 1, 1), (std::vector<int>{255, 255, 255}));
        const Pixels shape = ReadPixels(collection.Get(), 3);
        ASSERT_TRUE(shape.image) << c.format;
        EXPECT_EQ(shape.width, 202);
        EXPECT_EQ(shape.height, 106);
    }
}

TEST(OfficeReaders, UndecodablePagesFailAloneWithTheirOwnCode) {
    const auto collection = OpenCollection(kComicFormat, Sample(L"foreign", L"kinds.cbz"));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 10);
    EXPECT_TRUE(ReadPixels(collection.Get(), 0).image);
    ComPtr<StoredPictureList> list;
    ASSERT_EQ(Query(collection.Get(), kIidStoredPictureList, list), S_OK);
    for (int index = 1; index < 10; ++index) {
        ComPtr<IUnknown> image;
        EXPECT_EQ(collection->GetImage(index, image.GetAddressOf()), kImageKindNotDecoded) << index;
        EXPECT_FALSE(image) << index;
    }
    for (const auto& [index, expected] :
         {std::pair{1, kStoredWebp}, std::pair{5, kStoredAvif}, std::pair{6, kStoredNone}}) {
        int format = 0xdeadbeef;
        ASSERT_EQ(list->GetStoredFormat(index, &format), S_OK) << index;
        EXPECT_EQ(format, expected) << index;
    }
}

}  // namespace
}  // namespace pictrove
