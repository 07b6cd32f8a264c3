// The e-book and archive readers through COM with real GDI+ decoding: pixels of embedded
// pictures, names and sizes as the application reads them, and files that must not open.
#include <gtest/gtest.h>

#include "ReaderTestSupport.h"
#include "contracts/StoredPictureContract.h"
#include "TestDocuments.h"
#include "codecs/Jpeg.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using namespace test::readers;
using test::Bytes;
using test::MakeZip;
using test::ToBytes;

constexpr int kImageFormat = 5;
constexpr int kComicFormat = 7;
constexpr int kEpubFormat = 13;

// An RGB picture whose every pixel differs: red = 40x + y, green = 200 - 30y, blue = 17(x + y).
Bytes ColourPng(int width, int height) {
    Bytes samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            samples.push_back(std::uint8_t(40 * x + y));
            samples.push_back(std::uint8_t(200 - 30 * y));
            samples.push_back(std::uint8_t(17 * (x + y)));
        }
    }
    return test::MakePng(width, height, test::PngColour::kRgb, samples);
}

void ExpectColourPixels(const Pixels& pixels, int width, int height, const char* label) {
    ASSERT_TRUE(pixels.image) << label;
    ASSERT_EQ(pixels.type, 1) << label;
    ASSERT_EQ(pixels.width, width) << label;
    ASSERT_EQ(pixels.height, height) << label;
    EXPECT_EQ(pixels.layout, 0) << label;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(Channels(pixels, x, y), (std::vector<int>{std::uint8_t(17 * (x + y)), std::uint8_t(200 - 30 * y),
                                                                std::uint8_t(40 * x + y)}))
                << label << " pixel " << x << "," << y;
        }
    }
}

class EbookReaders : public test::readers::ReaderFileTest {};

TEST_F(EbookReaders, EpubPicturesDecodeThroughGdiplus) {
    const Bytes book = MakeZip({
        {"mimetype", ToBytes("application/epub+zip"), false},
        {"META-INF/container.xml",
         ToBytes("<container><rootfiles><rootfile full-path=\"c.opf\"/></rootfiles></container>"), true},
        {"c.opf",
         ToBytes("<package><manifest><item id=\"t\" href=\"t.xhtml\"/>"
                 "<item id=\"x\" href=\"Images/Cover.PNG\" media-type=\"image/png\"/></manifest>"
                 "<spine><itemref idref=\"t\"/></spine></package>"),
         true},
        {"t.xhtml", ToBytes("<html><img src=\"Images/inner.png\"/></html>"), true},
        {"Images/inner.png", ColourPng(4, 3), true},
        {"Images/Cover.PNG", ColourPng(5, 6), false},
    });
    const auto collection = OpenCollection(kEpubFormat, Write(L"book.epub", book));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 2);
    EXPECT_EQ(Name(collection.Get(), 0), L"inner");
    EXPECT_EQ(Name(collection.Get(), 1), L"Cover");
    int width = 0xdeadbeef;
    int height = 0xdeadbeef;
    EXPECT_EQ(collection->GetImageWidth(1, &width), S_OK);
    EXPECT_EQ(collection->GetImageHeight(1, &height), S_OK);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 6);
    ExpectColourPixels(ReadPixels(collection.Get(), 0), 4, 3, "inner");
    ExpectColourPixels(ReadPixels(collection.Get(), 1), 5, 6, "cover");
}

TEST_F(EbookReaders, ComicPagesInNaturalOrderWithPixels) {
    const Bytes archive = MakeZip(
        {{"p10.png", ColourPng(3, 3), true}, {"p9.png", ColourPng(2, 2), true}, {"info.txt", ToBytes("x"), true}});
    for (const wchar_t* name : {L"comic.cbz", L"misnamed.cbr"}) {
        const auto collection = OpenCollection(kComicFormat, Write(name, archive));
        ASSERT_TRUE(collection);
        ASSERT_EQ(Count(collection.Get()), 2);
        EXPECT_EQ(Name(collection.Get(), 0), L"p9");
        EXPECT_EQ(Name(collection.Get(), 1), L"p10");
        ExpectColourPixels(ReadPixels(collection.Get(), 1), 3, 3, "p10");
    }
}

// ImageMagick's CMYK JPEG (Adobe's marker, ink stored inverted) alone, as a comic page and in an
// EPUB: each is read as a JPEG file is, as the readers' own decoding of the file reads it.
TEST_F(EbookReaders, CmykJpegFilesShowTheSameInkInEveryContainer) {
    const Bytes jpeg = test::ReadFileBytes(test::ProgramFolder() + L"\\readers-data\\cmyk-jpeg\\imagemagick.jpg");
    const auto reference = readers::codecs::JpegToImage(jpeg);
    ASSERT_TRUE(reference);
    const Bytes book = MakeZip({
        {"mimetype", ToBytes("application/epub+zip"), false},
        {"META-INF/container.xml",
         ToBytes("<container><rootfiles><rootfile full-path=\"c.opf\"/></rootfiles></container>"), true},
        {"c.opf",
         ToBytes("<package><manifest><item id=\"t\" href=\"t.xhtml\"/></manifest>"
                 "<spine><itemref idref=\"t\"/></spine></package>"),
         true},
        {"t.xhtml", ToBytes("<html><img src=\"patches.jpg\"/></html>"), true},
        {"patches.jpg", jpeg, true},
    });
    struct Case {
        const wchar_t* name;
        int format;
        Bytes file;
    };
    const Case cases[] = {{L"patches.jpg", kImageFormat, jpeg},
                          {L"patches.cbz", kComicFormat, MakeZip({{"1.jpg", jpeg, true}})},
                          {L"patches.epub", kEpubFormat, book}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        const auto collection = OpenCollection(c.format, Write(c.name, c.file));
        ASSERT_TRUE(collection);
        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_TRUE(pixels.image);
        ASSERT_EQ(pixels.width, reference->width);
        // The centres of the patches: paper, cyan, magenta, yellow, black and a mix.
        for (int x = 8; x < pixels.width; x += 16) {
            const std::uint8_t* bgr = reference->Row(8) + 3 * x;
            EXPECT_EQ(Channels(pixels, x, 8), (std::vector<int>{bgr[0], bgr[1], bgr[2]})) << "x " << x;
        }
        // Paper stays white: a reader that missed the inverted storage would show it black.
        EXPECT_EQ(Channels(pixels, 8, 8), (std::vector<int>{255, 255, 255}));
    }
}

TEST_F(EbookReaders, RarArchivesAndDamagedPayloadsFailCleanly) {
    auto reader = CreateReader(kComicFormat);
    ASSERT_TRUE(reader);
    const HRESULT rar = OpenPath(reader.Get(), Write(L"real.cbr", ToBytes("Rar!\x1A\x07\x00 a RAR archive body")));
    EXPECT_NE(rar, S_OK);
    EXPECT_NE(rar, 0x10000);

    // The header is intact but the picture data is not: listed, yet no image object.
    Bytes png = ColourPng(8, 8);
    for (std::size_t i = 40; i < png.size() - 12; ++i) png[i] = 0xAB;
    const auto collection = OpenCollection(kComicFormat, Write(L"bad.cbz", MakeZip({{"a.png", png, true}})));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    IUnknown* object = reinterpret_cast<IUnknown*>(0xdeadbeef);
    collection->GetImage(0, &object);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
}  // namespace pictrove

namespace pictrove {
namespace {

using namespace test::readers;
using test::Bytes;
using test::ToBytes;

class OtherReaders : public test::readers::ReaderFileTest {};

TEST_F(OtherReaders, FictionBookZippedOrNotThroughGdiplus) {
    const Bytes png = ColourPng(4, 3);
    const Bytes encoded = test::Base64(png);
    const std::string base64(encoded.begin(), encoded.end());
    const Bytes book = ToBytes(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><FictionBook><body><image l:href=\"#pic.png\"/>"
        "</body><binary id=\"pic.png\" content-type=\"image/png\">" +
        base64 + "</binary></FictionBook>");
    for (const auto& [name, bytes] :
         {std::pair{L"book.fb2", book}, std::pair{L"book.fb2.zip", test::MakeZip({{"book.fb2", book, true}})}}) {
        const auto collection = OpenCollection(10, Write(name, bytes));
        ASSERT_TRUE(collection);
        ASSERT_EQ(Count(collection.Get()), 1);
        EXPECT_EQ(Name(collection.Get(), 0), L"pic");
        ExpectColourPixels(ReadPixels(collection.Get(), 0), 4, 3, "fb2 picture");
    }
}

TEST_F(OtherReaders, XpsPagePictureThroughGdiplus) {
    const Bytes document = test::MakeZip({
        {"_rels/.rels",
         ToBytes("<Relationships><Relationship Type=\"http://schemas.openxps.org/oxps/v1.0/"
                 "fixedrepresentation\" Target=\"/seq.fdseq\"/></Relationships>"),
         true},
        {"seq.fdseq", ToBytes("<FixedDocumentSequence><DocumentReference Source=\"d.fdoc\"/></FixedDocumentSequence>"),
         true},
        {"d.fdoc", ToBytes("<FixedDocument><PageContent Source=\"p/1.fpage\"/></FixedDocument>"), true},
        {"p/1.fpage",
         ToBytes("<FixedPage><Path><Path.Fill><ImageBrush ImageSource=\"../r/photo.png\"/></Path.Fill>"
                 "</Path></FixedPage>"),
         true},
        {"r/photo.png", ColourPng(5, 2), true},
    });
    const auto collection = OpenCollection(6, Write(L"doc.oxps", document));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"photo");
    ExpectColourPixels(ReadPixels(collection.Get(), 0), 5, 2, "xps picture");
}

TEST_F(OtherReaders, PcxPixelsThroughCom) {
    test::PcxPicture picture{2, 2, 8, 3, 2, {10, 20, 30, 40, 50, 60, 11, 21, 31, 41, 51, 61}, {}, {}, true};
    const auto collection = OpenCollection(11, Write(L"pic.pcx", test::MakePcx(picture)));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"pic");
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_TRUE(pixels.image);
    EXPECT_EQ(pixels.type, 1);
    EXPECT_EQ(Channels(pixels, 1, 0), (std::vector<int>{60, 40, 20}));
    auto reader = CreateReader(11);
    ASSERT_TRUE(reader);
    EXPECT_NE(OpenPath(reader.Get(), Write(L"bad.pcx", ToBytes("not a picture at all"))), S_OK);
}

// The readers' private stored-picture interface through COM: on the collection per index and
// on each image object, the stored bytes in a block of the caller's, a single image file as
// itself, and a picture without a stored form saying so.
std::vector<BYTE> TakeBlock(BYTE* block, ULONG size) {
    std::vector<BYTE> bytes(block, block + size);
    CoTaskMemFree(block);
    return bytes;
}

TEST_F(EbookReaders, StoredPicturesThroughTheirOwnInterface) {
    const Bytes png = ColourPng(3, 2);
    const Bytes gif = test::MakeGif(2, 2, {0, 0, 0, 255, 255, 255}, {{Bytes(4, 1), 1}});
    auto collection = OpenCollection(kComicFormat, Write(L"stored.cbz", MakeZip({{"1.png", png}, {"2.gif", gif}})));
    ASSERT_TRUE(collection);
    ComPtr<StoredPictureList> list;
    ASSERT_EQ(Query(collection.Get(), kIidStoredPictureList, list), S_OK);
    const Bytes expected[] = {png, gif};
    const int formats[] = {kStoredPng, kStoredGif};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        int format = 0xdeadbeef;
        EXPECT_EQ(list->GetStoredFormat(i, &format), S_OK);
        EXPECT_EQ(format, formats[i]);
        BYTE* block = nullptr;
        ULONG size = 0xdeadbeef;
        ASSERT_EQ(list->GetStoredBytes(i, &block, &size), S_OK);
        EXPECT_EQ(TakeBlock(block, size), expected[i]);
        // The image object answers for itself while its document is open.
        ComPtr<IUnknown> image;
        ASSERT_EQ(collection->GetImage(i, image.GetAddressOf()), S_OK);
        ComPtr<StoredPicture> stored;
        ASSERT_EQ(Query(image.Get(), kIidStoredPicture, stored), S_OK);
        format = 0xdeadbeef;
        EXPECT_EQ(stored->GetStoredFormat(&format), S_OK);
        EXPECT_EQ(format, formats[i]);
        block = nullptr;
        ASSERT_EQ(stored->GetStoredBytes(&block, &size), S_OK);
        EXPECT_EQ(TakeBlock(block, size), expected[i]);
        if (i == 1) {
            // Its pixels outlive the document; its stored form does not keep the file open.
            list.Reset();
            collection.Reset();
            EXPECT_EQ(stored->GetStoredFormat(&format), CO_E_OBJNOTCONNECTED);
            EXPECT_EQ(format, kStoredNone);
            EXPECT_EQ(stored->GetStoredBytes(&block, &size), CO_E_OBJNOTCONNECTED);
            EXPECT_EQ(block, nullptr);
            ComPtr<ReaderImage> pixels;
            ASSERT_EQ(Query(image.Get(), kIidReaderImage, pixels), S_OK);
            int width = 0;
            EXPECT_EQ(pixels->GetWidth(&width), S_OK);
            EXPECT_EQ(width, 2);
        }
    }
    collection = OpenCollection(kComicFormat, Write(L"stored2.cbz", MakeZip({{"1.png", png}, {"2.gif", gif}})));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Query(collection.Get(), kIidStoredPictureList, list), S_OK);
    int type = 0xdeadbeef;
    EXPECT_EQ(list->GetKnownPixelType(0, &type), S_FALSE) << "a colour PNG decodes to what its pixels allow";
    EXPECT_EQ(type, -1);
    int format = 0xdeadbeef;
    EXPECT_EQ(list->GetStoredFormat(2, &format), E_INVALIDARG);
    EXPECT_EQ(format, kStoredNone);
    BYTE* block = reinterpret_cast<BYTE*>(1);
    ULONG size = 7;
    EXPECT_EQ(list->GetStoredBytes(-1, &block, &size), E_INVALIDARG);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(list->GetStoredBytes(0, nullptr, &size), E_POINTER);

    // A PCX picture has no stored form.
    test::PcxPicture picture;
    picture.width = 2;
    picture.height = 1;
    picture.bytesPerLine = 2;
    picture.lines = {1, 2};
    picture.palette256 = Bytes(768, 0x10);
    auto pcx = OpenCollection(11, Write(L"a.pcx", test::MakePcx(picture)));
    ASSERT_TRUE(pcx);
    ASSERT_EQ(Query(pcx.Get(), kIidStoredPictureList, list), S_OK);
    EXPECT_EQ(list->GetStoredFormat(0, &format), S_OK);
    EXPECT_EQ(format, kStoredNone);
    block = reinterpret_cast<BYTE*>(1);
    EXPECT_EQ(list->GetStoredBytes(0, &block, &size), S_FALSE);
    EXPECT_EQ(block, nullptr);

    // A single image file is its own stored form.
    auto file = OpenCollection(5, Write(L"photo.png", png));
    ASSERT_TRUE(file);
    ASSERT_EQ(Query(file.Get(), kIidStoredPictureList, list), S_OK);
    EXPECT_EQ(list->GetStoredFormat(0, &format), S_OK);
    EXPECT_EQ(format, kStoredPng);
    ASSERT_EQ(list->GetStoredBytes(0, &block, &size), S_OK);
    EXPECT_EQ(TakeBlock(block, size), png);
}

}  // namespace
}  // namespace pictrove
