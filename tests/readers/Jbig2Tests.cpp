// The JBIG2 decoder through whole streams written by the tests' encoders: generic regions of
// every template, MMR, typical prediction, page composition and striping, both file
// organisations, refinement, symbol dictionaries and text regions (arithmetic and Huffman),
// halftones, custom Huffman tables, and the file reader's pages and names.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "jbig2/Jbig2Source.h"
#include "Jbig2TestStreams.h"
#include "jbig2/Jbig2Document.h"
#include "jbig2/Jbig2Huffman.h"

namespace pictrove::readers {
namespace {

using test::GenericEncoding;
using test::Jbig2Bytes;
using test::TestBitmap;
using test::TestSegment;

constexpr int kPageInfo = 48;
constexpr int kEndOfPage = 49;
constexpr int kEndOfStripe = 50;
constexpr int kImmediateGeneric = 38;

TestBitmap RandomBitmap(int width, int height, unsigned seed, double ones = 0.3) {
    std::mt19937 random(seed);
    std::bernoulli_distribution bit(ones);
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    for (int i = 0; i < width * height; ++i) bitmap.pixels.push_back(bit(random) ? 1 : 0);
    return bitmap;
}

// Text-like content: horizontal bands that repeat rows, so typical prediction has work to do.
TestBitmap BandedBitmap(int width, int height) {
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool band = (y / 5) % 3 == 1;
            bitmap.pixels.push_back(band && (x * 7 + y) % 11 < 4 ? 1 : 0);
        }
    }
    return bitmap;
}

void ExpectPixels(const jbig2::Bitmap& decoded, const TestBitmap& expected, int atX, int atY, const std::string& what) {
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            ASSERT_EQ(decoded.Get(atX + x, atY + y), expected.Get(x, y)) << what << " at " << x << "," << y;
        }
    }
}

std::optional<jbig2::Bitmap> DecodeEmbedded(const Jbig2Bytes& stream, const Jbig2Bytes& globals = {}) {
    jbig2::Jbig2Document document;
    if (!document.ParseEmbedded(globals, stream)) return std::nullopt;
    return document.DecodePage(0);
}

TEST(Jbig2Generic, EveryTemplateWithAndWithoutTypicalPredictionAndMovedPixels) {
    const TestBitmap random = RandomBitmap(61, 23, 5);
    const TestBitmap banded = BandedBitmap(70, 40);
    for (int templ = 0; templ < 4; ++templ) {
        for (int variant = 0; variant < 3; ++variant) {
            GenericEncoding encoding;
            encoding.templ = templ;
            encoding.typicalPrediction = variant == 1;
            encoding.at = templ == 0 ? std::array<int, 8>{3, -1, -3, -1, 2, -2, -2, -2}
                                     : std::array<int, 8>{templ == 1 ? 3 : 2, -1, 0, 0, 0, 0, 0, 0};
            if (variant == 2) encoding.at = {-5, -3, 4, -2, 1, -4, -7, 0};  // far from their usual places
            const TestBitmap& bitmap = variant == 1 ? banded : random;
            const Jbig2Bytes stream = test::Sequential({
                {0, kPageInfo, 1, {}, test::PageInfo(80, 50)},
                {1, kImmediateGeneric, 1, {}, test::GenericRegion(bitmap, 3, 2, encoding)},
                {2, kEndOfPage, 1, {}, {}},
            });
            const std::string what = "template " + std::to_string(templ) + " variant " + std::to_string(variant);
            auto page = DecodeEmbedded(stream);
            ASSERT_TRUE(page) << what;
            EXPECT_EQ(page->width, 80);
            EXPECT_EQ(page->height, 50);
            ExpectPixels(*page, bitmap, 3, 2, what);
            EXPECT_EQ(page->Get(0, 0), 0) << what;
            EXPECT_EQ(page->Get(79, 49), 0) << what;
        }
    }
}

TEST(Jbig2Generic, MmrRegionThroughTheFaxDecoder) {
    // The Group 4 picture of the CCITT tests (23 x 6), as an MMR generic region.
    const Jbig2Bytes g4 = {0x26, 0xa8, 0xda, 0x36, 0x8d, 0xa0, 0x41, 0x6f, 0xff, 0x40, 0x81, 0x7f, 0xf6, 0x17,
                           0xfe, 0x22, 0x22, 0x21, 0xca, 0xb2, 0xac, 0xab, 0x2a, 0xc2, 0x80, 0x08, 0x00, 0x80};
    const TestBitmap expected =
        TestBitmap::FromRows({"10000100001000010000100", "11000100001000010000100", "10100100001000010000100",
                              "10010100001000010000100", "11111111111111111111111", "10000100001000010000100"});
    Jbig2Bytes region = test::RegionInfo(23, 6, 1, 1);
    region.push_back(1);  // MMR
    region.insert(region.end(), g4.begin(), g4.end());
    auto page = DecodeEmbedded(
        test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(25, 8)}, {1, kImmediateGeneric, 1, {}, region}}));
    ASSERT_TRUE(page);
    ExpectPixels(*page, expected, 1, 1, "mmr");
}

TEST(Jbig2Page, CombinationOperatorsDefaultPixelAndUnknownLength) {
    const TestBitmap square = TestBitmap::FromRows({"1110", "1110"});
    const TestBitmap bar = TestBitmap::FromRows({"1001", "1001"});
    GenericEncoding encoding;
    // The bar lies over columns 1..4: page pixels 1 1 0 0 meet bar pixels 1 0 0 1.
    const std::vector<std::vector<int>> expected = {
        {1, 1, 0, 1},  // or
        {1, 0, 0, 0},  // and
        {0, 1, 0, 1},  // xor
        {1, 0, 1, 0},  // xnor
        {1, 0, 0, 1},  // replace
    };
    for (int op = 0; op < 5; ++op) {
        TestSegment barSegment{2, kImmediateGeneric, 1, {}, test::GenericRegion(bar, 1, 0, encoding, op)};
        barSegment.unknownLength = op % 2 == 0;  // its end found from the marker and the row count
        if (barSegment.unknownLength) test::PutU32(barSegment.data, 2);
        const Jbig2Bytes stream =
            test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(8, 3)},
                              {1, kImmediateGeneric, 1, {}, test::GenericRegion(square, 0, 0, encoding)},
                              barSegment,
                              {3, kEndOfPage, 1, {}, {}}});
        auto page = DecodeEmbedded(stream);
        ASSERT_TRUE(page) << "op " << op;
        for (int x = 1; x <= 4; ++x) {
            EXPECT_EQ(page->Get(x, 1), expected[static_cast<std::size_t>(op)][static_cast<std::size_t>(x - 1)])
                << "op " << op << " column " << x;
        }
        EXPECT_EQ(page->Get(1, 2), 0) << "op " << op;  // below both regions
    }
    // A page black by default, and white drawn onto it by replacing.
    const Jbig2Bytes stream =
        test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(8, 3, 1)},
                          {1, kImmediateGeneric, 1, {}, test::GenericRegion(bar, 2, 0, encoding, 4)}});
    auto page = DecodeEmbedded(stream);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Get(0, 0), 1);
    EXPECT_EQ(page->Get(2, 0), 1);
    EXPECT_EQ(page->Get(3, 0), 0);
    EXPECT_EQ(page->Get(7, 2), 1);
}

TEST(Jbig2Page, StripedPageOfUnknownHeightGrowsWithEachStripe) {
    const TestBitmap top = RandomBitmap(16, 8, 11);
    const TestBitmap bottom = RandomBitmap(16, 6, 12);
    GenericEncoding encoding;
    Jbig2Bytes firstEnd;
    test::PutU32(firstEnd, 7);
    Jbig2Bytes secondEnd;
    test::PutU32(secondEnd, 13);
    const std::vector<TestSegment> segments = {
        {0, kPageInfo, 1, {}, test::PageInfo(16, 0xFFFFFFFF, 0, true, 8)},
        {1, kImmediateGeneric, 1, {}, test::GenericRegion(top, 0, 0, encoding)},
        {2, kEndOfStripe, 1, {}, firstEnd},
        {3, kImmediateGeneric, 1, {}, test::GenericRegion(bottom, 0, 8, encoding)},
        {4, kEndOfStripe, 1, {}, secondEnd},
        {5, kEndOfPage, 1, {}, {}},
    };
    const Jbig2Bytes stream = test::Sequential(segments);  // the document keeps views into it
    jbig2::Jbig2Document document;
    ASSERT_TRUE(document.ParseEmbedded({}, stream));
    ASSERT_EQ(document.Pages().size(), 1u);
    EXPECT_EQ(document.Pages()[0].height, 14);
    auto page = document.DecodePage(0);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->height, 14);
    ExpectPixels(*page, top, 0, 0, "top stripe");
    ExpectPixels(*page, bottom, 0, 8, "bottom stripe");
}

// Two pages, each a generic region; page 2 also uses a global segment (a table, harmless).
std::vector<TestSegment> TwoPages(const TestBitmap& first, const TestBitmap& second) {
    GenericEncoding encoding;
    return {
        {0, kPageInfo, 1, {}, test::PageInfo(20, 10)},
        {1, kImmediateGeneric, 1, {}, test::GenericRegion(first, 0, 0, encoding)},
        {2, kEndOfPage, 1, {}, {}},
        {3, kPageInfo, 2, {}, test::PageInfo(30, 12)},
        {4, kImmediateGeneric, 2, {}, test::GenericRegion(second, 5, 1, encoding)},
        {5, kEndOfPage, 2, {}, {}},
        {6, 51, 0, {}, {}},
    };
}

TEST(Jbig2File, SequentialAndRandomAccessFilesGiveTheSamePages) {
    const TestBitmap first = RandomBitmap(20, 10, 21);
    const TestBitmap second = RandomBitmap(18, 9, 22);
    for (bool sequential : {true, false}) {
        for (int pages : {2, -1}) {
            Jbig2Source source;
            OpenRequest request;
            request.bytes = test::Jbig2File(TwoPages(first, second), sequential, pages);
            request.path = u"scan.jb2";
            const std::string what =
                std::string(sequential ? "sequential" : "random access") + (pages < 0 ? ", page count unknown" : "");
            ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened) << what;
            ASSERT_EQ(source.Images().size(), 2u) << what;
            EXPECT_EQ(source.Images()[0].name, u"Page1") << what;
            EXPECT_EQ(source.Images()[1].name, u"Page2") << what;
            EXPECT_EQ(source.Images()[1].width, 30) << what;
            EXPECT_EQ(source.Images()[1].height, 12) << what;
            auto image = source.Decode(1);
            ASSERT_TRUE(image) << what;
            EXPECT_EQ(image->type, PixelType::kGray8);
            for (int y = 0; y < second.height; ++y) {
                for (int x = 0; x < second.width; ++x) {
                    ASSERT_EQ(image->Row(y + 1)[x + 5], second.Get(x, y) ? 0 : 255) << what << " " << x << "," << y;
                }
            }
            auto firstImage = source.Decode(0);
            ASSERT_TRUE(firstImage) << what;
            EXPECT_EQ(firstImage->Row(0)[0], first.Get(0, 0) ? 0 : 255) << what;
        }
    }
}

TEST(Jbig2File, NamesArePaddedToThePageCountAndDamageStaysWithItsPage) {
    std::vector<TestSegment> segments;
    GenericEncoding encoding;
    const TestBitmap dot = TestBitmap::FromRows({"1"});
    std::uint32_t number = 0;
    for (std::uint32_t page = 1; page <= 10; ++page) {
        segments.push_back({number++, kPageInfo, page, {}, test::PageInfo(4, 4)});
        Jbig2Bytes region = test::GenericRegion(dot, static_cast<int>(page % 4), 0, encoding);
        if (page == 3) region.resize(10);  // cut inside its region information
        segments.push_back({number++, kImmediateGeneric, page, {}, region});
        segments.push_back({number++, kEndOfPage, page, {}, {}});
    }
    Jbig2Source source;
    OpenRequest request;
    request.bytes = test::Jbig2File(segments, true, 10);
    ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 10u);
    EXPECT_EQ(source.Images()[0].name, u"Page01");
    EXPECT_EQ(source.Images()[9].name, u"Page10");
    auto damaged = source.Decode(2);
    ASSERT_TRUE(damaged);  // the page without its region: white
    EXPECT_EQ(damaged->Row(0)[3], 255);
    auto fourth = source.Decode(3);
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->Row(0)[0], 0);
    EXPECT_FALSE(source.Decode(10));

    // Not a JBIG2 file, or a header with nothing after it.
    Jbig2Source other;
    OpenRequest garbage;
    garbage.bytes = {'%', 'P', 'D', 'F'};
    EXPECT_EQ(other.Open(std::move(garbage)), OpenStatus::kNotReadable);
    OpenRequest headerOnly;
    headerOnly.bytes = test::Jbig2File({}, true, 1);
    EXPECT_EQ(other.Open(std::move(headerOnly)), OpenStatus::kNotReadable);
}

TEST(Jbig2Page, OversizedPagesAndRegionsAreRefusedBeforeAllocating) {
    GenericEncoding encoding;
    const TestBitmap dot = TestBitmap::FromRows({"1"});
    // A page far beyond the limits: listed, but it gives no pixels.
    auto huge = DecodeEmbedded(test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(60000, 60000)}}));
    EXPECT_FALSE(huge);
    // A region that claims a vast size on a small page is skipped; the page survives.
    Jbig2Bytes region = test::GenericRegion(dot, 0, 0, encoding);
    region[0] = 0x7F;  // width 0x7F000001
    auto page = DecodeEmbedded(
        test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(4, 4)}, {1, kImmediateGeneric, 1, {}, region}}));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Get(0, 0), 0);
}

TEST(Jbig2Refinement, IntermediateRegionsAndThePageRefinedWithEitherTemplate) {
    const TestBitmap rough = RandomBitmap(12, 9, 31, 0.4);
    TestBitmap fine = rough;
    for (int i = 0; i < 12; ++i) fine.pixels[static_cast<std::size_t>(i * 9)] ^= 1;  // a few pixels changed
    GenericEncoding encoding;
    for (int templ = 0; templ < 2; ++templ) {
        for (bool typical : {false, true}) {
            for (bool ofPage : {false, true}) {
                const std::string what = "template " + std::to_string(templ) + (typical ? " typical" : "") +
                                         (ofPage ? " of the page" : " of a region");
                test::RefinementEncoding refinement;
                refinement.templ = templ;
                refinement.typicalPrediction = typical;
                refinement.at = {-1, -2, 1, 1};  // moved adaptive pixels (template 0 only)
                // Onto the page, a refinement of the page replaces what it refined; one of a
                // region is ORed like any region.
                Jbig2Bytes data = test::RegionInfo(12, 9, 2, 1, ofPage ? 4 : 0);
                data.push_back(static_cast<std::uint8_t>(templ | (typical ? 2 : 0)));
                if (templ == 0) {
                    for (int v : refinement.at) data.push_back(static_cast<std::uint8_t>(v));
                }
                test::MqEncoder mq;
                std::vector<std::uint8_t> contexts;
                test::EncodeRefinement(mq, contexts, fine, rough, refinement);
                const auto coded = mq.Finish();
                data.insert(data.end(), coded.begin(), coded.end());
                // Of a region: an intermediate generic region (36), refined onto the page (42).
                // Of the page: the rough bitmap drawn first, then refined in place.
                const int roughType = ofPage ? kImmediateGeneric : 36;
                auto page = DecodeEmbedded(test::Sequential({
                    {0, kPageInfo, 1, {}, test::PageInfo(16, 12)},
                    {1, roughType, 1, {}, test::GenericRegion(rough, 2, 1, encoding)},
                    {2, 42, 1, ofPage ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>{1}, data},
                }));
                ASSERT_TRUE(page) << what;
                ExpectPixels(*page, fine, 2, 1, what);
                EXPECT_EQ(page->Get(0, 0), 0) << what;
            }
        }
    }
    // The page refined with OR keeps the pixels the refinement cleared.
    Jbig2Bytes data = test::RegionInfo(12, 9, 2, 1, 0);
    data.push_back(0x00);
    for (int v : {-1, -1, -1, -1}) data.push_back(static_cast<std::uint8_t>(v));
    test::MqEncoder mq;
    std::vector<std::uint8_t> contexts;
    test::EncodeRefinement(mq, contexts, fine, rough, {});
    const auto coded = mq.Finish();
    data.insert(data.end(), coded.begin(), coded.end());
    auto page =
        DecodeEmbedded(test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(16, 12)},
                                         {1, kImmediateGeneric, 1, {}, test::GenericRegion(rough, 2, 1, encoding)},
                                         {2, 42, 1, {}, data}}));
    ASSERT_TRUE(page);
    TestBitmap both = fine;
    for (std::size_t i = 0; i < both.pixels.size(); ++i) both.pixels[i] |= rough.pixels[i];
    ExpectPixels(*page, both, 2, 1, "the page refined with OR");
}

TEST(Jbig2Halftone, PatternsDrawnFromGrayCodedPlanes) {
    // Four 2 x 2 patterns; a 3 x 2 grid of gray values on a 2-pixel step.
    const std::vector<TestBitmap> patterns = {TestBitmap::FromRows({"00", "00"}), TestBitmap::FromRows({"10", "00"}),
                                              TestBitmap::FromRows({"10", "01"}), TestBitmap::FromRows({"11", "11"})};
    const int grays[2][3] = {{0, 1, 2}, {3, 2, 1}};
    TestBitmap collective;
    collective.width = 8;
    collective.height = 2;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x)
            collective.pixels.push_back(static_cast<std::uint8_t>(patterns[x / 2].Get(x % 2, y)));
    Jbig2Bytes dictionary = {0, 2, 2};  // arithmetic, template 0, 2 x 2 patterns
    test::PutU32(dictionary, 3);        // gray values 0..3
    GenericEncoding patternEncoding;
    patternEncoding.at = {-2, 0, -3, -1, 2, -2, -2, -2};
    test::MqEncoder patternMq;
    std::vector<std::uint8_t> patternContexts;
    test::EncodeGeneric(patternMq, patternContexts, collective, patternEncoding);
    auto coded = patternMq.Finish();
    dictionary.insert(dictionary.end(), coded.begin(), coded.end());

    for (int op : {0, 2}) {
        Jbig2Bytes region = test::RegionInfo(6, 4, 1, 1, op);
        region.push_back(static_cast<std::uint8_t>(op << 4));  // arithmetic, template 0, no skip
        test::PutU32(region, 3);                               // grid width
        test::PutU32(region, 2);                               // grid height
        test::PutU32(region, 0);                               // grid origin
        test::PutU32(region, 0);
        test::PutU16(region, 2 * 256);  // step x
        test::PutU16(region, 0);        // step y
        // Planes, most significant first, each Gray-coded with the one above.
        test::MqEncoder mq;
        std::vector<std::uint8_t> contexts;
        for (int plane = 1; plane >= 0; --plane) {
            TestBitmap bits;
            bits.width = 3;
            bits.height = 2;
            for (int m = 0; m < 2; ++m) {
                for (int n = 0; n < 3; ++n) {
                    const int value = grays[m][n];
                    const int bit = ((value >> plane) & 1) ^ (plane == 1 ? 0 : (value >> (plane + 1)) & 1);
                    bits.pixels.push_back(static_cast<std::uint8_t>(bit));
                }
            }
            test::EncodeGeneric(mq, contexts, bits, GenericEncoding{});
        }
        coded = mq.Finish();
        region.insert(region.end(), coded.begin(), coded.end());
        auto page = DecodeEmbedded(test::Sequential({
            {0, kPageInfo, 1, {}, test::PageInfo(8, 6, op == 2 ? 1 : 0)},
            {1, 16, 1, {}, dictionary},
            {2, 22, 1, {1}, region},
        }));
        ASSERT_TRUE(page) << "op " << op;
        for (int m = 0; m < 2; ++m) {
            for (int n = 0; n < 3; ++n) {
                for (int y = 0; y < 2; ++y) {
                    for (int x = 0; x < 2; ++x) {
                        const int drawn = patterns[static_cast<std::size_t>(grays[m][n])].Get(x, y);
                        // Region pixels (white by default) meet the page with the region's operator.
                        const int expected = op == 0 ? drawn : drawn ^ 1;
                        ASSERT_EQ(page->Get(1 + 2 * n + x, 1 + 2 * m + y), expected)
                            << "op " << op << " cell " << n << "," << m << " pixel " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(Jbig2Halftone, MmrPatternsAndSkippedCellsOutsideTheRegion) {
    // One MMR-coded pattern (the fax picture, 23 x 6) drawn twice, 24 pixels apart.
    const Jbig2Bytes g4 = {0x26, 0xa8, 0xda, 0x36, 0x8d, 0xa0, 0x41, 0x6f, 0xff, 0x40, 0x81, 0x7f, 0xf6, 0x17,
                           0xfe, 0x22, 0x22, 0x21, 0xca, 0xb2, 0xac, 0xab, 0x2a, 0xc2, 0x80, 0x08, 0x00, 0x80};
    const TestBitmap fax =
        TestBitmap::FromRows({"10000100001000010000100", "11000100001000010000100", "10100100001000010000100",
                              "10010100001000010000100", "11111111111111111111111", "10000100001000010000100"});
    Jbig2Bytes patterns = {1, 23, 6};  // MMR
    test::PutU32(patterns, 0);         // a single pattern: no bit planes at all
    patterns.insert(patterns.end(), g4.begin(), g4.end());
    Jbig2Bytes single = test::RegionInfo(48, 6, 0, 0);
    single.push_back(0);
    test::PutU32(single, 2);
    test::PutU32(single, 1);
    test::PutU32(single, 0);
    test::PutU32(single, 0);
    test::PutU16(single, 24 * 256);
    test::PutU16(single, 0);
    single.push_back(0xFF);  // a marker where plane data would be; no plane is read
    single.push_back(0xAC);
    auto page = DecodeEmbedded(test::Sequential(
        {{0, kPageInfo, 1, {}, test::PageInfo(48, 6)}, {1, 16, 1, {}, patterns}, {2, 22, 1, {1}, single}}));
    ASSERT_TRUE(page);
    ExpectPixels(*page, fax, 0, 0, "first cell");
    ExpectPixels(*page, fax, 24, 0, "second cell");

    // Two 1 x 1 patterns on a grid whose left column lies left of the region: with skipping
    // enabled those cells are not coded at all.
    Jbig2Bytes dots = {0, 1, 1};
    test::PutU32(dots, 1);
    test::MqEncoder dotMq;
    std::vector<std::uint8_t> dotContexts;
    GenericEncoding dotEncoding;
    dotEncoding.at = {-1, 0, -3, -1, 2, -2, -2, -2};
    test::EncodeGeneric(dotMq, dotContexts, TestBitmap::FromRows({"01"}), dotEncoding);
    auto coded = dotMq.Finish();
    dots.insert(dots.end(), coded.begin(), coded.end());
    const TestBitmap grays = TestBitmap::FromRows({"0101", "1011", "0110"});
    const TestBitmap skip = TestBitmap::FromRows({"1000", "1000", "1000"});
    Jbig2Bytes region = test::RegionInfo(3, 3, 0, 0);
    region.push_back(8);  // skipping enabled
    test::PutU32(region, 4);
    test::PutU32(region, 3);
    test::PutU32(region, static_cast<std::uint32_t>(-256));  // the grid starts one pixel left
    test::PutU32(region, 0);
    test::PutU16(region, 256);
    test::PutU16(region, 0);
    test::MqEncoder mq;
    std::vector<std::uint8_t> contexts;
    GenericEncoding planeEncoding;
    planeEncoding.skip = &skip;
    test::EncodeGeneric(mq, contexts, grays, planeEncoding);
    coded = mq.Finish();
    region.insert(region.end(), coded.begin(), coded.end());
    page = DecodeEmbedded(
        test::Sequential({{0, kPageInfo, 1, {}, test::PageInfo(3, 3)}, {1, 16, 1, {}, dots}, {2, 22, 1, {1}, region}}));
    ASSERT_TRUE(page);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(page->Get(x, y), grays.Get(x + 1, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace pictrove::readers
