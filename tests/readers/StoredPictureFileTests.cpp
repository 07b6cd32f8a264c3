// Pictures kept as files of their own inside books, comics, Word documents and image files:
// the stored format and header pixel type come from the headers (nothing decoded), and the
// bytes handed out are the embedded file exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comic/ComicSource.h"
#include "epub/EpubSource.h"
#include "doc/DocSource.h"
#include "fb2/Fb2Source.h"
#include "pictures/ImageHeader.h"
#include "mobi/MobiSource.h"
#include "pcx/PcxSource.h"
#include "pictures/StoredImage.h"
#include "TestDocumentFiles.h"
#include "TestDocuments.h"
#include "TestImageFiles.h"
#include "TestJpeg.h"
#include "tiff/TiffSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::MakePng;
using test::MakeZip;
using test::ToBytes;

// Fails the test if asked to decode: listing and stored bytes must not need pixels.
class NoDecoding final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t>, unsigned) override {
        ++calls;
        return std::nullopt;
    }
    unsigned FrameCount(std::span<const std::uint8_t>) override {
        ++calls;
        return 0;
    }
    int calls = 0;
};

Bytes Jpeg(int components) {
    return test::MakeJpeg(6, 4, Bytes(static_cast<std::size_t>(6 * 4 * components), 0x70),
                          {.components = components, .quality = 80});
}
Bytes GrayPng() {
    return MakePng(3, 2, test::PngColour::kGray, Bytes(6, 0x20));
}
Bytes RgbPng() {
    return MakePng(3, 2, test::PngColour::kRgb, Bytes(18, 0x20));
}
Bytes Gif() {
    return test::MakeGif(2, 2, {0, 0, 0, 255, 255, 255}, {{Bytes(4, 1), 1}});
}
Bytes Bmp() {
    return test::MakeBmp24(2, 3, Bytes(18, 0x33));
}

struct Expected {
    StoredFormat format;
    std::optional<PixelType> pixelType;
    Bytes bytes;
};

void CheckStored(DocumentSource& source, const std::vector<Expected>& expected) {
    ASSERT_EQ(source.Images().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const StoredInfo info = source.Stored(i);
        EXPECT_EQ(info.format, expected[i].format);
        EXPECT_EQ(info.pixelType, expected[i].pixelType);
        const auto bytes = source.StoredBytes(i);
        ASSERT_EQ(bytes.has_value(), expected[i].format != StoredFormat::kNone);
        if (bytes) {
            EXPECT_EQ(*bytes, expected[i].bytes);
        }
    }
    EXPECT_EQ(source.Stored(expected.size()).format, StoredFormat::kNone);
    EXPECT_FALSE(source.StoredBytes(expected.size()).has_value());
}

TEST(StoredPictureFiles, HeadersTellFormatAndOnlyCertainPixelTypes) {
    struct Case {
        const char* what;
        Bytes file;
        StoredFormat format;
        std::optional<PixelType> pixelType;
    };
    const Bytes grayJpeg = Jpeg(1);
    Bytes grayWithTransparency = GrayPng();
    // A tRNS chunk before the data: the picture may decode with alpha.
    const Bytes trns = {0, 0, 0, 2, 't', 'R', 'N', 'S', 0, 0x20, 0, 0, 0, 0};
    grayWithTransparency.insert(grayWithTransparency.begin() + 33, trns.begin(), trns.end());
    const Case cases[] = {
        {"gray JPEG", Jpeg(1), StoredFormat::kJpeg, PixelType::kGray8},
        {"colour JPEG", Jpeg(3), StoredFormat::kJpeg, PixelType::kBgr24},
        {"CMYK JPEG", Jpeg(4), StoredFormat::kJpeg, PixelType::kBgr24},
        {"gray PNG", GrayPng(), StoredFormat::kPng, PixelType::kGray8},
        {"gray PNG with transparency", grayWithTransparency, StoredFormat::kPng, std::nullopt},
        {"colour PNG", RgbPng(), StoredFormat::kPng, std::nullopt},
        {"GIF", Gif(), StoredFormat::kGif, std::nullopt},
        {"BMP", Bmp(), StoredFormat::kBmp, std::nullopt},
        {"TIFF", {'I', 'I', 42, 0, 8, 0, 0, 0}, StoredFormat::kTiff, std::nullopt},
        {"JP2", {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10}, StoredFormat::kJp2, std::nullopt},
        {"codestream", {0xFF, 0x4F, 0xFF, 0x51, 0}, StoredFormat::kJ2k, std::nullopt},
        {"JBIG2", {0x97, 'J', 'B', '2', 13, 10, 0x1A, 10, 1}, StoredFormat::kJbig2, std::nullopt},
        {"JPEG XR", {'I', 'I', 0xBC, 1, 8, 0, 0, 0}, StoredFormat::kNone, std::nullopt},
        {"text", ToBytes("not a picture"), StoredFormat::kNone, std::nullopt},
        {"empty", {}, StoredFormat::kNone, std::nullopt},
        {"cut JPEG", Bytes(grayJpeg.begin(), grayJpeg.begin() + 4), StoredFormat::kJpeg, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StoredInfo info = StoredInfoOfFile(c.file);
        EXPECT_EQ(info.format, c.format);
        EXPECT_EQ(info.pixelType, c.pixelType);
    }
}

TEST(StoredPictureFiles, BookAndComicEntriesAreHandedOutAsStored) {
    const char* container =
        "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"content.opf\"/></rootfiles></container>";
    const char* package =
        "<package version=\"2.0\"><manifest>"
        "<item id=\"a\" href=\"a.jpg\" media-type=\"image/jpeg\"/><item id=\"b\" href=\"b.png\" "
        "media-type=\"image/png\"/>"
        "<item id=\"c\" href=\"c.gif\" media-type=\"image/gif\"/></manifest><spine/></package>";
    const Bytes epub = MakeZip({{"mimetype", ToBytes("application/epub+zip"), false},
                                {"META-INF/container.xml", ToBytes(container), true},
                                {"content.opf", ToBytes(package), true},
                                {"a.jpg", Jpeg(3), true},
                                {"b.png", GrayPng(), false},
                                {"c.gif", Gif(), true}});
    auto decoder = std::make_shared<NoDecoding>();
    EpubSource book(decoder);
    ASSERT_EQ(book.Open({epub, u"book.epub", u""}), OpenStatus::kOpened);
    CheckStored(book, {{StoredFormat::kJpeg, PixelType::kBgr24, Jpeg(3)},
                       {StoredFormat::kPng, PixelType::kGray8, GrayPng()},
                       {StoredFormat::kGif, std::nullopt, Gif()}});

    const Bytes cbz = MakeZip({{"p1.jpg", Jpeg(1), true}, {"p2.bmp", Bmp(), true}, {"p3.png", RgbPng(), false}});
    ComicSource comic(decoder);
    ASSERT_EQ(comic.Open({cbz, u"comic.cbz", u""}), OpenStatus::kOpened);
    CheckStored(comic, {{StoredFormat::kJpeg, PixelType::kGray8, Jpeg(1)},
                        {StoredFormat::kBmp, std::nullopt, Bmp()},
                        {StoredFormat::kPng, std::nullopt, RgbPng()}});

    const std::string fb2 = "<FictionBook><body><image href=\"#x\"/></body><binary id=\"x\">" + [] {
        const Bytes text = test::Base64(Jpeg(3));
        return std::string(text.begin(), text.end());
    }() + "</binary></FictionBook>";
    Fb2Source fiction(decoder);
    ASSERT_EQ(fiction.Open({ToBytes(fb2), u"book.fb2", u""}), OpenStatus::kOpened);
    CheckStored(fiction, {{StoredFormat::kJpeg, PixelType::kBgr24, Jpeg(3)}});
    EXPECT_EQ(decoder->calls, 0);

    // Opening another document forgets what the last one said.
    ASSERT_EQ(comic.Open({MakeZip({{"x.txt", ToBytes("no pictures"), true}}), u"empty.cbz", u""}), OpenStatus::kOpened);
    CheckStored(comic, {});
}

TEST(StoredPictureFiles, WordPicturesAsStoredOnlyWhenTheyAreFilesAndMobiRecordsAsTheyAre) {
    auto decoder = std::make_shared<NoDecoding>();
    const Bytes bmp = Bmp();
    const Bytes dib(bmp.begin() + 14, bmp.end());  // a Word DIB picture is a bitmap file without its header
    test::WordDocumentSpec layout;
    layout.text = std::string("\x01 \x08 \x01 end\r");
    layout.pictures = {
        {test::MakeBlip(0xF01D, Jpeg(1))}, {test::MakeBlip(0xF01E, GrayPng()), true}, {test::MakeBlip(0xF01F, dib)}};
    DocSource word(decoder);
    ASSERT_EQ(word.Open({test::MakeWordDocument(layout), u"report.doc", u""}), OpenStatus::kOpened);
    // The bitmap is rebuilt into a file here: it has no stored form of its own.
    CheckStored(word, {{StoredFormat::kJpeg, PixelType::kGray8, Jpeg(1)},
                       {StoredFormat::kPng, PixelType::kGray8, GrayPng()},
                       {StoredFormat::kNone, std::nullopt, {}}});

    test::MobiBookLayout book;
    book.withExth = false;
    book.resources = {Jpeg(3), Gif()};
    MobiSource mobi(decoder);
    ASSERT_EQ(mobi.Open({test::MakeMobi(book), u"novel.mobi", u""}), OpenStatus::kOpened);
    CheckStored(mobi, {{StoredFormat::kJpeg, PixelType::kBgr24, Jpeg(3)}, {StoredFormat::kGif, std::nullopt, Gif()}});
    EXPECT_EQ(decoder->calls, 0);
}

TEST(StoredPictureFiles, TiffOnlyWhenThePageIsTheWholeFileAndPcxNever) {
    auto decoder = std::make_shared<NoDecoding>();
    TiffSource tiff(decoder);
    const Bytes single = test::OnePageTiff(1, 0);
    ASSERT_EQ(tiff.Open({single, u"one.tif", u""}), OpenStatus::kOpened);
    CheckStored(tiff, {{StoredFormat::kTiff, std::nullopt, single}});

    // Two pages: the second directory lies after the first page's data.
    Bytes two = test::OnePageTiff(1, 64);
    const Bytes second = test::OnePageTiff(1, 0);
    two.insert(two.end(), second.begin() + 8, second.end());
    ASSERT_EQ(tiff.Open({two, u"two.tif", u""}), OpenStatus::kOpened);
    CheckStored(tiff, {{StoredFormat::kNone, std::nullopt, {}}, {StoredFormat::kNone, std::nullopt, {}}});
    EXPECT_EQ(decoder->calls, 0);

    test::PcxPicture picture;
    picture.width = 2;
    picture.height = 1;
    picture.bytesPerLine = 2;
    picture.lines = {1, 2};
    picture.palette256 = Bytes(768, 0x10);
    PcxSource pcx;
    ASSERT_EQ(pcx.Open({test::MakePcx(picture), u"a.pcx", u""}), OpenStatus::kOpened);
    CheckStored(pcx, {{StoredFormat::kNone, std::nullopt, {}}});
}

}  // namespace
}  // namespace pictrove::readers
