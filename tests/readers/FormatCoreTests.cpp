// The portable sources of FictionBook, XPS and PCX/DCX files: listing order, names, sizes,
// pixels of our own PCX decoder, and damaged files.
#include <gtest/gtest.h>

#include "fb2/Fb2Source.h"
#include "pictures/ImageHeader.h"
#include "pcx/PcxSource.h"
#include "TestDocuments.h"
#include "xps/XpsSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::MakeZip;
using test::ToBytes;

// Hands out a gray picture of the header's size whose first pixel is the payload's size.
class SizeMarkingDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        const auto info = ReadImageHeader(file);
        if (!info || frame > 0) return std::nullopt;
        auto image = DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
        image->bytes[0] = static_cast<std::uint8_t>(file.size());
        return image;
    }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 1; }
};

Bytes Png(int width, int height) {
    return test::MakePng(width, height, test::PngColour::kGray, Bytes(width * height, 9));
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::tuple<std::u16string, int, int>> ListOf(const DocumentSource& source) {
    std::vector<std::tuple<std::u16string, int, int>> list;
    for (const auto& image : source.Images()) list.emplace_back(image.name, image.width, image.height);
    return list;
}

// A FictionBook in Windows-1251 whose second picture has a Cyrillic id ("ris" in Cyrillic).
Bytes Book() {
    std::string book =
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
        "<FictionBook xmlns=\"http://www.gribuse.info/FictionBook/2.0\" xmlns:l=\"http://www.w3.org/1999/xlink\">"
        "<description><title-info><coverpage><image l:href=\"#cover.png\"/></coverpage></title-info></description>"
        "<body><p>\xD2\xE5\xEA\xF1\xF2</p><image l:href=\"#\xF0\xE8\xF1.png\"/><image xlink:href=\"#b.png\"/>"
        "<image l:href=\"#\xF0\xE8\xF1.png\"/><image l:href=\"#missing\"/></body>"
        "<binary id=\"lone.png\" content-type=\"image/png\">" +
        Text(test::Base64(Png(1, 2))) +
        "</binary>"
        "<binary id=\"b.png\" content-type=\"image/png\">" +
        Text(test::Base64(Png(3, 4))) +
        "</binary>"
        "<binary id=\"broken\" content-type=\"image/png\">!!not base64!!</binary>"
        "<binary id=\"cover.png\" content-type=\"image/png\">" +
        Text(test::Base64(Png(5, 6))) +
        "</binary>"
        "<binary id=\"\xF0\xE8\xF1.png\" content-type=\"image/png\">" +
        Text(test::Base64(Png(7, 8))) +
        "</binary>"
        "</FictionBook>";
    return ToBytes(book);
}

const std::vector<std::tuple<std::u16string, int, int>> kBookPictures = {{u"cover", 5, 6},
                                                                         {u"\u0440\u0438\u0441", 7, 8},
                                                                         {u"b", 3, 4},
                                                                         {u"lone", 1, 2}};

TEST(Fb2Source, CoverThenBodyOrderThenUnshownBinaries) {
    Fb2Source source(std::make_shared<SizeMarkingDecoder>());
    ASSERT_EQ(source.Open({Book(), u"book.fb2", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source), kBookPictures);
    const auto cover = source.Decode(0);
    ASSERT_TRUE(cover.has_value());
    EXPECT_EQ(cover->bytes[0], static_cast<std::uint8_t>(Png(5, 6).size()));

    // Zipped, and as UTF-16 with a byte-order mark: the same pictures.
    ASSERT_EQ(source.Open({MakeZip({{"book.fb2", Book(), true}}), u"book.fb2.zip", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source), kBookPictures);
    const std::string utf8Book = "<FictionBook><body><image href=\"#x\"/></body><binary id=\"x\">" +
                                 Text(test::Base64(Png(2, 2))) + "</binary></FictionBook>";
    Bytes utf16 = {0xFF, 0xFE};
    for (char c : utf8Book) utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c), 0});
    ASSERT_EQ(source.Open({utf16, u"u.fb2", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source), (std::vector<std::tuple<std::u16string, int, int>>{{u"x", 2, 2}}));
}

TEST(Fb2Source, DamagedBooksFailOrListWhatIsWhole) {
    Fb2Source source(std::make_shared<SizeMarkingDecoder>());
    EXPECT_EQ(source.Open({ToBytes("<html>no book</html>"), u"x.fb2", u""}), OpenStatus::kNotReadable);
    EXPECT_EQ(source.Open({MakeZip({{"readme.txt", ToBytes("x"), true}}), u"x.fb2.zip", u""}),
              OpenStatus::kNotReadable);
    const Bytes book = Book();
    std::size_t previous = 0;
    for (int eighth = 1; eighth <= 8; ++eighth) {
        const Bytes cut(book.begin(), book.begin() + static_cast<std::ptrdiff_t>(book.size() * eighth / 8));
        ASSERT_EQ(source.Open({cut, u"x.fb2", u""}), OpenStatus::kOpened) << eighth;
        // Binaries cut in half are left out; the count only grows as more of the file is there.
        EXPECT_GE(source.Images().size(), previous) << eighth;
        previous = source.Images().size();
    }
    EXPECT_EQ(previous, kBookPictures.size());
}

std::vector<test::ZipFileEntry> XpsEntries() {
    const char* rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/thumbnail\" "
        "Target=\"/thumb.png\" Id=\"R0\"/>"
        "<Relationship Type=\"http://schemas.microsoft.com/xps/2005/06/fixedrepresentation\" "
        "Target=\"/FixedDocSeq.fdseq\" Id=\"R1\"/></Relationships>";
    const char* sequence =
        "<FixedDocumentSequence><DocumentReference Source=\"/Documents/1/FixedDoc.fdoc\"/>"
        "</FixedDocumentSequence>";
    const char* document =
        "<FixedDocument><PageContent Source=\"Pages/2.fpage\"/>"
        "<PageContent Source=\"Pages/1.fpage\"/></FixedDocument>";
    const char* page2 =
        "<FixedPage><Path><Path.Fill><ImageBrush ImageSource=\"../Resources/Images/b.png\"/></Path.Fill></Path>"
        "<Path><Path.Fill><ImageBrush ImageSource=\"{ColorConvertedBitmap /Documents/1/Resources/Images/c.png "
        "/Documents/1/Resources/p.icc}\"/></Path.Fill></Path></FixedPage>";
    const char* page1 =
        "<FixedPage><Path><Path.Fill><ImageBrush ImageSource=\"/Documents/1/Resources/Images/a.png\"/>"
        "</Path.Fill></Path><Path><Path.Fill><ImageBrush ImageSource=\"../Resources/Images/b.png\"/>"
        "</Path.Fill></Path></FixedPage>";
    return {
        {"Documents/1/Resources/Images/a.png", Png(1, 1), false},
        {"Documents/1/Pages/1.fpage", ToBytes(page1), true},
        {"thumb.png", Png(9, 9), true},
        {"_rels/.rels", ToBytes(rels), true},
        {"Documents/1/Pages/2.fpage", ToBytes(page2), true},
        {"FixedDocSeq.fdseq", ToBytes(sequence), true},
        {"Documents/1/FixedDoc.fdoc", ToBytes(document), true},
        {"Documents/1/Resources/Images/b.png", Png(2, 2), true},
        {"Documents/1/Resources/Images/c.png", Png(3, 3), true},
    };
}

TEST(XpsSource, PicturesOfEveryPageInPageOrderEachOnce) {
    XpsSource source(std::make_shared<SizeMarkingDecoder>());
    ASSERT_EQ(source.Open({MakeZip(XpsEntries()), u"doc.xps", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source),
              (std::vector<std::tuple<std::u16string, int, int>>{{u"b", 2, 2}, {u"c", 3, 3}, {u"a", 1, 1}}));
    // Without the package relationships, the pages in natural order of their names.
    auto entries = XpsEntries();
    std::erase_if(entries, [](const auto& entry) { return entry.name == "_rels/.rels"; });
    ASSERT_EQ(source.Open({MakeZip(entries), u"doc.xps", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source),
              (std::vector<std::tuple<std::u16string, int, int>>{{u"a", 1, 1}, {u"b", 2, 2}, {u"c", 3, 3}}));
    EXPECT_EQ(source.Open({MakeZip({{"a.png", Png(1, 1), true}}), u"x.xps", u""}), OpenStatus::kNotReadable);
}

// A 5 x 3 picture with 8-bit indices into a 256-colour palette: colour i = (i, 255 - i, 3i).
test::PcxPicture IndexedPicture(bool packed) {
    test::PcxPicture picture{5, 3, 8, 1, 6, {}, {}, {}, packed};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) picture.lines.push_back(static_cast<std::uint8_t>(x < 5 ? (y * 5 + x) * 13 : 0));
    }
    for (int i = 0; i < 256; ++i) {
        picture.palette256.insert(picture.palette256.end(),
                                  {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(3 * i)});
    }
    return picture;
}

std::vector<int> Bgr(const DecodedImage& image, int x, int y) {
    const std::uint8_t* p = image.Row(y) + x * BytesPerPixel(image.type);
    return {p[0], p[1], p[2]};
}

TEST(PcxSource, EveryKindOfPictureDecodes) {
    // 8-bit palette, packed and raw.
    for (const bool packed : {true, false}) {
        PcxSource source;
        ASSERT_EQ(source.Open({test::MakePcx(IndexedPicture(packed)), u"C:\\p\\pic.pcx", u""}), OpenStatus::kOpened);
        ASSERT_EQ(ListOf(source), (std::vector<std::tuple<std::u16string, int, int>>{{u"pic", 5, 3}}));
        const auto image = source.Decode(0);
        ASSERT_TRUE(image.has_value()) << packed;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const int i = ((y * 5 + x) * 13) & 0xFF;
                EXPECT_EQ(Bgr(*image, x, y), (std::vector<int>{(3 * i) & 0xFF, 255 - i, i})) << x << "," << y;
            }
        }
    }
    // 24-bit in three planes: red, green, blue lines one after the other.
    {
        test::PcxPicture picture{2, 2, 8, 3, 2, {}, {}, {}, true};
        picture.lines = {10, 20, 30, 40, 50, 60, /* row 2 */ 11, 21, 31, 41, 51, 61};
        PcxSource source;
        ASSERT_EQ(source.Open({test::MakePcx(picture), u"rgb.pcx", u""}), OpenStatus::kOpened);
        const auto image = source.Decode(0);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->type, PixelType::kBgr24);
        EXPECT_EQ(Bgr(*image, 0, 0), (std::vector<int>{50, 30, 10}));
        EXPECT_EQ(Bgr(*image, 1, 1), (std::vector<int>{61, 41, 21}));
    }
    // 16 colours as four 1-bit planes, the first plane the lowest bit; 1-bit black and white;
    // 2-bit and 4-bit packed indices into the header's palette.
    Bytes palette16;
    for (int i = 0; i < 16; ++i) palette16.insert(palette16.end(), {std::uint8_t(16 * i), std::uint8_t(i), 0});
    {
        // Pixel 0: index 0b0101 = 5; pixel 1: index 0b1010 = 10.
        test::PcxPicture picture{2, 1, 1, 4, 2, {0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0}, palette16, {}, true};
        PcxSource source;
        ASSERT_EQ(source.Open({test::MakePcx(picture), u"ega.pcx", u""}), OpenStatus::kOpened);
        const auto image = source.Decode(0);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(Bgr(*image, 0, 0), (std::vector<int>{0, 5, 80}));
        EXPECT_EQ(Bgr(*image, 1, 0), (std::vector<int>{0, 10, 160}));
    }
    for (const int bits : {1, 2, 4}) {
        SCOPED_TRACE(bits);
        // Indices 1, 0, 1 ... then the largest one last.
        test::PcxPicture picture{3, 1, bits, 1, 2, {}, palette16, {}, true};
        const int top = (1 << bits) - 1;
        const std::uint32_t packedBits = (1u << (16 - bits)) | (std::uint32_t(top) << (16 - 3 * bits));
        picture.lines = {std::uint8_t(packedBits >> 8), std::uint8_t(packedBits)};
        PcxSource source;
        ASSERT_EQ(source.Open({test::MakePcx(picture), u"low.pcx", u""}), OpenStatus::kOpened);
        const auto image = source.Decode(0);
        ASSERT_TRUE(image.has_value());
        const std::vector<int> one = bits == 1 ? std::vector<int>{255, 255, 255} : std::vector<int>{0, 1, 16};
        const std::vector<int> zero = {0, 0, 0};
        const std::vector<int> last = bits == 1 ? one : std::vector<int>{0, top, (16 * top) & 0xFF};
        EXPECT_EQ(Bgr(*image, 0, 0), one);
        EXPECT_EQ(Bgr(*image, 1, 0), zero);
        EXPECT_EQ(Bgr(*image, 2, 0), last);
    }
}

TEST(PcxSource, DcxPagesAndDamagedFiles) {
    const Bytes first = test::MakePcx(IndexedPicture(true));
    test::PcxPicture small{2, 2, 8, 3, 2, Bytes(12, 7), {}, {}, true};
    const Bytes second = test::MakePcx(small);
    PcxSource source;
    ASSERT_EQ(source.Open({test::MakeDcx({first, second}), u"C:\\fax.dcx", u""}), OpenStatus::kOpened);
    EXPECT_EQ(ListOf(source), (std::vector<std::tuple<std::u16string, int, int>>{{u"fax_1", 5, 3}, {u"fax_2", 2, 2}}));
    ASSERT_TRUE(source.Decode(1).has_value());
    EXPECT_EQ(Bgr(*source.Decode(1), 1, 1), (std::vector<int>{7, 7, 7}));

    // Cut short: listed from the header, but no picture.
    const Bytes cut(first.begin(), first.begin() + 140);
    ASSERT_EQ(source.Open({cut, u"cut.pcx", u""}), OpenStatus::kOpened);
    EXPECT_FALSE(source.Decode(0).has_value());
    // Absurd sizes, lines too short for the width, and unknown kinds do not open.
    test::PcxPicture huge = small;
    huge.width = 65535;
    huge.height = 65535;
    huge.bytesPerLine = 65535;
    EXPECT_EQ(source.Open({test::MakePcx(huge), u"huge.pcx", u""}), OpenStatus::kNotReadable);
    test::PcxPicture narrow = small;
    narrow.bytesPerLine = 1;
    EXPECT_EQ(source.Open({test::MakePcx(narrow), u"narrow.pcx", u""}), OpenStatus::kNotReadable);
    // Found by fuzzing: a tiny file whose header claims wide lines and many rows took gigabytes
    // before any data was read. Padding beyond reason is refused, and so is a picture larger
    // than its data could unpack to.
    test::PcxPicture padded = small;
    padded.bytesPerLine = 65535;
    EXPECT_EQ(source.Open({test::MakePcx(padded), u"padded.pcx", u""}), OpenStatus::kNotReadable);
    test::PcxPicture tall = small;
    tall.width = 20000;
    tall.height = 20000;
    tall.bytesPerLine = 20000;
    ASSERT_EQ(source.Open({test::MakePcx(tall), u"tall.pcx", u""}), OpenStatus::kOpened);
    EXPECT_FALSE(source.Decode(0).has_value());
    test::PcxPicture odd = small;
    odd.bits = 3;
    EXPECT_EQ(source.Open({test::MakePcx(odd), u"odd.pcx", u""}), OpenStatus::kNotReadable);
    // A DCX whose page offsets point outside the file.
    Bytes dcx = test::MakeDcx({first});
    dcx[4] = dcx[5] = dcx[6] = 0x7F;
    EXPECT_EQ(source.Open({dcx, u"bad.dcx", u""}), OpenStatus::kNotReadable);
}

}  // namespace
}  // namespace pictrove::readers
