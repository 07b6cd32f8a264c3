// Pictures of office documents written by LibreOffice, python3-docx and openpyxl: each document
// lists the pictures it was made with, in document, slide or sheet order, each once, whatever
// its name says it is; the listed bytes are the embedded files themselves and decode to their
// pixels. Hand-made packages cover what those writers do not produce (SVG originals, charts,
// masters listed before slides).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FormatSources.h"
#include "office/OfficeSource.h"
#include "pictures/PortablePayloadDecoder.h"
#include "TestDocuments.h"
#include "TestImageFiles.h"

#ifdef _WIN32
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::MakePng;
using test::MakeZip;
using test::ToBytes;

std::vector<std::uint8_t> ReadOffice(const std::string& name) {
#ifdef _WIN32
    const auto folder = std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"office";
#else
    const auto folder = std::filesystem::path(PICTROVE_READER_DATA) / "office";
#endif
    std::ifstream stream(folder / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

// One listed picture: the file it was made from (its bytes must come back as stored), or, for
// the bitmap LibreOffice draws in place of an SVG, only its size.
struct Expected {
    const char* source;  // nullptr: the SVG's bitmap stand-in, 13 x 10
    int width;
    int height;
};

constexpr Expected kRed{"red.png", 8, 6};
constexpr Expected kPhoto{"photo.jpg", 16, 12};
constexpr Expected kBlue{"blue.png", 10, 4};
constexpr Expected kGreen{"green.png", 6, 6};
constexpr Expected kSvgStandIn{nullptr, 13, 10};
constexpr Expected kShape{"shape.emf", 202, 106};

struct DocumentCase {
    const char* file;
    std::vector<Expected> pictures;
};

const DocumentCase kDocuments[] = {
    // Red used twice is listed once; the SVG gives its bitmap; the metafile is listed as drawn.
    {"text.docx", {kRed, kPhoto, kSvgStandIn, kShape, kBlue}},
    {"text.odt", {kRed, kPhoto, kSvgStandIn, kShape, kBlue}},
    {"docx-named.odt", {kRed, kPhoto, kSvgStandIn, kShape, kBlue}},
    {"odt-named.docx", {kRed, kPhoto, kSvgStandIn, kShape, kBlue}},
    {"slides.pptx", {kBlue, kPhoto, kGreen, kRed}},
    {"slides.odp", {kBlue, kPhoto, kGreen, kRed}},
    {"sheets.xlsx", {kGreen, kPhoto, kRed}},
    {"sheets.ods", {kGreen, kPhoto, kRed}},
    {"drawing.odg", {kRed, kBlue}},
    // The header's picture follows the body's: the section names its header at its end.
    {"written.docx", {kPhoto, kBlue, kGreen}},
    {"written.xlsx", {kRed, kBlue, kGreen}},
    // 97-2003 files: the picture store's order, here the order the pictures were added in.
    {"slides.ppt", {kBlue, kPhoto, kGreen, kRed}},
    {"sheets.xls", {kGreen, kPhoto, kRed}},
};

TEST(OfficeDocumentTest, WritersDocumentsListTheirPicturesInOrder) {
    const auto decoder = std::make_shared<PortablePayloadDecoder>(nullptr);
    for (const DocumentCase& document : kDocuments) {
        OfficeSource source(decoder);
        ASSERT_EQ(source.Open({ReadOffice(document.file), u"doc", u""}), OpenStatus::kOpened) << document.file;
        ASSERT_EQ(source.Images().size(), document.pictures.size()) << document.file;
        for (std::size_t i = 0; i < document.pictures.size(); ++i) {
            const Expected& expected = document.pictures[i];
            const std::string label = std::string(document.file) + " #" + std::to_string(i);
            EXPECT_EQ(source.Images()[i].width, expected.width) << label;
            EXPECT_EQ(source.Images()[i].height, expected.height) << label;
            if (expected.source == nullptr) continue;
            const auto original = ReadOffice(expected.source);
            EXPECT_EQ(source.StoredBytes(i), original) << label;
            if (expected.source == kShape.source) continue;  // drawn only where the platform draws
            const auto decoded = source.Decode(i);
            const auto reference = decoder->Decode(original);
            ASSERT_TRUE(decoded && reference) << label;
            EXPECT_EQ(decoded->bytes, reference->bytes) << label;
        }
    }
}

// Both classes that read compound files tell Word, PowerPoint and Excel apart by their streams.
TEST(OfficeDocumentTest, CompoundFilesAreToldByTheirStreams) {
    const std::pair<const char*, std::size_t> files[] = {{"slides.ppt", 4}, {"sheets.xls", 3}};
    for (const int format : {14, 17}) {
        for (const auto& [file, count] : files) {
            const auto source = MakeFormatSource(format, nullptr);
            ASSERT_TRUE(source);
            ASSERT_EQ(source->Open({ReadOffice(file), u"book", u""}), OpenStatus::kOpened) << format << file;
            EXPECT_EQ(source->Images().size(), count) << format << file;
            EXPECT_EQ(source->Images()[0].name, u"book_1") << format << file;
        }
    }
}

// Package media are named by their file; a flat file's pictures by their frames.
TEST(OfficeDocumentTest, NamesComeFromMediaFilesOrFrames) {
    const std::pair<const char*, std::vector<std::u16string>> cases[] = {
        {"text.docx", {u"image1", u"image2", u"image3", u"image4", u"image5"}},
        {"text.fodt", {u"Red", u"Photo", u"Mark", u"Shape", u"Blue"}},
    };
    for (const auto& [file, names] : cases) {
        OfficeSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
        ASSERT_EQ(source.Open({ReadOffice(file), u"doc", u""}), OpenStatus::kOpened) << file;
        ASSERT_EQ(source.Images().size(), names.size()) << file;
        for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(source.Images()[i].name, names[i]) << file << i;
    }
}

// The flat text keeps the SVG itself (no stand-in): listed without a size, refused alone.
TEST(OfficeDocumentTest, FlatTextListsItsSvgUndecoded) {
    OfficeSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
    ASSERT_EQ(source.Open({ReadOffice("text.fodt"), u"text.fodt", u""}), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 5u);
    EXPECT_EQ(source.StoredBytes(0), ReadOffice("red.png"));
    EXPECT_EQ(source.Images()[2].width, 0);
    EXPECT_TRUE(source.Stored(2).undecodable);
    EXPECT_FALSE(source.Decode(2));
    EXPECT_TRUE(source.Decode(4));
}

Bytes Png(int width) {
    return MakePng(width, 1, test::PngColour::kGray, Bytes(static_cast<std::size_t>(width), 0x80));
}

std::string Rels(const std::vector<std::pair<std::string, std::string>>& rels) {
    std::string text = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto& [id, typeAndTarget] : rels) {
        const auto space = typeAndTarget.find(' ');
        text += "<Relationship Id=\"" + id +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/" +
                typeAndTarget.substr(0, space) + "\" Target=\"" + typeAndTarget.substr(space + 1) + "\"/>";
    }
    return text + "</Relationships>";
}

constexpr const char* kRelNs = "xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A presentation naming its master before its slides, the second slide first (which links to
// the other); a picture with an SVG original; a chart holding a picture of its own; a picture
// used twice.
TEST(OfficeDocumentTest, RelationshipsLeadToEachPictureOnceInOrder) {
    const std::string presentation =
        std::string("<p:presentation ") + kRelNs +
        "><p:sldMasterIdLst><p:sldMasterId id=\"1\" rel:id=\"rM\"/></p:sldMasterIdLst>"
        "<p:sldIdLst><p:sldId id=\"256\" rel:id=\"rB\"/><p:sldId id=\"257\" rel:id=\"rA\"/>"
        "</p:sldIdLst></p:presentation>";
    const std::string slideA = std::string("<p:sld ") + kRelNs +
                               "><a:blip rel:embed=\"r1\"><a:extLst><a:ext><asvg:svgBlip rel:embed=\"r2\"/></a:ext>"
                               "</a:extLst></a:blip><c:chart rel:id=\"r3\"/><a:blip rel:embed=\"r4\"/>"
                               "<a:hlinkClick rel:id=\"r5\"/></p:sld>";
    const std::string slideB =
        std::string("<p:sld ") + kRelNs + "><a:hlinkClick rel:id=\"r2\"/><a:blip rel:embed=\"r1\"/></p:sld>";
    const std::string chart = std::string("<c:chartSpace ") + kRelNs + "><a:blip rel:embed=\"r1\"/></c:chartSpace>";
    const std::string master = std::string("<p:sldMaster ") + kRelNs + "><a:blip rel:embed=\"r1\"/></p:sldMaster>";
    const Bytes package = MakeZip({
        {"[Content_Types].xml", ToBytes("<Types/>")},
        {"_rels/.rels", ToBytes(Rels({{"rId1", "officeDocument ppt/presentation.xml"}}))},
        {"ppt/presentation.xml", ToBytes(presentation)},
        {"ppt/_rels/presentation.xml.rels",
         ToBytes(Rels(
             {{"rM", "slideMaster slideMasters/m.xml"}, {"rA", "slide slides/a.xml"}, {"rB", "slide slides/b.xml"}}))},
        {"ppt/slides/a.xml", ToBytes(slideA)},
        {"ppt/slides/_rels/a.xml.rels", ToBytes(Rels({{"r1", "image ../media/bitmap.png"},
                                                      {"r2", "image ../media/original.svg"},
                                                      {"r3", "chart ../charts/c.xml"},
                                                      {"r4", "image /ppt/media/first.png"},
                                                      {"r5", "hyperlink ../slides/b.xml"}}))},
        {"ppt/slides/b.xml", ToBytes(slideB)},
        {"ppt/slides/_rels/b.xml.rels", ToBytes(Rels({{"r1", "image ../media/first.png"}, {"r2", "slide a.xml"}}))},
        {"ppt/charts/c.xml", ToBytes(chart)},
        {"ppt/charts/_rels/c.xml.rels", ToBytes(Rels({{"r1", "image ../media/in%20chart.png"}}))},
        {"ppt/slideMasters/m.xml", ToBytes(master)},
        {"ppt/slideMasters/_rels/m.xml.rels", ToBytes(Rels({{"r1", "image ../media/logo.png"}}))},
        {"ppt/media/first.png", Png(1)},
        {"ppt/media/bitmap.png", Png(2)},
        {"ppt/media/original.svg", ToBytes("<svg xmlns=\"http://www.w3.org/2000/svg\"/>")},
        {"ppt/media/in chart.png", Png(3)},
        {"ppt/media/logo.png", Png(4)},
    });
    OfficeSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
    ASSERT_EQ(source.Open({package, u"deck.pptx", u""}), OpenStatus::kOpened);
    const std::vector<std::pair<std::u16string, int>> expected = {
        {u"first", 1}, {u"bitmap", 2}, {u"in chart", 3}, {u"logo", 4}};
    ASSERT_EQ(source.Images().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(source.Images()[i].name, expected[i].first) << i;
        EXPECT_EQ(source.Images()[i].width, expected[i].second) << i;
    }
}

// An embedded object's stand-in bitmap is no picture; a frame's StarView original, which
// nothing here reads, yields to its bitmap; the styles' fill images follow the content's.
TEST(OfficeDocumentTest, OpenDocumentFramesGiveOnePictureAndObjectsNone) {
    const std::string frames =
        "<office:document-content><office:body><office:text>"
        "<draw:frame draw:name=\"Chart\"><draw:object xlink:href=\"./Object 1\"/>"
        "<draw:image xlink:href=\"./ObjectReplacements/Object 1\"/></draw:frame>"
        "<draw:frame draw:name=\"Drawing\"><draw:image xlink:href=\"Pictures/drawing.svm\"/>"
        "<draw:image xlink:href=\"Pictures/drawing.png\"/></draw:frame>"
        "<draw:frame><draw:image xlink:href=\"./Pictures/drawing.png\"/></draw:frame>"
        "<draw:image xlink:href=\"ObjectReplacements/Object 1\"/>"
        "</office:text></office:body></office:document-content>";
    const Bytes package = MakeZip({
        {"mimetype", ToBytes("application/vnd.oasis.opendocument.text"), false},
        {"content.xml", ToBytes(frames)},
        {"styles.xml", ToBytes("<office:document-styles><draw:fill-image draw:name=\"Fill\" "
                               "xlink:href=\"Pictures/fill.png\"/></office:document-styles>")},
        {"Object 1/content.xml", ToBytes("<office:document-content/>")},
        {"ObjectReplacements/Object 1", Png(9)},
        {"Pictures/drawing.svm", ToBytes("VCLMTF stand-in bytes")},
        {"Pictures/drawing.png", Png(2)},
        {"Pictures/fill.png", Png(3)},
    });
    OfficeSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
    ASSERT_EQ(source.Open({package, u"text.odt", u""}), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 2u);
    EXPECT_EQ(source.Images()[0].name, u"drawing");
    EXPECT_EQ(source.Images()[0].width, 2);
    EXPECT_EQ(source.Images()[1].name, u"fill");
    EXPECT_EQ(source.Images()[1].width, 3);
}

// What the content is decides, whatever the name: neither package kind nor a flat file, a zip
// of pictures reads as a comic; text is refused.
TEST(OfficeDocumentTest, OtherContentGoesToItsOwnReader) {
    const Bytes comic = MakeZip({{"page2.png", Png(2)}, {"page10.png", Png(10)}});
    OfficeSource source(std::make_shared<PortablePayloadDecoder>(nullptr));
    ASSERT_EQ(source.Open({comic, u"renamed.docx", u""}), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 2u);
    EXPECT_EQ(source.Images()[1].width, 10);
    EXPECT_EQ(source.Open({ToBytes("<html><body/></html>"), u"page.odt", u""}), OpenStatus::kNotReadable);
    EXPECT_TRUE(source.Images().empty());
}

}  // namespace
}  // namespace pictrove::readers
