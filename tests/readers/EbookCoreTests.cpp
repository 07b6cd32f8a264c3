// The portable sources of the e-book and archive formats: which pictures are listed, in which
// order, under which names and sizes, and how damaged files end. Pixels come from a stand-in
// payload decoder here; the COM tests decode them with GDI+.
#include <gtest/gtest.h>

#include "comic/ComicSource.h"
#include "epub/EpubSource.h"
#include "pictures/ImageHeader.h"
#include "TestDocuments.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::MakePng;
using test::MakeZip;
using test::ToBytes;
using test::ZipFileEntry;

// Hands out a gray picture of the header's size whose first pixel is the payload's size, so a
// test sees which entry was decoded; counts its calls.
class StandInDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        ++calls;
        const auto info = ReadImageHeader(file);
        if (!info || frame > 0) return std::nullopt;
        auto image = DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
        image->bytes[0] = static_cast<std::uint8_t>(file.size());
        return image;
    }
    unsigned FrameCount(std::span<const std::uint8_t> file) override { return ReadImageHeader(file) ? 1 : 0; }
    int calls = 0;
};

Bytes Png(int width, int height) {
    return MakePng(width, height, test::PngColour::kGray, Bytes(width * height, 0x55));
}
Bytes Gif(int width, int height) {
    return test::MakeGif(width, height, {0, 0, 0, 255, 255, 255}, {{Bytes(width * height, 1), 1}});
}

struct Listed {
    std::u16string name;
    int width;
    int height;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> ListOf(const DocumentSource& source) {
    std::vector<Listed> list;
    for (const auto& image : source.Images()) list.push_back({image.name, image.width, image.height});
    return list;
}

std::ostream& operator<<(std::ostream& out, const Listed& listed) {
    std::string name;
    for (char16_t c : listed.name) name += c < 0x80 ? static_cast<char>(c) : '?';
    return out << name << " " << listed.width << "x" << listed.height;
}

OpenStatus OpenBytes(DocumentSource& source, Bytes bytes) {
    return source.Open({std::move(bytes), u"C:\\books\\book.epub", u""});
}

const char* kContainer =
    "<?xml version=\"1.0\"?><container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" version=\"1.0\">"
    "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
    "</rootfiles></container>";

const char* kPackage =
    "<?xml version='1.0' encoding='utf-8'?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\">"
    "<metadata><meta name=\"cover\" content=\"cov\"/></metadata><manifest>"
    "<item id=\"ch1\" href=\"text/ch1.xhtml\" media-type=\"application/xhtml+xml\"/>"
    "<item id=\"lone\" href=\"images/a.png\" media-type=\"image/png\"/>"
    "<item id=\"broken\" href=\"images/broken.png\" media-type=\"image/png\"/>"
    "<item id=\"cov\" href=\"images/cover.png\" media-type=\"image/png\"/>"
    "<item id=\"ch2\" href=\"text/ch2.xhtml\" media-type=\"application/xhtml+xml\"/>"
    "</manifest><spine><itemref idref=\"ch2\"/><itemref idref=\"ch1\"/><itemref idref=\"missing\"/></spine></package>";

const char* kChapter1 =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE html><html xmlns=\"http://www.w3.org/1999/xhtml\"><body>"
    "<!-- <img src=\"../images/cover.png\"/> is only a comment -->"
    "<p><img alt=\"a &gt; b\" src=\"../images/b.gif\"/></p>"
    "<svg xmlns:xlink=\"http://www.w3.org/1999/xlink\"><image width=\"5\" "
    "xlink:href=\"../images/fig%201.png#x\"/></svg>"
    "<img src='../images/b.gif'><img src=\"../images/nowhere.png\"/><img src=\"http://example.com/x.png\"/>"
    "</body></html>";

const char* kChapter2 =
    "<html><body><img src=\"../images/cover.png\"/><img src=\"/OEBPS/images/dup/a.png\"/></body></html>";

// Entries deliberately out of reading order, as real books are.
std::vector<ZipFileEntry> BookEntries() {
    return {
        {"mimetype", ToBytes("application/epub+zip"), false},
        {"OEBPS/images/a.png", Png(6, 1), true},
        {"OEBPS/text/ch1.xhtml", ToBytes(kChapter1), true},
        {"OEBPS/images/b.gif", Gif(2, 3), false},
        {"OEBPS/images/dup/a.png", Png(7, 1), true},
        {"META-INF/container.xml", ToBytes(kContainer), true},
        {"OEBPS/images/broken.png", ToBytes("not a picture"), true},
        {"OEBPS/images/fig 1.png", Png(4, 5), true},
        {"OEBPS/text/ch2.xhtml", ToBytes(kChapter2), false},
        {"OEBPS/content.opf", ToBytes(kPackage), true},
        {"OEBPS/images/cover.png", Png(10, 12), true},
    };
}

const std::vector<Listed> kBookPictures = {{u"cover", 10, 12},
                                           {u"a", 7, 1},
                                           {u"b", 2, 3},
                                           {u"fig 1", 4, 5},
                                           {u"a_2", 6, 1}};

TEST(EpubSource, CoverThenSpineOrderThenUnreferencedPictures) {
    for (const bool descriptors : {false, true}) {
        SCOPED_TRACE(descriptors ? "data descriptors" : "sizes in headers");
        auto decoder = std::make_shared<StandInDecoder>();
        EpubSource source(decoder);
        ASSERT_EQ(OpenBytes(source, MakeZip(BookEntries(), {.dataDescriptors = descriptors})), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(source), kBookPictures);
        EXPECT_EQ(decoder->calls, 0) << "opening decodes no pixels";
        // Each image decodes from its own entry.
        const auto cover = source.Decode(0);
        ASSERT_TRUE(cover.has_value());
        EXPECT_EQ(cover->bytes[0], static_cast<std::uint8_t>(Png(10, 12).size()));
        const auto gif = source.Decode(2);
        ASSERT_TRUE(gif.has_value());
        EXPECT_EQ(gif->bytes[0], static_cast<std::uint8_t>(Gif(2, 3).size()));
        EXPECT_FALSE(source.Decode(kBookPictures.size()).has_value());
    }
}

TEST(EpubSource, Version3CoverPropertyAndPackageFoundWithoutContainer) {
    const std::string package =
        "<package version=\"3.0\"><manifest>"
        "<item id=\"p\" href=\"p.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "<item id=\"c\" href=\"img/front.png\" media-type=\"image/png\" properties=\"cover-image\"/>"
        "</manifest><spine><itemref idref=\"p\"/></spine></package>";
    const Bytes book = MakeZip({{"book/p.xhtml", ToBytes("<html><img src=\"img/inner.gif\"/></html>"), true},
                                {"book/pkg.opf", ToBytes(package), true},
                                {"book/img/inner.gif", Gif(3, 3), true},
                                {"book/img/front.png", Png(8, 9), true}});
    EpubSource source(std::make_shared<StandInDecoder>());
    ASSERT_EQ(OpenBytes(source, book), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source), (std::vector<Listed>{{u"front", 8, 9}, {u"inner", 3, 3}}));
}

TEST(EpubSource, NotABookDoesNotOpen) {
    EpubSource source(std::make_shared<StandInDecoder>());
    EXPECT_EQ(OpenBytes(source, ToBytes("plain text, no zip")), OpenStatus::kNotReadable);
    EXPECT_EQ(OpenBytes(source, MakeZip({{"readme.txt", ToBytes("hello"), true}})), OpenStatus::kNotReadable);
    EXPECT_TRUE(source.Images().empty());
}

TEST(EpubSource, DamagedBooksListOnlyWhatIsReadable) {
    const Bytes book = MakeZip(BookEntries());
    for (int eighth = 0; eighth < 8; ++eighth) {
        SCOPED_TRACE(eighth);
        EpubSource source(std::make_shared<StandInDecoder>());
        const Bytes cut(book.begin(), book.begin() + static_cast<std::ptrdiff_t>(book.size() * eighth / 8));
        if (OpenBytes(source, cut) != OpenStatus::kOpened) continue;
        for (std::size_t i = 0; i < source.Images().size(); ++i) {
            const auto image = source.Decode(i);
            if (image) {
                EXPECT_EQ(image->width, source.Images()[i].width);
            }
        }
    }
}

TEST(ResolveLink, FoldsRelativePartsAndRefusesEscapes) {
    EXPECT_EQ(ResolveLink("OEBPS/text/ch1.xhtml", "../images/a%20b.png#frag"), "OEBPS/images/a b.png");
    EXPECT_EQ(ResolveLink("OEBPS/text/ch1.xhtml", "./pic.png?v=2"), "OEBPS/text/pic.png");
    EXPECT_EQ(ResolveLink("OEBPS/content.opf", "/root.png"), "root.png");
    EXPECT_EQ(ResolveLink("a.xhtml", "../../etc/passwd"), "");
    EXPECT_EQ(ResolveLink("a.xhtml", "data:image/png;base64,AAAA"), "");
    EXPECT_EQ(ResolveLink("a.xhtml", "http://example.com/x.png"), "");
    EXPECT_EQ(ResolveLink("a.xhtml", ""), "");
}

// An entry that says it unpacks to more than any stream may is refused for the limit before
// anything is inflated, and stays listed; one within the limit whose data cannot give what it
// claims is refused as damage.
TEST(ComicSource, AnEntryOverTheStreamLimitStaysListedAndSaysWhy) {
    for (const auto& [declared, breach] : {std::pair{std::int64_t{1536} << 20, LimitBreach::kStreamBytes},
                                           std::pair{std::int64_t{600} << 20, LimitBreach::kNone}}) {
        SCOPED_TRACE(declared);
        test::ZipOptions options;
        options.declaredSize = declared;
        auto decoder = std::make_shared<StandInDecoder>();
        ComicSource source(decoder);
        ASSERT_EQ(source.Open({MakeZip({{"page.png", Png(4, 3), true}}, options), u"C:\\comics\\vast.cbz", u""}),
                  OpenStatus::kOpened);
        ASSERT_EQ(ListOf(source), (std::vector<Listed>{{u"page", 4, 3}}));
        TakeLimitBreach();
        EXPECT_FALSE(source.Decode(0).has_value());
        EXPECT_EQ(TakeLimitBreach(), breach);
        EXPECT_EQ(decoder->calls, 0) << "nothing reached the decoder";
    }
}

TEST(ComicSource, EveryPictureInNaturalOrderOfItsPath) {
    const Bytes archive = MakeZip({
        {"page10.png", Png(1, 10), true},
        {"notes.txt", ToBytes("scanned by someone"), true},
        {"sub/", {}, false},
        {"sub/page3.png", Png(3, 1), false},
        {"page2.png", Png(1, 2), true},
        {"__MACOSX/._page2.png", Png(9, 9), true},
        {"Page1.gif", Gif(1, 1), true},
        {"fake.jpg", ToBytes("this is no JPEG"), true},
        {"page02b.png", Png(2, 2), true},
    });
    ComicSource source(std::make_shared<StandInDecoder>());
    ASSERT_EQ(OpenBytes(source, archive), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source),
              (std::vector<Listed>{
                  {u"Page1", 1, 1}, {u"page2", 1, 2}, {u"page02b", 2, 2}, {u"page10", 1, 10}, {u"page3", 3, 1}}));
    // A zip without pictures opens empty; a RAR archive does not open.
    EXPECT_EQ(OpenBytes(source, MakeZip({{"a.txt", ToBytes("x"), true}})), OpenStatus::kOpened);
    EXPECT_TRUE(source.Images().empty());
    EXPECT_EQ(OpenBytes(source, ToBytes("Rar!\x1A\x07\x01\x00 rest of a RAR archive")), OpenStatus::kNotReadable);
}

TEST(NaturalLess, NumbersByValueCaseIgnored) {
    EXPECT_TRUE(NaturalLess("page2", "page10"));
    EXPECT_FALSE(NaturalLess("page10", "page2"));
    EXPECT_TRUE(NaturalLess("Page1", "page2"));
    EXPECT_TRUE(NaturalLess("a/z", "a-b"));
    EXPECT_TRUE(NaturalLess("p007", "p8"));
    EXPECT_TRUE(NaturalLess("p1", "p01") || NaturalLess("p01", "p1"));  // a strict order even for equal values
    EXPECT_FALSE(NaturalLess("same", "same"));
}

}  // namespace
}  // namespace pictrove::readers
