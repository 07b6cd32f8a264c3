// Palm OS bitmaps of every version, depth and compression, PalmDOC decompression and the
// Plucker books that carry such bitmaps, built byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "pictures/PalmBitmap.h"
#include "pdb/PdbSource.h"
#include "TestDocumentFiles.h"

namespace pictrove::readers {
namespace {

using test::Bytes;

enum : int { kScanline = 0, kRunLength = 1, kPackBits = 2, kRaw = 0xFF };

struct BitmapLayout {
    int version = 2;
    int bits = 8;
    int width = 0;
    int height = 0;
    int compression = kRaw;
    std::vector<std::array<std::uint8_t, 3>> table;  // colour table (red, green, blue), when not empty
    bool directInfo = false;                         // version 2, 16 bits: the direct colour block
    std::size_t next = 0;                            // offset of the next bitmap of the chain
};

void PutBE(Bytes& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

BitmapLayout MakeLayout(int version, int bits, int width, int height, int compression) {
    BitmapLayout layout;
    layout.version = version;
    layout.bits = bits;
    layout.width = width;
    layout.height = height;
    layout.compression = compression;
    return layout;
}

std::size_t RowBytes(const BitmapLayout& layout) {
    return ((std::size_t(layout.width) * layout.bits + 15) / 16) * 2;
}

Bytes Compress(const BitmapLayout& layout, const Bytes& rows) {
    Bytes out;
    const std::size_t rowBytes = RowBytes(layout);
    switch (layout.compression) {
        case kScanline:
            for (std::size_t y = 0; y * rowBytes < rows.size(); ++y) {
                for (std::size_t x = 0; x < rowBytes; x += 8) {
                    std::uint8_t changed = 0;
                    Bytes values;
                    for (std::size_t k = 0; k < 8 && x + k < rowBytes; ++k) {
                        const std::uint8_t above = y > 0 ? rows[(y - 1) * rowBytes + x + k] : 0;
                        const std::uint8_t value = rows[y * rowBytes + x + k];
                        if (value != above) {
                            changed |= 0x80 >> k;
                            values.push_back(value);
                        }
                    }
                    out.push_back(changed);
                    out.insert(out.end(), values.begin(), values.end());
                }
            }
            break;
        case kRunLength:
            for (std::size_t i = 0; i < rows.size();) {
                std::size_t run = 1;
                while (i + run < rows.size() && run < 255 && rows[i + run] == rows[i]) ++run;
                out.push_back(static_cast<std::uint8_t>(run));
                out.push_back(rows[i]);
                i += run;
            }
            break;
        case kPackBits: {
            // Runs of two or more equal units repeat, the rest go as literals (units are words for
            // 16 bits).
            const std::size_t unit = layout.bits == 16 ? 2 : 1;
            const std::size_t units = rows.size() / unit;
            const auto same = [&](std::size_t a, std::size_t b) {
                return std::equal(rows.begin() + a * unit, rows.begin() + (a + 1) * unit, rows.begin() + b * unit);
            };
            for (std::size_t i = 0; i < units;) {
                std::size_t run = 1;
                while (i + run < units && run < 64 && same(i, i + run)) ++run;
                if (run >= 2) {
                    out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(run)));
                    out.insert(out.end(), rows.begin() + i * unit, rows.begin() + (i + 1) * unit);
                    i += run;
                    continue;
                }
                std::size_t count = 1;
                while (i + count < units && count < 16 && !(i + count + 1 < units && same(i + count, i + count + 1))) {
                    ++count;
                }
                out.push_back(static_cast<std::uint8_t>(count - 1));
                out.insert(out.end(), rows.begin() + i * unit, rows.begin() + (i + count) * unit);
                i += count;
            }
            break;
        }
        default:
            out = rows;
    }
    return out;
}

Bytes MakePalmBitmap(const BitmapLayout& layout, const Bytes& rows) {
    Bytes out;
    PutBE(out, layout.width, 2);
    PutBE(out, layout.height, 2);
    PutBE(out, static_cast<std::uint32_t>(RowBytes(layout)), 2);
    std::uint16_t flags = 0;
    if (layout.compression != kRaw) flags |= 0x8000;
    if (!layout.table.empty()) flags |= 0x4000;
    if (layout.directInfo) flags |= 0x0400;
    PutBE(out, flags, 2);
    out.push_back(static_cast<std::uint8_t>(layout.version == 0 ? 0 : layout.bits));
    out.push_back(static_cast<std::uint8_t>(layout.version));
    if (layout.version < 3) {
        PutBE(out, static_cast<std::uint32_t>(layout.next / 4), 2);
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(layout.compression));
        PutBE(out, 0, 2);
    } else {
        out.push_back(24);
        out.push_back(layout.bits == 16 ? 1 : 0);
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(layout.compression));
        PutBE(out, 72, 2);
        PutBE(out, 0, 4);
        PutBE(out, static_cast<std::uint32_t>(layout.next), 4);
    }
    if (!layout.table.empty()) {
        PutBE(out, static_cast<std::uint32_t>(layout.table.size()), 2);
        for (std::size_t i = 0; i < layout.table.size(); ++i) {
            out.insert(out.end(),
                       {static_cast<std::uint8_t>(i), layout.table[i][0], layout.table[i][1], layout.table[i][2]});
        }
    }
    if (layout.directInfo) out.insert(out.end(), {5, 6, 5, 0, 0, 0, 0, 0});
    const Bytes stored = Compress(layout, rows);
    if (layout.compression != kRaw)
        PutBE(out, static_cast<std::uint32_t>(stored.size() + (layout.version >= 3 ? 4 : 2)),
              layout.version >= 3 ? 4 : 2);
    out.insert(out.end(), stored.begin(), stored.end());
    return out;
}

// Rows of the given depth with a pattern that changes along and across rows.
Bytes PatternRows(const BitmapLayout& layout) {
    Bytes rows(RowBytes(layout) * layout.height);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>((i * 29 + i / 3) ^ (i % 5 == 0 ? 0 : 0x33));
    return rows;
}

std::uint32_t SampleAt(const BitmapLayout& layout, const Bytes& rows, int x, int y) {
    const std::uint8_t* row = rows.data() + RowBytes(layout) * y;
    if (layout.bits == 16) return std::uint32_t(row[2 * x] << 8 | row[2 * x + 1]);
    const int perByte = 8 / layout.bits;
    return (row[x / perByte] >> (8 - layout.bits * (x % perByte + 1))) & ((1u << layout.bits) - 1);
}

TEST(PalmBitmap, GrayDepthsInEveryCompression) {
    const struct {
        int version;
        int bits;
        int compression;
    } cases[] = {{0, 1, kRaw},       {0, 1, kScanline}, {1, 2, kScanline},
                 {2, 2, kRunLength}, {2, 4, kPackBits}, {3, 4, kRaw}};
    for (const auto& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + ", " + std::to_string(c.bits) + " bits, compression " +
                     std::to_string(c.compression));
        BitmapLayout layout = MakeLayout(c.version, c.bits, 21, 5, c.compression);
        const Bytes rows = PatternRows(layout);
        const Bytes bitmap = MakePalmBitmap(layout, rows);
        const auto info = ReadPalmBitmap(bitmap);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->width, 21);
        EXPECT_EQ(info->height, 5);
        const auto image = DecodePalmBitmap(bitmap);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->type, PixelType::kGray8);
        const int levels = (1 << c.bits) - 1;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 21; ++x) {
                EXPECT_EQ(image->Row(y)[x], 255 - int(SampleAt(layout, rows, x, y)) * 255 / levels) << x << "," << y;
            }
        }
        // Cut short: the picture is refused, not read past the end.
        EXPECT_FALSE(DecodePalmBitmap(Bytes(bitmap.begin(), bitmap.end() - 3)));
    }
}

TEST(PalmBitmap, ColourTablesDefaultPaletteAndDirectColour) {
    // Four colours of a table at 4 bits per pixel.
    BitmapLayout tabled = MakeLayout(2, 4, 4, 1, kRunLength);
    tabled.table = {{{255, 0, 0}}, {{0, 255, 0}}, {{0, 0, 255}}, {{10, 20, 30}}};
    const auto withTable = DecodePalmBitmap(MakePalmBitmap(tabled, {0x01, 0x23}));
    ASSERT_TRUE(withTable);
    EXPECT_EQ(withTable->type, PixelType::kBgr24);
    const std::uint8_t expectedTable[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 30, 20, 10};
    EXPECT_EQ(0, std::memcmp(withTable->Row(0), expectedTable, sizeof(expectedTable)));

    // Eight bits with the system palette: cube corners, a gray, a named colour, black.
    BitmapLayout system = MakeLayout(2, 8, 6, 1, kPackBits);
    const Bytes indices = {0, 5, 108, 215, 229, 230};  // one row of six bytes
    const auto withPalette = DecodePalmBitmap(MakePalmBitmap(system, indices));
    ASSERT_TRUE(withPalette);
    const std::uint8_t expectedPalette[] = {255, 255, 255, 255, 0,   255, 102, 255, 255,
                                            17,  17,  17,  128, 128, 0,   0,   0,   0};
    EXPECT_EQ(0, std::memcmp(withPalette->Row(0), expectedPalette, sizeof(expectedPalette)));

    // Sixteen bits, 5-6-5, packed by words, in version 2 (with its direct colour block) and 3.
    for (int version : {2, 3}) {
        SCOPED_TRACE(version);
        BitmapLayout direct = MakeLayout(version, 16, 3, 2, kPackBits);
        direct.directInfo = version == 2;
        const Bytes rows = {0xF8, 0x00, 0xF8, 0x00, 0x07, 0xE0, 0x00, 0x1F, 0xFF, 0xFF, 0x84, 0x10};
        const auto image = DecodePalmBitmap(MakePalmBitmap(direct, rows));
        ASSERT_TRUE(image);
        const std::uint8_t first[] = {0, 0, 255, 0, 0, 255, 0, 255, 0};
        const std::uint8_t second[] = {255, 0, 0, 255, 255, 255, 132, 130, 132};
        EXPECT_EQ(0, std::memcmp(image->Row(0), first, sizeof(first)));
        EXPECT_EQ(0, std::memcmp(image->Row(1), second, sizeof(second)));
    }
}

TEST(PalmBitmap, TakesTheRichestBitmapOfAChain) {
    BitmapLayout low = MakeLayout(1, 1, 8, 2, kRaw);
    const Bytes lowRows(RowBytes(low) * 2, 0xFF);
    Bytes first = MakePalmBitmap(low, lowRows);
    low.next = first.size() + 0;  // the density marker follows
    first = MakePalmBitmap(low, lowRows);
    Bytes marker = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 1, 0, 0, 0, 0, 0, 0};
    BitmapLayout high = MakeLayout(3, 8, 16, 4, kRaw);
    const Bytes highRows(RowBytes(high) * 4, 5);
    Bytes chain = first;
    chain.insert(chain.end(), marker.begin(), marker.end());
    const Bytes second = MakePalmBitmap(high, highRows);
    chain.insert(chain.end(), second.begin(), second.end());
    const auto info = ReadPalmBitmap(chain);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 16);
    EXPECT_EQ(info->bits, 8);
    const auto image = DecodePalmBitmap(chain);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Row(3)[0], 255);  // palette entry 5: red 255, green 0, blue 255
    EXPECT_EQ(image->Row(3)[1], 0);

    // Unknown depths and impossible sizes are refused.
    BitmapLayout odd = MakeLayout(2, 3, 4, 4, kRaw);
    EXPECT_FALSE(ReadPalmBitmap(MakePalmBitmap(odd, Bytes(8, 0))));
    BitmapLayout empty = MakeLayout(2, 8, 0, 4, kRaw);
    EXPECT_FALSE(ReadPalmBitmap(MakePalmBitmap(empty, {})));
    EXPECT_FALSE(ReadPalmBitmap(Bytes(10, 0)));
}

TEST(UnpackPalmDoc, LiteralsPairsSpacesAndLimits) {
    const Bytes packed = {'a', 'b', 'c', 0x80, 0x1B, 0xE1, 0x03, 'x', 0x00, 'y'};
    const auto text = UnpackPalmDoc(packed, 100);
    ASSERT_TRUE(text);
    EXPECT_EQ(std::string(text->begin(), text->end()), std::string("abcabcabc a") + std::string("x\0y", 3));
    EXPECT_FALSE(UnpackPalmDoc(packed, 5)) << "past the limit";
    EXPECT_FALSE(UnpackPalmDoc(Bytes{0x80, 0x1B}, 100)) << "reference before any text";
    EXPECT_FALSE(UnpackPalmDoc(Bytes{0x05, 'a'}, 100)) << "literal run cut short";
    EXPECT_FALSE(UnpackPalmDoc(Bytes{'a', 0x80}, 100)) << "pair cut short";
}

// A Plucker book: index record, a text record, then bitmap records raw and packed.
Bytes PluckerBook(int compression, const std::vector<std::pair<int, Bytes>>& records) {
    Bytes index;
    PutBE(index, 1, 2);
    PutBE(index, static_cast<std::uint32_t>(compression), 2);
    PutBE(index, 0, 2);
    std::vector<Bytes> all = {index};
    int uid = 2;
    for (const auto& [type, body] : records) {
        Bytes record;
        PutBE(record, static_cast<std::uint32_t>(uid++), 2);
        PutBE(record, 0, 2);
        Bytes stored = body;
        if (type == 3) {
            if (compression == 2) {
                stored = test::ZlibStoredStream(body);
            } else {
                stored.clear();  // PalmDOC literal runs of up to eight bytes
                for (std::size_t i = 0; i < body.size(); i += 8) {
                    const std::size_t count = std::min<std::size_t>(8, body.size() - i);
                    stored.push_back(static_cast<std::uint8_t>(count));
                    stored.insert(stored.end(), body.begin() + i, body.begin() + i + count);
                }
            }
        }
        PutBE(record, static_cast<std::uint32_t>(body.size()), 2);
        record.push_back(static_cast<std::uint8_t>(type));
        record.push_back(0);
        record.insert(record.end(), stored.begin(), stored.end());
        all.push_back(record);
    }
    return test::MakePalmDatabase("Plucked", "Data", "Plkr", all);
}

TEST(PdbSource, PluckerBitmapsRawAndPacked) {
    BitmapLayout gray = MakeLayout(2, 2, 8, 2, kScanline);
    const Bytes grayRows = PatternRows(gray);
    BitmapLayout colour = MakeLayout(2, 8, 3, 3, kRaw);
    const Bytes colourRows = {0, 5, 108, 0, 215, 229, 230, 0, 0, 0, 0, 0};  // rows of four bytes
    for (int compression : {1, 2}) {
        SCOPED_TRACE(compression == 1 ? "PalmDOC" : "zlib");
        const Bytes book = PluckerBook(compression, {{1, Bytes(30, 'x')},
                                                     {2, MakePalmBitmap(gray, grayRows)},
                                                     {0, Bytes(12, 't')},
                                                     {3, MakePalmBitmap(colour, colourRows)}});
        PdbSource source(nullptr);
        OpenRequest request;
        request.bytes = book;
        request.path = u"C:\\palm\\plucked.pdb";
        ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
        ASSERT_EQ(source.Images().size(), 2u);
        EXPECT_EQ(source.Images()[0].name, u"plucked_1");
        EXPECT_EQ(source.Images()[0].width, 8);
        EXPECT_EQ(source.Images()[1].name, u"plucked_2");
        EXPECT_EQ(source.Images()[1].height, 3);
        const auto first = source.Decode(0);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->Row(1)[3], 255 - int(SampleAt(gray, grayRows, 3, 1)) * 85);
        const auto second = source.Decode(1);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->type, PixelType::kBgr24);
        EXPECT_EQ(second->Row(1)[0], 17);  // palette entry 215
    }
    // A packed record that does not unpack is left out; the book still opens.
    Bytes broken = PluckerBook(1, {{3, MakePalmBitmap(colour, colourRows)}});
    broken[broken.size() - 5] = 0x80;  // a back reference before any output
    broken[broken.size() - 4] = 0x01;
    PdbSource source(nullptr);
    OpenRequest request;
    request.bytes = broken;
    EXPECT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
    EXPECT_TRUE(source.Images().empty());
}

}  // namespace
}  // namespace pictrove::readers
