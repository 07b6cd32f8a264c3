// Where the readers say each picture is drawn: documents written by Ghostscript, img2pdf, qpdf,
// DjVuLibre, ImageMagick and zip (data/pages/make-page-samples.sh) against the sizes chosen there
// and pdfimages' resolutions, and PDF structures no writer makes on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <tuple>

#include "FormatSources.h"
#include "pdf/PdfContent.h"
#include "TestPdf.h"

#ifdef _WIN32
#include "ReaderTestSupport.h"
#include "contracts/StoredPictureContract.h"
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::readers {
namespace {

std::filesystem::path SampleFolder() {
#ifdef _WIN32
    return std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"pages";
#else
    return PICTROVE_PAGE_SAMPLES;
#endif
}

std::vector<std::uint8_t> ReadSample(const std::string& name) {
    std::ifstream stream(SampleFolder() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

std::unique_ptr<DocumentSource> OpenBytes(int format, std::vector<std::uint8_t> bytes) {
    auto source = MakeFormatSource(format, nullptr);
    OpenRequest request;
    request.bytes = std::move(bytes);
    request.path = u"sample";
    if (source->Open(std::move(request)) != OpenStatus::kOpened) return nullptr;
    return source;
}

struct Rect {
    int page;
    double x, y, width, height;
};

struct ExpectedImage {
    std::vector<int> pages;
    std::vector<Rect> placements;
};

struct Sample {
    const char* file;
    int format;
    int pageCount;
    std::vector<ExpectedImage> images;  // in listing order
};

constexpr int kTiff = 1, kDjvu = 2, kPdf = 3, kXps = 6, kComic = 7, kPcx = 11, kEpub = 13;

void ExpectPlaces(const DocumentSource& source, const std::vector<ExpectedImage>& images, const std::string& label) {
    ASSERT_EQ(source.Images().size(), images.size()) << label;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const ImagePlaces& places = source.Places(i);
        EXPECT_EQ(places.pages, images[i].pages) << label << " image " << i;
        ASSERT_EQ(places.placements.size(), images[i].placements.size()) << label << " image " << i;
        for (std::size_t n = 0; n < images[i].placements.size(); ++n) {
            const Placement& got = places.placements[n];
            const Rect& want = images[i].placements[n];
            EXPECT_EQ(got.page, want.page) << label << " image " << i << " drawing " << n;
            EXPECT_NEAR(got.x, want.x, 0.01) << label << " image " << i << " drawing " << n;
            EXPECT_NEAR(got.y, want.y, 0.01) << label << " image " << i << " drawing " << n;
            EXPECT_NEAR(got.width, want.width, 0.01) << label << " image " << i << " drawing " << n;
            EXPECT_NEAR(got.height, want.height, 0.01) << label << " image " << i << " drawing " << n;
        }
    }
}

TEST(PagePlacement, WrittenDocumentsGivePagesAndPlacesAsWritten) {
    const std::vector<Sample> samples = {
        {"ghostscript.pdf",
         kPdf,
         5,
         {{{1, 3}, {{1, 50, 200, 80, 40}, {3, 300, 40, 20, 10}}},
          {{2}, {{2, 160, 140, 40, 60}}},
          {{4, 5}, {{4, 100, 136, 64, 64}, {4, 10, 258, 32, 32}, {5, 0, 268, 32, 32}}}}},
        {"inline.pdf", kPdf, 2, {{{1}, {{1, 20, 54, 16, 16}}}, {{2}, {{2, 20, 54, 16, 16}}}}},
        {"img2pdf.pdf", kPdf, 2, {{{1}, {{1, 0, 0, 144, 96}}}, {{2}, {{2, 0, 0, 144, 288}}}}},
        {"fixed.xps", kXps, 2, {{{1, 2}, {{1, 6.75, 13.5, 36, 18}, {2, 30, 0, 36, 18}}}, {{2}, {{2, 0, 75, 36, 36}}}}},
        {"pages.djvu", kDjvu, 3, {{{1}, {}}, {{2}, {}}, {{3}, {}}}},
        {"pages.tif", kTiff, 3, {{{1}, {}}, {{2}, {}}, {{3}, {}}}},
        {"pages.dcx", kPcx, 2, {{{1}, {}}, {{2}, {}}}},
        {"comic.cbz", kComic, 3, {{{1}, {}}, {{2}, {}}, {{3}, {}}}},
        // The cover named by the metadata alone, a, b, and c that no chapter shows.
        {"book.epub", kEpub, 2, {{{}, {}}, {{1}, {}}, {{2}, {}}, {{}, {}}}},
    };
    for (const Sample& sample : samples) {
        const auto source = OpenBytes(sample.format, ReadSample(sample.file));
        ASSERT_NE(source, nullptr) << sample.file;
        EXPECT_EQ(source->PageCount(), sample.pageCount) << sample.file;
        ExpectPlaces(*source, sample.images, sample.file);
    }
}

// Every drawing pdfimages lists (page, pixels, resolution) is one of ours, and no more.
TEST(PagePlacement, PdfResolutionsAgreeWithPdfimages) {
    using Drawing = std::tuple<int, int, int, long, long>;
    std::map<std::string, std::vector<Drawing>> oracle;
    std::ifstream list(SampleFolder() / "pdfimages.txt");
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string file, type, colour, encoding, interpolate, object;
        int page = 0, number = 0, width = 0, height = 0, components = 0, bits = 0;
        long ppiX = 0, ppiY = 0;
        fields >> file >> page >> number >> type >> width >> height >> colour >> components >> bits >> encoding >>
            interpolate >> object;
        if (object != "[inline]") fields >> object;  // the generation number
        fields >> ppiX >> ppiY;
        ASSERT_TRUE(fields) << line;
        oracle[file].emplace_back(page, width, height, ppiX, ppiY);
    }
    ASSERT_EQ(oracle.size(), 3u);
    for (auto& [file, expected] : oracle) {
        const auto source = OpenBytes(kPdf, ReadSample(file));
        ASSERT_NE(source, nullptr) << file;
        std::vector<Drawing> ours;
        for (std::size_t i = 0; i < source->Images().size(); ++i) {
            const ImageEntry& image = source->Images()[i];
            for (const Placement& at : source->Places(i).placements) {
                ours.emplace_back(at.page, image.width, image.height, std::lround(at.ppiX), std::lround(at.ppiY));
            }
        }
        std::sort(ours.begin(), ours.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ours, expected) << file;
    }
}

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

// Hand-made: page trees that lie, forms that draw themselves, drawings off the page or flat.
TEST(PagePlacement, DamagedStructuresEndAndKeepDrawingsAsTheyAre) {
    struct Case {
        const char* label;
        std::string content;
        std::string extra;  // more keys of the one page (MediaBox [0 0 200 200])
        std::vector<ExpectedImage> images;
        std::vector<std::pair<double, double>> ppi;  // of the first image's drawings
    };
    const std::string kHuge = "1" + std::string(200, '0') + ".0";  // squared, beyond a double
    const std::vector<Case> cases = {
        {"off the page", "q 50 0 0 20 -30 190 cm /Im Do Q", "", {{{1}, {{1, -30, -10, 50, 20}}}}, {{14.4, 18}}},
        {"no width", "q 0 0 0 40 10 10 cm /Im Do Q", "", {{{1}, {{1, 10, 150, 0, 40}}}}, {{0, 9}}},
        {"all zero", "q 0 0 0 0 5 5 cm /Im Do Q", "", {{{1}, {{1, 5, 195, 0, 0}}}}, {{0, 0}}},
        {"mirrored", "q -20 0 0 -10 100 100 cm /Im Do Q", "", {{{1}, {{1, 80, 100, 20, 10}}}}, {{36, 36}}},
        {"beyond numbers",
         "q " + kHuge + " 0 0 " + kHuge + " 0 0 cm " + kHuge + " 0 0 " + kHuge + " 0 0 cm /Im Do Q",
         "",
         {{{1}, {}}},
         {}},
        {"crop box",
         "q 10 0 0 5 50 60 cm /Im Do Q",
         "/CropBox [40 40 140 140]",
         {{{1}, {{1, 10, 75, 10, 5}}}},
         {{72, 72}}},
        {"turned 90", "q 10 0 0 5 50 60 cm /Im Do Q", "/Rotate 90", {{{1}, {{1, 60, 50, 5, 10}}}}, {{72, 72}}},
        {"turned 180", "q 10 0 0 5 50 60 cm /Im Do Q", "/Rotate 180", {{{1}, {{1, 140, 60, 10, 5}}}}, {{72, 72}}},
        {"turned -90", "q 10 0 0 5 50 60 cm /Im Do Q", "/Rotate -90", {{{1}, {{1, 135, 140, 5, 10}}}}, {{72, 72}}},
        {"form in itself", "q 2 0 0 2 0 0 cm /Loop Do Q", "", {{{1}, {{1, 10, 180, 20, 20}}}}, {{36, 18}}},
        // The form (object 2) as an appearance: its box, moved by its matrix, fitted to the rectangle.
        {"annotation",
         "",
         "/Annots [<< /Subtype /Stamp /Rect [60 40 20 20] /AP << /N 2 0 R >> >>]",
         {{{1}, {{1, 20, 160, 40, 20}}}},
         {{18, 18}}},
        {"pattern tile", "/Pattern cs /Tile scn 0 0 100 100 re f", "", {{{1}, {}}}, {}},
    };
    for (const Case& test : cases) {
        test::PdfWriter writer;
        const int image = writer.AddStream(
            "<< /Type /XObject /Subtype /Image /Width 10 /Height 5 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
            test::Bytes(50, 0x80));
        // A form, moved 5 to the right, that draws the picture at 10 x 10 and then itself.
        const int loop = writer.Reserve();
        writer.SetStream(loop,
                         "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Matrix [1 0 0 1 5 0] /Resources << "
                         "/XObject << /Im " +
                             Ref(image) + " /Loop " + Ref(loop) + " >> >> >>",
                         test::Text("q 10 0 0 10 0 0 cm /Im Do Q /Loop Do"));
        const int tile = writer.AddStream(
            "<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 "
            "/YStep 10 /Resources << /XObject << /Im " +
                Ref(image) + " >> >> >>",
            test::Text("q 10 0 0 10 0 0 cm /Im Do Q"));
        const std::string resources = "<< /XObject << /Im " + Ref(image) + " /Loop " + Ref(loop) +
                                      " >> /Pattern << /Tile " + Ref(tile) + " >> >>";
        const int root = test::AddPages(writer, {{test.content, resources, test.extra}});
        const auto source = OpenBytes(kPdf, writer.Write(root));
        ASSERT_NE(source, nullptr) << test.label;
        ExpectPlaces(*source, test.images, test.label);
        const auto& placements = source->Places(0).placements;
        for (std::size_t n = 0; n < std::min(placements.size(), test.ppi.size()); ++n) {
            EXPECT_NEAR(placements[n].ppiX, test.ppi[n].first, 0.01) << test.label;
            EXPECT_NEAR(placements[n].ppiY, test.ppi[n].second, 0.01) << test.label;
        }
    }
}

// A page tree whose nodes list each other and a page listed twice: each page is read once, and
// a picture shared by the pages that share content is on each of them.
TEST(PagePlacement, PageTreeThatLiesEndsWithEachPageOnce) {
    test::PdfWriter writer;
    const int image = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        test::Bytes(4, 0));
    const int content = writer.AddStream("<< >>", test::Text("q 4 0 0 4 0 0 cm /Im Do Q"));
    const int catalog = writer.Reserve();
    const int tree = writer.Reserve();
    const int middle = writer.Reserve();
    const std::string page = "<< /Type /Page /MediaBox [0 0 100 100] /Contents " + Ref(content) +
                             " /Resources << /XObject << /Im " + Ref(image) + " >> >> >>";
    const int first = writer.Add(page);
    const int second = writer.Add(page);
    writer.Set(middle, "<< /Type /Pages /Kids [" + Ref(second) + " " + Ref(tree) + " " + Ref(first) + "] >>");
    writer.Set(tree, "<< /Type /Pages /Kids [" + Ref(first) + " " + Ref(middle) + " " + Ref(middle) + "] >>");
    writer.Set(catalog, "<< /Type /Catalog /Pages " + Ref(tree) + " >>");
    const auto source = OpenBytes(kPdf, writer.Write(catalog));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->PageCount(), 2);
    ExpectPlaces(*source, {{{1, 2}, {{1, 0, 96, 4, 4}, {2, 0, 96, 4, 4}}}}, "lying tree");
}

// Forms that each draw the one below ten times, eight deep: a hundred million drawings if all
// were kept. Opening ends, with the picture on its page (its drawings spent inside the forms).
TEST(PagePlacement, FormsDrawingFormsStopAtTheBudget) {
    test::PdfWriter writer;
    int below = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        test::Bytes(1, 0));
    std::string draws;
    for (int i = 0; i < 10; ++i) draws += "q 1 0 0 1 " + std::to_string(i) + " 0 cm /X Do Q ";
    for (int level = 0; level < 8; ++level) {
        below = writer.AddStream("<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /X " +
                                     Ref(below) + " >> >> >>",
                                 test::Text(draws));
    }
    const int root = test::AddPages(writer, {{"/X Do", "<< /XObject << /X " + Ref(below) + " >> >>", ""}});
    const auto source = OpenBytes(kPdf, writer.Write(root));
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(source->Images().size(), 1u);
    EXPECT_EQ(source->Places(0).pages, std::vector<int>{1});
    EXPECT_LE(source->Places(0).placements.size(), pdf::kMaxDrawings);
}

#ifdef _WIN32
// The same places through the collection's private interface, as the application asks for them.
TEST(PagePlacement, PlacesThroughTheCollection) {
    using test::readers::Query;
    const auto collection = test::readers::OpenCollection(kPdf, (SampleFolder() / "ghostscript.pdf").wstring());
    ASSERT_TRUE(collection);
    Microsoft::WRL::ComPtr<PicturePlaces> places;
    ASSERT_EQ(Query(collection.Get(), kIidPicturePlaces, places), S_OK);
    int count = 0xdeadbeef;
    EXPECT_EQ(places->GetPageCount(&count), S_OK);
    EXPECT_EQ(count, 5);

    int pages[3] = {-1, -1, -1};
    EXPECT_EQ(places->GetImagePages(2, pages, 3, &count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::vector<int>(pages, pages + 3), (std::vector<int>{4, 5, -1}));
    pages[0] = -1;
    EXPECT_EQ(places->GetImagePages(2, pages, 1, &count), S_FALSE) << "too small a block";
    EXPECT_EQ(count, 2);
    EXPECT_EQ(pages[0], 4);
    EXPECT_EQ(places->GetImagePages(2, nullptr, 0, &count), S_FALSE);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(places->GetImagePages(3, pages, 3, &count), E_INVALIDARG);
    EXPECT_EQ(count, 0);

    EXPECT_EQ(places->GetPlacementCount(0, &count), S_OK);
    EXPECT_EQ(count, 2);
    PicturePlacement placement{};
    ASSERT_EQ(places->GetPlacement(0, 1, &placement), S_OK);
    EXPECT_EQ(placement.page, 3);
    EXPECT_NEAR(placement.x, 300, 0.01);
    EXPECT_NEAR(placement.y, 40, 0.01);
    EXPECT_NEAR(placement.width, 20, 0.01);
    EXPECT_NEAR(placement.height, 10, 0.01);
    EXPECT_NEAR(placement.ppiX, 144, 0.01);
    EXPECT_NEAR(placement.ppiY, 144, 0.01);
    placement.page = 99;
    EXPECT_EQ(places->GetPlacement(0, 2, &placement), E_INVALIDARG);
    EXPECT_EQ(placement.page, 0);
    EXPECT_EQ(places->GetPlacement(-1, 0, &placement), E_INVALIDARG);
    EXPECT_EQ(places->GetPlacementCount(0, nullptr), E_POINTER);
}
#endif

}  // namespace
}  // namespace pictrove::readers
