// The portable core of the MOBI, Palm database and Word readers: containers, layouts, order,
// names and the bytes handed to the picture decoder, on files the tests build; damaged
// variants must fail cleanly.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "containers/CompoundFile.h"
#include "doc/DocSource.h"
#include "pictures/ImageHeader.h"
#include "mobi/MobiSource.h"
#include "containers/PalmDatabase.h"
#include "pdb/PdbSource.h"
#include "TestDocumentFiles.h"
#include "doc/WordPictures.h"

namespace pictrove::readers {
namespace {

using test::Bytes;

// Stands in for GDI+: keeps what it was handed and gives a gray picture of the header's size.
class RecordingDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        handed.emplace_back(file.begin(), file.end());
        const auto info = ReadImageHeader(file);
        if (!info || frame != 0) return std::nullopt;
        return DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
    }
    unsigned FrameCount(std::span<const std::uint8_t>) override { return 1; }

    std::vector<Bytes> handed;
};

Bytes Png(int width, int height, std::uint8_t level = 90) {
    return test::MakePng(width, height, test::PngColour::kGray, Bytes(std::size_t(width) * height, level));
}
Bytes Gif(int width, int height) {
    return test::MakeGif(width, height, {0, 0, 0, 255, 255, 255}, {{Bytes(std::size_t(width) * height, 1), 10}});
}
Bytes Text(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

struct Listed {
    std::u16string name;
    int width;
    int height;
    bool operator==(const Listed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Listed& listed) {
    for (char16_t c : listed.name) out << (c < 0x80 ? static_cast<char>(c) : '?');
    return out << " " << listed.width << "x" << listed.height;
}

template <class Source>
struct Opened {
    std::shared_ptr<RecordingDecoder> decoder = std::make_shared<RecordingDecoder>();
    Source source{decoder};
    OpenStatus status = OpenStatus::kNotReadable;

    Opened(const Bytes& bytes, const char16_t* path) {
        OpenRequest request;
        request.bytes = bytes;
        request.path = path;
        status = source.Open(std::move(request));
    }
    std::vector<Listed> List() const {
        std::vector<Listed> list;
        for (const auto& image : source.Images()) list.push_back({image.name, image.width, image.height});
        return list;
    }
};

// ---- Palm database container

TEST(PalmDatabase, ReadsHeaderAndRecordRanges) {
    const Bytes file = test::MakePalmDatabase("My Book", "TEXt", "REAd", {Text("zero"), Text("one!!"), Text("2")});
    const auto database = ParsePalmDatabase(file);
    ASSERT_TRUE(database);
    EXPECT_EQ(database->name, "My Book");
    EXPECT_EQ(database->type, "TEXt");
    EXPECT_EQ(database->creator, "REAd");
    ASSERT_EQ(database->records.size(), 3u);
    const std::string expected[] = {"zero", "one!!", "2"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto data = database->RecordData(file, i);
        EXPECT_EQ(std::string(data.begin(), data.end()), expected[i]) << "record " << i;
    }
    EXPECT_TRUE(database->RecordData(file, 3).empty());
}

TEST(PalmDatabase, RefusesDamagedHeadersAndRecordLists) {
    const Bytes good = test::MakePalmDatabase("x", "TEXt", "REAd", {Text("aaaa"), Text("bbbb")});
    ASSERT_TRUE(ParsePalmDatabase(good));
    EXPECT_FALSE(ParsePalmDatabase(Bytes(good.begin(), good.begin() + 77))) << "header cut";
    EXPECT_FALSE(ParsePalmDatabase(Bytes(good.begin(), good.begin() + 86))) << "record list cut";
    Bytes noRecords = good;
    noRecords[76] = noRecords[77] = 0;
    EXPECT_FALSE(ParsePalmDatabase(noRecords));
    Bytes tooMany = good;
    tooMany[76] = 0xFF;
    EXPECT_FALSE(ParsePalmDatabase(tooMany));
    Bytes pastEnd = good;
    pastEnd[86] = 0x7F;  // second record starts far beyond the file
    EXPECT_FALSE(ParsePalmDatabase(pastEnd));
    Bytes backwards = good;
    backwards[89] = static_cast<std::uint8_t>(backwards[81] - 1);  // second record before the first
    backwards[88] = backwards[80];
    EXPECT_FALSE(ParsePalmDatabase(backwards));
    Bytes insideList = good;
    insideList[81] = 10;  // first record inside the header
    insideList[80] = 0;
    EXPECT_FALSE(ParsePalmDatabase(insideList));
}

// ---- MOBI books

test::MobiBookLayout BookWithCover() {
    test::MobiBookLayout layout;
    layout.resources = {
        Png(4, 3),                                  // 0: first picture
        Text("FONT\0\0\0\x18 embedded font data"),  // 1: font
        test::MakeJpegHeaderOnly(40, 60),           // 2: cover
        Text("RESC\0\0\0\x10<spine/>"),             // 3: resource table
        test::MakeJpegHeaderOnly(8, 12),            // 4: thumbnail
        Gif(5, 2),                                  // 5
        Text("DATP\0\0\0\x0c"),                     // 6
        Text("SRCS\0\0\0\x10PK\x03\x04"),           // 7: the sources archive
        Text("kindle:embed:0001"),                  // 8: a marker
        test::MakeBmp24(2, 2, Bytes(12, 50)),       // 9
    };
    layout.coverOffset = 2;
    layout.thumbOffset = 4;
    return layout;
}

TEST(MobiSource, CoverFirstThenPicturesInRecordOrderWithoutThumbnail) {
    Opened<MobiSource> book(test::MakeMobi(BookWithCover()), u"C:\\books\\novel.mobi");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    const std::vector<Listed> expected = {
        {u"cover", 40, 60}, {u"image0001", 4, 3}, {u"image0002", 5, 2}, {u"image0003", 2, 2}};
    EXPECT_EQ(book.List(), expected);
    EXPECT_TRUE(book.decoder->handed.empty()) << "opening decodes nothing";

    // Each image hands exactly its record to the decoder.
    const auto layout = BookWithCover();
    const Bytes* records[] = {&layout.resources[2], &layout.resources[0], &layout.resources[5], &layout.resources[9]};
    for (std::size_t i = 0; i < 4; ++i) {
        book.source.Decode(i);
        ASSERT_EQ(book.decoder->handed.size(), i + 1);
        EXPECT_EQ(book.decoder->handed.back(), *records[i]) << "image " << i;
    }
    EXPECT_FALSE(book.source.Decode(4));
}

TEST(MobiSource, WithoutCoverTheThumbnailIsAnOrdinaryPicture) {
    auto layout = BookWithCover();
    layout.coverOffset = -1;
    Opened<MobiSource> book(test::MakeMobi(layout), u"book.azw");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    const std::vector<Listed> expected = {{u"image0001", 4, 3},
                                          {u"image0002", 40, 60},
                                          {u"image0003", 8, 12},
                                          {u"image0004", 5, 2},
                                          {u"image0005", 2, 2}};
    EXPECT_EQ(book.List(), expected);

    // A cover offset that names no picture (here the font) is no cover either.
    layout.coverOffset = 1;
    Opened<MobiSource> fontCover(test::MakeMobi(layout), u"book.azw");
    ASSERT_EQ(fontCover.status, OpenStatus::kOpened);
    EXPECT_EQ(fontCover.List(), expected);

    // Nor is one past the last record.
    layout.coverOffset = 500;
    Opened<MobiSource> farCover(test::MakeMobi(layout), u"book.azw");
    EXPECT_EQ(farCover.List(), expected);
}

TEST(MobiSource, CombinedBookStopsAtTheBoundary) {
    auto layout = BookWithCover();
    layout.boundaryAfterResources = true;
    Opened<MobiSource> book(test::MakeMobi(layout), u"book.azw3");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    EXPECT_EQ(book.List().size(), 4u);
}

TEST(MobiSource, BookWithoutPicturesOpensEmpty) {
    test::MobiBookLayout layout;
    Opened<MobiSource> book(test::MakeMobi(layout), u"plain.mobi");
    EXPECT_EQ(book.status, OpenStatus::kOpened);
    EXPECT_TRUE(book.List().empty());
    layout.withExth = false;
    layout.resources = {Png(2, 2)};
    Opened<MobiSource> noExth(test::MakeMobi(layout), u"plain.mobi");
    ASSERT_EQ(noExth.status, OpenStatus::kOpened);
    EXPECT_EQ(noExth.List(), (std::vector<Listed>{{u"image0001", 2, 2}}));
}

TEST(MobiSource, TextThatStartsLikeABitmapIsNoPicture) {
    test::MobiBookLayout layout;
    layout.resources = {Text("BMW and other makes of car, a long enough line of text"), Png(1, 1)};
    Opened<MobiSource> book(test::MakeMobi(layout), u"cars.mobi");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    EXPECT_EQ(book.List(), (std::vector<Listed>{{u"image0001", 1, 1}}));
}

TEST(MobiSource, ProtectedBooksAreRefused) {
    for (int encryption : {1, 2}) {
        auto layout = BookWithCover();
        layout.encryption = encryption;
        Opened<MobiSource> book(test::MakeMobi(layout), u"bought.azw");
        EXPECT_EQ(book.status, OpenStatus::kNotReadable) << "encryption " << encryption;
        EXPECT_TRUE(book.List().empty());
    }
}

TEST(MobiSource, DamagedFilesFailCleanly) {
    const Bytes good = test::MakeMobi(BookWithCover());
    EXPECT_EQ(Opened<MobiSource>(Bytes(), u"a.mobi").status, OpenStatus::kNotReadable);
    EXPECT_EQ(Opened<MobiSource>(Text("not a book at all, just some text"), u"a.mobi").status,
              OpenStatus::kNotReadable);
    // Cut anywhere inside the record list: the container is refused.
    for (std::size_t size : {10u, 78u, 100u}) {
        EXPECT_EQ(Opened<MobiSource>(Bytes(good.begin(), good.begin() + size), u"a.mobi").status,
                  OpenStatus::kNotReadable)
            << size;
    }
    // Cut inside the pictures: what is left is listed only when its header is whole.
    for (std::size_t cut = good.size() - 1; cut > good.size() - 400; cut -= 37) {
        Opened<MobiSource> book(Bytes(good.begin(), good.begin() + cut), u"a.mobi");
        if (book.status != OpenStatus::kOpened) continue;
        for (std::size_t i = 0; i < book.List().size(); ++i) book.source.Decode(i);
        EXPECT_LE(book.List().size(), 4u);
    }
    // Garbage over the first record: never a crash, and never pictures from text records.
    for (std::size_t offset = 0x60; offset < 0x90; offset += 4) {
        Bytes damaged = good;
        const std::size_t record0 = 78 + 8 * 0;
        const std::size_t start = (std::size_t(damaged[record0]) << 24) | (std::size_t(damaged[record0 + 1]) << 16) |
                                  (std::size_t(damaged[record0 + 2]) << 8) | damaged[record0 + 3];
        for (int i = 0; i < 4; ++i) damaged[start + offset + i] = 0xFE;
        Opened<MobiSource> book(damaged, u"a.mobi");
        EXPECT_LE(book.List().size(), 5u) << "offset " << offset;
    }
}

// ---- compound files

TEST(CompoundFile, ReadsSmallAndLargeStreamsByName) {
    Bytes large(9000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    Bytes small(700);
    for (std::size_t i = 0; i < small.size(); ++i) small[i] = static_cast<std::uint8_t>(i * 3 + 1);
    const Bytes file = test::MakeCompoundFile({{u"Big", large}, {u"Small", small}, {u"Empty", {}}, {u"Tiny", {42}}});
    const auto compound = CompoundFile::Parse(file);
    ASSERT_TRUE(compound);
    EXPECT_EQ(compound->ReadStream(u"Big"), large);
    EXPECT_EQ(compound->ReadStream(u"sMALL"), small) << "names compare without case";
    EXPECT_EQ(compound->ReadStream(u"Empty"), Bytes{});
    EXPECT_EQ(compound->ReadStream(u"Tiny"), Bytes{42});
    EXPECT_FALSE(compound->ReadStream(u"Missing"));
    EXPECT_EQ(compound->RootNames().size(), 4u);
}

TEST(CompoundFile, RefusesDamagedContainers) {
    const Bytes file = test::MakeCompoundFile({{u"Big", Bytes(5000, 1)}, {u"Small", Bytes(100, 2)}});
    ASSERT_TRUE(CompoundFile::Parse(file));
    EXPECT_FALSE(CompoundFile::Parse(Bytes(file.begin(), file.begin() + 511)));
    Bytes signature = file;
    signature[0] = 0;
    EXPECT_FALSE(CompoundFile::Parse(signature));
    Bytes sectorShift = file;
    sectorShift[0x1E] = 30;
    EXPECT_FALSE(CompoundFile::Parse(sectorShift));
    Bytes fatCount = file;
    fatCount[0x2F] = 0x7F;
    EXPECT_FALSE(CompoundFile::Parse(fatCount));
    Bytes directory = file;
    directory[0x30] = 0xF0;  // directory in a sector far past the end
    EXPECT_FALSE(CompoundFile::Parse(directory));
    // A stream cut off by the end of the file is unreadable, the rest of the file still is.
    const auto cut = CompoundFile::Parse(Bytes(file.begin(), file.end() - 1024));
    ASSERT_TRUE(cut);
    EXPECT_FALSE(cut->ReadStream(u"Big"));
    EXPECT_EQ(cut->ReadStream(u"Small"), Bytes(100, 2));
}

TEST(CompoundFile, ChainThatLoopsIsUnreadable) {
    const Bytes file = test::MakeCompoundFile({{u"Big", Bytes(5000, 1)}, {u"Small", Bytes(100, 2)}}, true);
    const auto compound = CompoundFile::Parse(file);
    ASSERT_TRUE(compound);
    EXPECT_FALSE(compound->ReadStream(u"Big"));
    EXPECT_EQ(compound->ReadStream(u"Small"), Bytes(100, 2));
}

// ---- Word documents

// A minimal enhanced metafile: its header (frame in hundredths of a millimetre, the device
// size in pixels and millimetres) and the end record.
Bytes Emf(int frameWidth, int frameHeight, int devicePixels, int deviceMillimetres) {
    Bytes emf(88, 0);
    const auto set = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) emf[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    set(0, 1);
    set(4, 88);
    set(32, static_cast<std::uint32_t>(frameWidth));
    set(36, static_cast<std::uint32_t>(frameHeight));
    set(40, 0x464D4520);
    set(44, 0x10000);
    set(48, 88 + 20);
    set(52, 2);
    set(56, 1);
    set(72, static_cast<std::uint32_t>(devicePixels));
    set(76, static_cast<std::uint32_t>(devicePixels));
    set(80, static_cast<std::uint32_t>(deviceMillimetres));
    set(84, static_cast<std::uint32_t>(deviceMillimetres));
    const Bytes end = {0x0E, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 20, 0, 0, 0};
    emf.insert(emf.end(), end.begin(), end.end());
    return emf;
}

TEST(DocSource, InlineAndFloatingPicturesInTextOrder) {
    test::WordDocumentSpec layout;
    layout.text = std::string("Intro \x01 middle \x08 then \x01 and \x08 end\r");
    layout.pictures = {
        {test::MakeBlip(0xF01E, Png(3, 4))},
        {test::MakeBlip(0xF01D, test::MakeJpegHeaderOnly(30, 20)), true},
        {test::MakeBlip(0xF01E, Png(7, 2), true)},
        {test::MakeBlip(0xF029, Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0, 1, 3, 0, 1, 0, 0, 0, 9,
                                      0,   0,   0,  1, 1, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0}),
         true, true},
    };
    Opened<DocSource> document(test::MakeWordDocument(layout), u"D:\\docs\\report.doc");
    ASSERT_EQ(document.status, OpenStatus::kOpened);
    const std::vector<Listed> expected = {
        {u"report_1", 3, 4}, {u"report_2", 30, 20}, {u"report_3", 7, 2}, {u"report_4", 9, 6}};
    EXPECT_EQ(document.List(), expected);
    EXPECT_TRUE(document.decoder->handed.empty());
    document.source.Decode(0);
    document.source.Decode(2);
    ASSERT_EQ(document.decoder->handed.size(), 2u);
    EXPECT_EQ(document.decoder->handed[0], Png(3, 4));
    EXPECT_EQ(document.decoder->handed[1], Png(7, 2));
}

TEST(DocSource, InlinePictureKeptInThePictureStore) {
    test::WordDocumentSpec layout;
    layout.text = std::string("\x08 one \x01 two \x01 three\r");
    layout.pictures = {{test::MakeBlip(0xF01E, Png(2, 9)), true},
                       {test::MakeBlip(0xF01E, Png(6, 1)), false, true, true},
                       {test::MakeBlip(0xF01E, Png(3, 3))}};
    Opened<DocSource> document(test::MakeWordDocument(layout), u"stored.doc");
    ASSERT_EQ(document.status, OpenStatus::kOpened);
    const std::vector<Listed> expected = {{u"stored_1", 2, 9}, {u"stored_2", 6, 1}, {u"stored_3", 3, 3}};
    EXPECT_EQ(document.List(), expected);
}

TEST(DocSource, PictureUsedTwiceIsListedOnce) {
    test::WordDocumentSpec layout;
    layout.text = std::string("\x01 again \x01 and \x08\r");
    layout.pictures = {{test::MakeBlip(0xF01E, Png(5, 5))},
                       {test::MakeBlip(0xF01E, Png(5, 5), true)},
                       {test::MakeBlip(0xF01E, Png(5, 5)), true}};
    Opened<DocSource> document(test::MakeWordDocument(layout), u"twice.doc");
    ASSERT_EQ(document.status, OpenStatus::kOpened);
    EXPECT_EQ(document.List(), (std::vector<Listed>{{u"twice", 5, 5}}));
}

TEST(DocSource, BitmapsBecomeBitmapFilesAndMetafilesAreInflated) {
    // A 24-bit DIB: the bitmap file made of it must point at the pixels past the header.
    const Bytes bmp = test::MakeBmp24(3, 2, Bytes(18, 200));
    const Bytes dib(bmp.begin() + 14, bmp.end());
    // 25.4 mm x 12.7 mm, recorded on a device of 4 pixels per millimetre: an inch by half an
    // inch whatever the device, so 96 x 48 pixels.
    const Bytes emf = Emf(2540, 1270, 1000, 250);
    const Bytes wmf = {1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    test::WordDocumentSpec layout;
    layout.text = std::string("\x01\x01\x01\x01\r");
    layout.pictures = {{test::MakeBlip(0xF01F, dib)},
                       {test::MakeMetafileBlip(0xF01A, emf, true, 101, 51, 914400, 457200)},
                       {test::MakeMetafileBlip(0xF01B, wmf, true, 1440, 720, 914400, 457200)},
                       {test::MakeMetafileBlip(0xF01B, wmf, false, 2000, 1000, 0, 0)}};
    Opened<DocSource> document(test::MakeWordDocument(layout), u"mixed.doc");
    ASSERT_EQ(document.status, OpenStatus::kOpened);
    // The second Windows metafile gives no size of its own: its 2000 x 1000 units are twips.
    const std::vector<Listed> expected = {
        {u"mixed_1", 3, 2}, {u"mixed_2", 96, 48}, {u"mixed_3", 96, 48}, {u"mixed_4", 133, 67}};
    EXPECT_EQ(document.List(), expected);
    for (std::size_t i = 0; i < 4; ++i) document.source.Decode(i);
    ASSERT_EQ(document.decoder->handed.size(), 4u);
    EXPECT_EQ(document.decoder->handed[0], bmp) << "file header rebuilt with the same pixel offset";
    EXPECT_EQ(document.decoder->handed[1], emf);
    const Bytes& placeable = document.decoder->handed[2];
    ASSERT_EQ(placeable.size(), 22 + wmf.size());
    EXPECT_EQ(placeable[0], 0xD7);
    EXPECT_EQ(placeable[3], 0x9A);
    EXPECT_EQ(placeable[14] | (placeable[15] << 8), 1440) << "units per inch give one inch across";
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= static_cast<std::uint16_t>(placeable[2 * i] | (placeable[2 * i + 1] << 8));
    EXPECT_EQ(placeable[20] | (placeable[21] << 8), checksum);
    EXPECT_TRUE(std::equal(wmf.begin(), wmf.end(), placeable.begin() + 22));
}

// A placeable header: key, handle, box, units per inch, reserved, checksum.
Bytes Placeable(int left, int top, int right, int bottom, int inch) {
    std::vector<std::uint16_t> words = {0xCDD7,
                                        0x9AC6,
                                        0,
                                        std::uint16_t(left),
                                        std::uint16_t(top),
                                        std::uint16_t(right),
                                        std::uint16_t(bottom),
                                        std::uint16_t(inch),
                                        0,
                                        0,
                                        0};
    Bytes out;
    for (auto word : words) out.insert(out.end(), {std::uint8_t(word), std::uint8_t(word >> 8)});
    return out;
}

// A headerless Windows metafile of the given records, each a function and its parameters as stored.
Bytes Wmf(const std::vector<std::vector<int>>& records) {
    std::vector<int> words = {1, 9, 0x300, 0, 0, 0, 0, 0, 0};
    for (const auto& record : records) {
        words.insert(words.end(), {int(record.size() + 2), 0, record[0]});
        words.insert(words.end(), record.begin() + 1, record.end());
    }
    words.insert(words.end(), {3, 0, 0});
    Bytes out;
    for (int word : words) out.insert(out.end(), {std::uint8_t(word), std::uint8_t(word >> 8)});
    return out;
}

TEST(DocSource, HeaderlessWindowsMetafilesGetTheWindowTheirRecordsSet) {
    constexpr int kOrg = 0x20B, kExt = 0x20C, kRectangle = 0x41B;
    // Records (parameters y before x), then the box and units per inch; the bounds are LibreOffice's, six by four
    // centimetres in hundredths of a millimetre from 0, 0.
    const std::pair<std::vector<std::vector<int>>, std::array<int, 5>> cases[] = {
        {{{kOrg, 2000, -3000}, {kExt, 2268, 3402}}, {-3000, 2000, 402, 4268, 1440}},
        {{{kOrg, 4700, 500}, {kExt, -4000, 6000}}, {500, 700, 6500, 4700, 2540}},               // y going up
        {{{kExt, 400, 600}, {kRectangle, 1, 2, 3, 4}, {kExt, 40, 60}}, {0, 0, 600, 400, 254}},  // the first counts
        {{{kExt, 0, 600}}, {0, 0, 6000, 4000, 2540}},  // no area: the bounds stand in
    };
    WordBlip blip;
    blip.kind = BlipKind::kWmf;
    blip.boundsRight = 6000;
    blip.boundsBottom = 4000;
    blip.sizeX = 2160000;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Bytes placeable = PlaceableWmf(blip, Wmf(cases[i].first));
        ASSERT_GE(placeable.size(), 22u);
        std::array<int, 5> box{};
        for (int k = 0; k < 5; ++k) box[k] = placeable[6 + 2 * k] | (placeable[7 + 2 * k] << 8);
        for (int k = 0; k < 4; ++k) box[k] = std::int16_t(box[k]);
        EXPECT_EQ(box, cases[i].second) << "case " << i;
    }
    Bytes cut = Wmf({{kExt, 400, 600}});
    cut[18] = 200;  // a record longer than what is left ends the search
    EXPECT_FALSE(MetafileWindow(cut).has_value());
}

TEST(MetafileSize, PhysicalSizeAtNinetySixDpiRoundedAndBounded) {
    using Size = std::optional<std::pair<int, int>>;
    // Enhanced metafiles: the frame in hundredths of a millimetre; the device does not matter.
    EXPECT_EQ(MetafileSize(Emf(2540, 1270, 1000, 250)), (Size{{96, 48}}));
    EXPECT_EQ(MetafileSize(Emf(2540, 1270, 1920, 300)), (Size{{96, 48}}));
    EXPECT_EQ(MetafileSize(Emf(2000, 1000, 1000, 250)), (Size{{76, 38}})) << "75.6 and 37.8 round up";
    EXPECT_EQ(MetafileSize(Emf(13, 13, 1000, 250)), (Size{{1, 1}})) << "0.49 pixels is still one";
    EXPECT_EQ(MetafileSize(Emf(0, 1270, 1000, 250)), Size{});
    EXPECT_EQ(MetafileSize(Emf(-2540, 1270, 1000, 250)), Size{});
    EXPECT_EQ(MetafileSize(Emf(2540 * 682, 2540, 1000, 250)), (Size{{65472, 96}})) << "the widest size there is";
    EXPECT_EQ(MetafileSize(Emf(2540 * 683, 2540, 1000, 250)), Size{}) << "wider than any picture may be";
    Bytes noSignature = Emf(2540, 1270, 1000, 250);
    noSignature[40] = 'X';
    EXPECT_EQ(MetafileSize(noSignature), Size{});
    const Bytes whole = Emf(2540, 1270, 1000, 250);
    EXPECT_EQ(MetafileSize(Bytes(whole.begin(), whole.begin() + 40)), Size{}) << "cut before the signature";
    // Placeable Windows metafiles: the box in units of the given units per inch.
    EXPECT_EQ(MetafileSize(Placeable(0, 0, 1440, 720, 1440)), (Size{{96, 48}}));
    EXPECT_EQ(MetafileSize(Placeable(-100, -50, 100, 50, 100)), (Size{{192, 96}}));
    EXPECT_EQ(MetafileSize(Placeable(0, 0, 1440, 720, 0)), Size{}) << "no units per inch";
    EXPECT_EQ(MetafileSize(Placeable(100, 0, 100, 720, 1440)), Size{});
    EXPECT_EQ(MetafileSize(Placeable(0, 0, 1440, 720, 1440)).value(), (std::pair{96, 48}));
    // A Windows metafile without a placeable header has no size of its own, nor does a PNG.
    EXPECT_EQ(MetafileSize(Bytes{1, 0, 9, 0, 0, 3, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0}), Size{});
    EXPECT_EQ(MetafileSize(Png(2, 2)), Size{});
}

TEST(DocSource, DocumentWithoutPicturesOpensEmpty) {
    test::WordDocumentSpec layout;
    layout.text = "Just words.\r";
    Opened<DocSource> document(test::MakeWordDocument(layout), u"words.doc");
    EXPECT_EQ(document.status, OpenStatus::kOpened);
    EXPECT_TRUE(document.List().empty());
}

TEST(DocSource, EncryptedOldAndDamagedDocumentsAreRefused) {
    test::WordDocumentSpec layout;
    layout.text = std::string("a\x01\r");
    layout.pictures = {{test::MakeBlip(0xF01E, Png(2, 2))}};
    ASSERT_EQ(Opened<DocSource>(test::MakeWordDocument(layout), u"a.doc").status, OpenStatus::kOpened);

    auto encrypted = layout;
    encrypted.encrypted = true;
    EXPECT_EQ(Opened<DocSource>(test::MakeWordDocument(encrypted), u"a.doc").status, OpenStatus::kNotReadable);
    auto word95 = layout;
    word95.nFib = 0x68;
    EXPECT_EQ(Opened<DocSource>(test::MakeWordDocument(word95), u"a.doc").status, OpenStatus::kNotReadable);

    auto streams = test::WordDocumentStreams(layout);
    streams.erase(streams.begin() + 1);  // no table stream
    EXPECT_EQ(Opened<DocSource>(test::MakeCompoundFile(streams), u"a.doc").status, OpenStatus::kNotReadable);
    EXPECT_EQ(Opened<DocSource>(Text("plain text renamed to .doc"), u"a.doc").status, OpenStatus::kNotReadable);

    // Bytes flipped all over the streams: never a crash; whatever opens decodes or fails cleanly.
    const Bytes good = test::MakeWordDocument(layout);
    for (std::size_t offset = 512; offset < good.size(); offset += 97) {
        Bytes damaged = good;
        damaged[offset] ^= 0xFF;
        Opened<DocSource> document(damaged, u"a.doc");
        for (std::size_t i = 0; i < document.List().size(); ++i) document.source.Decode(i);
        EXPECT_LE(document.List().size(), 1u) << "offset " << offset;
    }
}

// ---- Palm databases of other kinds

// An Image Viewer picture: header, then rows of packed pixels (optionally run-length packed).
Bytes ViewerDatabase(int width, int height, int type, const Bytes& rows, bool packed, std::size_t cut = 0) {
    Bytes record(58, 0);
    std::memcpy(record.data(), "Sunset", 6);
    record[32] = packed ? 1 : 0;
    record[33] = static_cast<std::uint8_t>(type);
    record[54] = static_cast<std::uint8_t>(width >> 8);
    record[55] = static_cast<std::uint8_t>(width);
    record[56] = static_cast<std::uint8_t>(height >> 8);
    record[57] = static_cast<std::uint8_t>(height);
    if (packed) {
        // One repeat run for the first half, literals for the rest.
        const std::size_t half = rows.size() / 2;
        record.push_back(static_cast<std::uint8_t>(0x7F + half));
        record.push_back(rows[0]);
        for (std::size_t i = half; i < rows.size(); i += 16) {
            const std::size_t count = std::min<std::size_t>(16, rows.size() - i);
            record.push_back(static_cast<std::uint8_t>(count - 1));
            record.insert(record.end(), rows.begin() + i, rows.begin() + i + count);
        }
    } else {
        record.insert(record.end(), rows.begin(), rows.end());
    }
    record.resize(record.size() - cut);
    return test::MakePalmDatabase("Sunset", "vIMG", "View", {record, Text("a note")});
}

TEST(PdbSource, ImageViewerPicturesInTheirGrays) {
    const struct {
        int type;
        int bits;
        bool packed;
    } cases[] = {{0xFF, 1, false}, {0x00, 2, false}, {0x00, 2, true}, {0x02, 4, true}, {0x02, 4, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits) + (c.packed ? " packed" : ""));
        constexpr int kWidth = 16;
        constexpr int kHeight = 3;
        const int rowBytes = kWidth * c.bits / 8;
        Bytes rows(std::size_t(rowBytes) * kHeight, 0);
        // The first half repeats one byte (so packing has a run), the rest counts upwards.
        const std::uint8_t fill = c.bits == 1 ? 0xA5 : c.bits == 2 ? 0x1B : 0x0F;
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = i < rows.size() / 2 ? fill : static_cast<std::uint8_t>(i * 37);
        Opened<PdbSource> picture(ViewerDatabase(kWidth, kHeight, c.type, rows, c.packed), u"sunset.pdb");
        ASSERT_EQ(picture.status, OpenStatus::kOpened);
        ASSERT_EQ(picture.List(), (std::vector<Listed>{{u"Sunset", kWidth, kHeight}}));
        const auto image = picture.source.Decode(0);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->type, PixelType::kGray8);
        const int levels = (1 << c.bits) - 1;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int perByte = 8 / c.bits;
                const int byte = rows[std::size_t(y) * rowBytes + x / perByte];
                const int value = (byte >> (8 - c.bits * (x % perByte + 1))) & levels;
                EXPECT_EQ(image->Row(y)[x], 255 - value * 255 / levels) << x << "," << y;
            }
        }
        EXPECT_TRUE(picture.decoder->handed.empty());
    }
}

TEST(PdbSource, DamagedImageViewerPicturesFailCleanly) {
    const Bytes rows(16 * 3 / 4, 0x1B);
    Bytes unknownType = ViewerDatabase(16, 3, 0x07, rows, false);
    EXPECT_EQ(Opened<PdbSource>(unknownType, u"a.pdb").status, OpenStatus::kNotReadable);
    // Packed data that ends early, and unpacked data that is too short: listed, but not decoded.
    for (bool packed : {true, false}) {
        Opened<PdbSource> cut(ViewerDatabase(16, 3, 0x00, rows, packed, 3), u"a.pdb");
        ASSERT_EQ(cut.status, OpenStatus::kOpened) << packed;
        EXPECT_FALSE(cut.source.Decode(0)) << packed;
    }
    Opened<PdbSource> zeroSize(ViewerDatabase(0, 3, 0x00, {}, false), u"a.pdb");
    EXPECT_EQ(zeroSize.status, OpenStatus::kNotReadable);
}

TEST(PdbSource, EReaderPicturesWithTheirNames) {
    const auto picture = [](const char* name, const Bytes& image) {
        Bytes record = Text("PNG ");
        Bytes field(32, 0);
        std::memcpy(field.data(), name, std::strlen(name));
        record.insert(record.end(), field.begin(), field.end());
        record.resize(62, 0);
        record.insert(record.end(), image.begin(), image.end());
        return record;
    };
    const Bytes file = test::MakePalmDatabase("Novel", "PNRd", "PPrs",
                                              {Text("header"), Text("text"), picture("cover.png", Png(6, 9)),
                                               picture("map.png", Gif(4, 4)), picture("cover.png", Png(1, 1))});
    Opened<PdbSource> book(file, u"novel.pdb");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    EXPECT_EQ(book.List(), (std::vector<Listed>{{u"cover", 6, 9}, {u"map", 4, 4}, {u"cover_2", 1, 1}}));
    book.source.Decode(1);
    ASSERT_EQ(book.decoder->handed.size(), 1u);
    EXPECT_EQ(book.decoder->handed[0], Gif(4, 4));
}

TEST(PdbSource, BooksWithImageRecordsAndBooksWithout) {
    const Bytes withPictures = test::MakePalmDatabase(
        "Doc", "TEXt", "REAd", {Text("header.."), Text("chapter one"), Png(2, 3), Text("chapter two"), Gif(3, 1)});
    Opened<PdbSource> book(withPictures, u"C:\\palm\\story.pdb");
    ASSERT_EQ(book.status, OpenStatus::kOpened);
    EXPECT_EQ(book.List(), (std::vector<Listed>{{u"story_1", 2, 3}, {u"story_2", 3, 1}}));

    const Bytes withoutPictures = test::MakePalmDatabase("Memo", "DATA", "memo", {Text("a"), Text("b")});
    Opened<PdbSource> memo(withoutPictures, u"memo.pdb");
    EXPECT_EQ(memo.status, OpenStatus::kOpened);
    EXPECT_TRUE(memo.List().empty());

    Opened<PdbSource> mobi(test::MakeMobi(BookWithCover()), u"book.pdb");
    ASSERT_EQ(mobi.status, OpenStatus::kOpened);
    EXPECT_EQ(mobi.List().size(), 4u);
    EXPECT_EQ(mobi.List()[0].name, u"cover");

    EXPECT_EQ(Opened<PdbSource>(Text("short"), u"x.pdb").status, OpenStatus::kNotReadable);
}

}  // namespace
}  // namespace pictrove::readers
