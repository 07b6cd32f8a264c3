// Symbol dictionaries and text regions, arithmetic and Huffman: symbols placed from every
// reference corner, transposed and in several strips, refined instances, refinement and
// aggregate symbols, exported and imported symbols, and dictionaries in the globals.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Jbig2TestStreams.h"
#include "jbig2/Jbig2Document.h"
#include "jbig2/Jbig2Huffman.h"

namespace pictrove::readers {
namespace {

using test::ArithCoding;
using test::Jbig2Bytes;
using test::MqEncoder;
using test::TestBitmap;
using test::TestSegment;

constexpr int kSymbolDictionary = 0;
constexpr int kImmediateText = 6;
constexpr int kPageInfo = 48;

const TestBitmap kA = TestBitmap::FromRows({"11", "10", "11"});
const TestBitmap kB = TestBitmap::FromRows({"101", "010", "101"});
const TestBitmap kC = TestBitmap::FromRows({"1111", "1001", "1001", "1001", "1111"});

struct Placed {
    const TestBitmap* bitmap;
    int x;
    int y;
};

// The page the placements make (OR), to compare with.
TestBitmap Expected(int width, int height, const std::vector<Placed>& placed) {
    TestBitmap page;
    page.width = width;
    page.height = height;
    page.pixels.assign(static_cast<std::size_t>(width * height), 0);
    for (const auto& p : placed) {
        for (int y = 0; y < p.bitmap->height; ++y) {
            for (int x = 0; x < p.bitmap->width; ++x) {
                const int px = p.x + x;
                const int py = p.y + y;
                if (px >= 0 && py >= 0 && px < width && py < height && p.bitmap->Get(x, y)) {
                    page.pixels[static_cast<std::size_t>(py * width + px)] = 1;
                }
            }
        }
    }
    return page;
}

void ExpectPage(const std::optional<jbig2::Bitmap>& page, const TestBitmap& expected, const std::string& what) {
    ASSERT_TRUE(page) << what;
    ASSERT_EQ(page->width, expected.width) << what;
    ASSERT_EQ(page->height, expected.height) << what;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            ASSERT_EQ(page->Get(x, y), expected.Get(x, y)) << what << " at " << x << "," << y;
        }
    }
}

std::optional<jbig2::Bitmap> Decode(const std::vector<TestSegment>& segments,
                                    const std::vector<TestSegment>& globals = {}) {
    const Jbig2Bytes stream = test::Sequential(segments);
    const Jbig2Bytes global = test::Sequential(globals);
    jbig2::Jbig2Document document;
    if (!document.ParseEmbedded(global, stream)) return std::nullopt;
    return document.DecodePage(0);
}

// An arithmetic dictionary of A, B (height 3) and C (height 5), all exported.
Jbig2Bytes ArithDictionary() {
    Jbig2Bytes data;
    test::PutU16(data, 0x0000);  // arithmetic, template 0
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) data.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(data, 3);  // exported
    test::PutU32(data, 3);  // new
    MqEncoder mq;
    ArithCoding coding(2);
    test::GenericEncoding generic;
    coding.dh.Encode(mq, 3);
    coding.dw.Encode(mq, 2);
    test::EncodeGeneric(mq, coding.generic, kA, generic);
    coding.dw.Encode(mq, 1);
    test::EncodeGeneric(mq, coding.generic, kB, generic);
    coding.dw.Oob(mq);
    coding.dh.Encode(mq, 2);
    coding.dw.Encode(mq, 4);
    test::EncodeGeneric(mq, coding.generic, kC, generic);
    coding.dw.Oob(mq);
    coding.ex.Encode(mq, 0);
    coding.ex.Encode(mq, 3);
    const auto coded = mq.Finish();
    data.insert(data.end(), coded.begin(), coded.end());
    return data;
}

// Text region data: region information, flags, instance count, then the arithmetic data of
// two strips: A and B at T 2, C at T 6 (S values 1, +2 and 1 again).
Jbig2Bytes ArithText(int corner, bool transposed, int logStrips, int width, int height) {
    Jbig2Bytes data = test::RegionInfo(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 0, 0);
    test::PutU16(data, static_cast<std::uint16_t>(logStrips << 2 | corner << 4 | (transposed ? 64 : 0)));
    test::PutU32(data, 3);
    MqEncoder mq;
    ArithCoding coding(2);
    const int strips = 1 << logStrips;
    coding.dt.Encode(mq, 0);
    // Strip T values must be multiples of the strip size; the rest goes into each instance's T.
    coding.dt.Encode(mq, 2 / strips);
    coding.fs.Encode(mq, 1);
    if (strips > 1) coding.it.Encode(mq, 2 % strips);
    coding.id.Encode(mq, 0);
    coding.ds.Encode(mq, 2);
    if (strips > 1) coding.it.Encode(mq, 2 % strips);
    coding.id.Encode(mq, 1);
    coding.ds.Oob(mq);
    coding.dt.Encode(mq, 6 / strips - 2 / strips);
    coding.fs.Encode(mq, 0);
    if (strips > 1) coding.it.Encode(mq, 6 % strips);
    coding.id.Encode(mq, 2);
    coding.ds.Oob(mq);
    const auto coded = mq.Finish();
    data.insert(data.end(), coded.begin(), coded.end());
    return data;
}

TEST(Jbig2Text, ArithmeticSymbolsFromEveryCornerTransposedAndInStrips) {
    // Corners: 0 bottom left, 1 top left, 2 bottom right, 3 top right. The S coordinate
    // advances past each symbol's width (height when transposed).
    struct Case {
        int corner;
        bool transposed;
        int logStrips;
        std::vector<Placed> placed;
    };
    const std::vector<Case> cases = {
        {1, false, 0, {{&kA, 1, 2}, {&kB, 4, 2}, {&kC, 1, 6}}}, {1, false, 1, {{&kA, 1, 2}, {&kB, 4, 2}, {&kC, 1, 6}}},
        {1, false, 2, {{&kA, 1, 2}, {&kB, 4, 2}, {&kC, 1, 6}}}, {0, false, 0, {{&kA, 1, 0}, {&kB, 4, 0}, {&kC, 1, 2}}},
        {2, false, 0, {{&kA, 1, 0}, {&kB, 4, 0}, {&kC, 1, 2}}}, {3, false, 0, {{&kA, 1, 2}, {&kB, 4, 2}, {&kC, 1, 6}}},
        {1, true, 0, {{&kA, 2, 1}, {&kB, 2, 5}, {&kC, 6, 1}}},  {0, true, 0, {{&kA, 2, 1}, {&kB, 2, 5}, {&kC, 6, 1}}},
        {2, true, 0, {{&kA, 1, 1}, {&kB, 0, 5}, {&kC, 3, 1}}},  {3, true, 0, {{&kA, 1, 1}, {&kB, 0, 5}, {&kC, 3, 1}}},
    };
    for (const auto& c : cases) {
        const std::string what = "corner " + std::to_string(c.corner) + (c.transposed ? " transposed" : "") +
                                 " strips " + std::to_string(1 << c.logStrips);
        auto page = Decode({{0, kPageInfo, 1, {}, test::PageInfo(14, 12)},
                            {1, kSymbolDictionary, 1, {}, ArithDictionary()},
                            {2, kImmediateText, 1, {1}, ArithText(c.corner, c.transposed, c.logStrips, 14, 12)}});
        ExpectPage(page, Expected(14, 12, c.placed), what);
    }
}

TEST(Jbig2Text, DictionaryInTheGlobalsAndRefinedInstances) {
    // The dictionary comes from the globals (as a PDF's JBIG2Globals); the one instance is
    // refined from A: one column wider, and different.
    const TestBitmap refined = TestBitmap::FromRows({"111", "101", "111"});
    Jbig2Bytes data = test::RegionInfo(8, 6, 0, 0);
    test::PutU16(data, static_cast<std::uint16_t>(2 | 1 << 4));  // refinement, top left, template 0
    for (int v : {-1, -1, -1, -1}) data.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(data, 2);
    MqEncoder mq;
    ArithCoding coding(2);
    coding.dt.Encode(mq, 0);
    coding.dt.Encode(mq, 1);
    coding.fs.Encode(mq, 0);
    coding.id.Encode(mq, 0);
    coding.ri.Encode(mq, 1);
    coding.rdw.Encode(mq, 1);
    coding.rdh.Encode(mq, 0);
    coding.rdx.Encode(mq, 0);
    coding.rdy.Encode(mq, 0);
    test::RefinementEncoding refine;  // dx = rdw / 2 + rdx = 0
    test::EncodeRefinement(mq, coding.refinement, refined, kA, refine);
    coding.ds.Encode(mq, 1);
    coding.id.Encode(mq, 1);
    coding.ri.Encode(mq, 0);
    coding.ds.Oob(mq);
    const auto coded = mq.Finish();
    data.insert(data.end(), coded.begin(), coded.end());
    auto page = Decode({{0, kPageInfo, 1, {}, test::PageInfo(8, 6)}, {2, kImmediateText, 1, {1}, data}},
                       {{1, kSymbolDictionary, 0, {}, ArithDictionary()}});
    ExpectPage(page, Expected(8, 6, {{&refined, 0, 1}, {&kB, 3, 1}}), "refined");
}

TEST(Jbig2Symbols, RefinementAndAggregateSymbolsFromAnEarlierDictionary) {
    // Dictionary 2 refers to dictionary 1 (A, B, C): D refines A, E aggregates A and B.
    const TestBitmap d = TestBitmap::FromRows({"110", "101", "111"});
    TestBitmap e = Expected(6, 3, {{&kA, 0, 0}, {&kB, 3, 0}});
    Jbig2Bytes dict;
    test::PutU16(dict, 0x0002);  // arithmetic, refinement and aggregation, templates 0
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) dict.push_back(static_cast<std::uint8_t>(v));
    for (int v : {-1, -1, -1, -1}) dict.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(dict, 2);
    test::PutU32(dict, 2);
    MqEncoder mq;
    ArithCoding coding(3);  // five symbols in all: three imported, two new
    coding.dh.Encode(mq, 3);
    coding.dw.Encode(mq, 3);
    coding.ai.Encode(mq, 1);
    coding.id.Encode(mq, 0);
    coding.rdx.Encode(mq, 0);
    coding.rdy.Encode(mq, 0);
    test::EncodeRefinement(mq, coding.refinement, d, kA, {});
    coding.dw.Encode(mq, 3);
    coding.ai.Encode(mq, 2);
    coding.dt.Encode(mq, 0);
    coding.dt.Encode(mq, 0);
    coding.fs.Encode(mq, 0);
    coding.id.Encode(mq, 0);
    coding.ri.Encode(mq, 0);
    coding.ds.Encode(mq, 2);
    coding.id.Encode(mq, 1);
    coding.ri.Encode(mq, 0);
    coding.ds.Oob(mq);
    coding.dw.Oob(mq);
    coding.ex.Encode(mq, 3);  // the imported three are not exported again
    coding.ex.Encode(mq, 2);
    auto coded = mq.Finish();
    dict.insert(dict.end(), coded.begin(), coded.end());

    Jbig2Bytes text = test::RegionInfo(8, 8, 0, 0);
    test::PutU16(text, 1 << 4);
    test::PutU32(text, 2);
    MqEncoder textMq;
    ArithCoding textCoding(1);
    textCoding.dt.Encode(textMq, 0);
    textCoding.dt.Encode(textMq, 0);
    textCoding.fs.Encode(textMq, 0);
    textCoding.id.Encode(textMq, 0);
    textCoding.ds.Oob(textMq);
    textCoding.dt.Encode(textMq, 4);
    textCoding.fs.Encode(textMq, 1);
    textCoding.id.Encode(textMq, 1);
    textCoding.ds.Oob(textMq);
    coded = textMq.Finish();
    text.insert(text.end(), coded.begin(), coded.end());

    auto page = Decode({{0, kPageInfo, 1, {}, test::PageInfo(8, 8)},
                        {1, kSymbolDictionary, 1, {}, ArithDictionary()},
                        {2, kSymbolDictionary, 1, {1}, dict},
                        {3, kImmediateText, 1, {2}, text}});
    ExpectPage(page, Expected(8, 8, {{&d, 0, 0}, {&e, 1, 4}}), "refined and aggregated");

    // The same text region on a damaged second dictionary: no symbols, nothing drawn, no crash.
    dict.resize(dict.size() - 6);
    dict[dict.size() - 1] ^= 0x5A;
    page = Decode({{0, kPageInfo, 1, {}, test::PageInfo(8, 8)},
                   {1, kSymbolDictionary, 1, {}, ArithDictionary()},
                   {2, kSymbolDictionary, 1, {1}, dict},
                   {3, kImmediateText, 1, {2}, text}});
    ASSERT_TRUE(page);
}

// Standard table codes, written out: B.4 (heights), B.2 (widths, OOB 111111), B.1 (sizes and
// export runs), B.6 (first S), B.8 (S steps, OOB 01), B.11 (strip T).
TEST(Jbig2Symbols, HuffmanDictionaryWithCollectiveBitmapsAndHuffmanText) {
    test::BitWriter bits;
    // Height class 3: widths 2 and 3, stored uncompressed (size 0).
    bits.Code("110");     // DH 3
    bits.Code("110");     // DW 2
    bits.Code("10");      // DW 1
    bits.Code("111111");  // OOB
    bits.Code("0");
    bits.Value(0, 4);  // BMSIZE 0
    bits.Align();
    for (int y = 0; y < 3; ++y) {
        std::uint32_t row = 0;
        for (int x = 0; x < 5; ++x)
            row |= static_cast<std::uint32_t>(x < 2 ? kA.Get(x, y) : kB.Get(x - 2, y)) << (7 - x);
        bits.Value(row, 8);
    }
    // Height class 5: width 4.
    bits.Code("10");  // DH 2
    bits.Code("1110");
    bits.Value(1, 3);  // DW 4
    bits.Code("111111");
    bits.Code("0");
    bits.Value(0, 4);
    bits.Align();
    for (int y = 0; y < 5; ++y) {
        std::uint32_t row = 0;
        for (int x = 0; x < 4; ++x) row |= static_cast<std::uint32_t>(kC.Get(x, y)) << (7 - x);
        bits.Value(row, 8);
    }
    bits.Code("0");
    bits.Value(0, 4);  // none of the (no) imported symbols
    bits.Code("0");
    bits.Value(3, 4);  // all three new ones exported
    Jbig2Bytes dict;
    test::PutU16(dict, 0x0001);  // Huffman, tables B.4, B.2, B.1, B.1
    test::PutU32(dict, 3);
    test::PutU32(dict, 3);
    const auto dictBits = bits.Bytes();
    dict.insert(dict.end(), dictBits.begin(), dictBits.end());

    test::BitWriter textBits;
    // Symbol id code lengths: run codes 1 and 2 have one-bit codes ("0" and "1"), so the
    // lengths 1, 2, 2 read "0 1 1"; ids are then 0, 10, 11.
    for (int i = 0; i < 35; ++i) textBits.Value(i == 1 || i == 2 ? 1 : 0, 4);
    textBits.Code("011");
    textBits.Align();
    textBits.Code("0");  // DT 1: strip T starts at -1
    textBits.Code("10");
    textBits.Value(1, 1);  // DT 3: T 2
    textBits.Code("00");
    textBits.Value(1, 7);    // FS 1
    textBits.Code("0");      // id 0 (A)
    textBits.Code("11010");  // DS 2
    textBits.Code("10");     // id 1 (B)
    textBits.Code("01");     // OOB
    textBits.Code("1100");   // DT 4: T 6
    textBits.Code("00");
    textBits.Value(0, 7);  // FS 0
    textBits.Code("11");   // id 2 (C)
    textBits.Code("01");   // OOB
    Jbig2Bytes text = test::RegionInfo(14, 12, 0, 0);
    test::PutU16(text, 1 | 1 << 4);  // Huffman, top left
    test::PutU16(text, 0);           // tables B.6, B.8, B.11 ...
    test::PutU32(text, 3);
    const auto coded = textBits.Bytes();
    text.insert(text.end(), coded.begin(), coded.end());

    auto page = Decode({{0, kPageInfo, 1, {}, test::PageInfo(14, 12)},
                        {1, kSymbolDictionary, 1, {}, dict},
                        {2, kImmediateText, 1, {1}, text}});
    ExpectPage(page, Expected(14, 12, {{&kA, 1, 2}, {&kB, 4, 2}, {&kC, 1, 6}}), "huffman");
}

TEST(Jbig2Huffman, StandardTablesAreCompleteCodesAndCustomTablesParse) {
    std::mt19937 random(99);
    for (int number = 1; number <= 15; ++number) {
        const auto& table = jbig2::HuffmanTable::Standard(number);
        for (int trial = 0; trial < 300; ++trial) {
            Jbig2Bytes data(8);
            for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
            jbig2::BitStream stream(data);
            bool failed = false;
            table.Decode(stream, failed);
            ASSERT_FALSE(failed) << "table B." << number << " trial " << trial;
        }
    }
    // Known codes: B.1 "10" + 8 bits is 16 + value; B.2 "1110" + 3 bits is 3 + value, 111111 is OOB.
    test::BitWriter knownBits;
    knownBits.Code("10");
    knownBits.Value(3, 8);
    knownBits.Code("1110");
    knownBits.Value(2, 3);
    knownBits.Code("111111");
    const Jbig2Bytes known = knownBits.Bytes();
    jbig2::BitStream stream(known);
    bool failed = false;
    EXPECT_EQ(jbig2::HuffmanTable::Standard(1).Decode(stream, failed), 16 + 3);
    EXPECT_EQ(jbig2::HuffmanTable::Standard(2).Decode(stream, failed), 3 + 2);
    EXPECT_EQ(jbig2::HuffmanTable::Standard(2).Decode(stream, failed), std::nullopt);
    EXPECT_FALSE(failed);

    // A table of the data: values 0..7 as "0" + 3 bits, below as "10" + 32 bits, above "11".
    Jbig2Bytes custom = {static_cast<std::uint8_t>((1 << 1) | (2 << 4))};
    test::PutU32(custom, 0);
    test::PutU32(custom, 8);
    test::BitWriter lines;
    lines.Value(1, 2);
    lines.Value(3, 3);  // one line: prefix 1, range 3 bits
    lines.Value(2, 2);  // lower
    lines.Value(2, 2);  // upper
    const auto lineBytes = lines.Bytes();
    custom.insert(custom.end(), lineBytes.begin(), lineBytes.end());
    auto table = jbig2::HuffmanTable::Parse(custom);
    ASSERT_TRUE(table);
    test::BitWriter values;
    values.Code("0101");
    values.Code("11");
    values.Value(3, 32);
    values.Code("10");
    values.Value(2, 32);
    const auto valueBytes = values.Bytes();
    jbig2::BitStream valueStream(valueBytes);
    EXPECT_EQ(table->Decode(valueStream, failed), 5);
    EXPECT_EQ(table->Decode(valueStream, failed), 8 + 3);
    EXPECT_EQ(table->Decode(valueStream, failed), -1 - 2);
    EXPECT_FALSE(failed);
    // Damaged tables: low not below high; lines cut short.
    Jbig2Bytes backwards = custom;
    backwards[4] = 9;
    EXPECT_FALSE(jbig2::HuffmanTable::Parse(backwards));
    EXPECT_FALSE(jbig2::HuffmanTable::Parse(Jbig2Bytes(custom.begin(), custom.begin() + 9)));
}

}  // namespace
}  // namespace pictrove::readers
