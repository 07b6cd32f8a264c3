// The shared pieces of the container readers' portable core: zip directories and bounded
// extraction, image header sniffing and text decoding.
#include <gtest/gtest.h>

#include <cstring>

#include "pictures/ImageHeader.h"
#include "TestDocuments.h"
#include "markup/TextCodec.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::MakeZip;
using test::ToBytes;
using test::ZipFileEntry;

Bytes Pattern(std::size_t size) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 5));
    return data;
}

const std::vector<ZipFileEntry> kEntries = {
    {"OEBPS/images/cover.jpg", Pattern(3000), true},
    {"mimetype", ToBytes("application/epub+zip"), false},
    {"OEBPS/", {}, false},
    {"OEBPS/text/ch1.xhtml", ToBytes("<html/>"), true},
};

void ExpectEntries(const ZipArchive& archive, const std::string& label) {
    ASSERT_EQ(archive.Entries().size(), kEntries.size()) << label;
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        const auto& entry = archive.Entries()[i];
        EXPECT_EQ(entry.name, kEntries[i].name) << label << " entry " << i;
        const auto data = archive.Extract(entry);
        ASSERT_TRUE(data.has_value()) << label << " entry " << i;
        EXPECT_EQ(*data, kEntries[i].data) << label << " entry " << i;
    }
    EXPECT_TRUE(archive.Entries()[2].IsFolder()) << label;
    EXPECT_FALSE(archive.Entries()[0].IsFolder()) << label;
}

TEST(ZipArchive, ReadsStoredDeflatedDescriptorAndZip64Entries) {
    const struct {
        const char* label;
        test::ZipOptions options;
    } cases[] = {{"plain", {}},
                 {"descriptors", {.dataDescriptors = true}},
                 {"zip64", {.zip64 = true}},
                 {"zip64 descriptors", {.dataDescriptors = true, .zip64 = true}}};
    for (const auto& c : cases) {
        const Bytes file = MakeZip(kEntries, c.options);
        EXPECT_TRUE(LooksLikeZip(file)) << c.label;
        ZipArchive archive;
        ASSERT_TRUE(archive.Open(file)) << c.label;
        ExpectEntries(archive, c.label);
    }
}

TEST(ZipArchive, FindsNamesExactlyThenLoosely) {
    const Bytes file = MakeZip(kEntries);
    ZipArchive archive;
    ASSERT_TRUE(archive.Open(file));
    ASSERT_NE(archive.Find("OEBPS/text/ch1.xhtml"), nullptr);
    EXPECT_EQ(archive.Find("oebps\\TEXT\\Ch1.xhtml"), archive.Find("OEBPS/text/ch1.xhtml"));
    EXPECT_EQ(archive.Find("/OEBPS/text/ch1.xhtml"), archive.Find("OEBPS/text/ch1.xhtml"));
    EXPECT_EQ(archive.Find("OEBPS/text/ch2.xhtml"), nullptr);
}

TEST(ZipArchive, NamesDecodeFromUtf8OrCodePage437) {
    const Bytes utf8 = MakeZip({{"\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.png", {1}, false}});
    ZipArchive archive;
    ASSERT_TRUE(archive.Open(utf8));
    EXPECT_EQ(ZipEntryName(archive.Entries()[0]), u"\u0444\u043e\u0442\u043e.png");
    const Bytes legacy = MakeZip({{"caf\x82.png", {1}, false}}, {.utf8Names = false});
    ASSERT_TRUE(archive.Open(legacy));
    EXPECT_EQ(ZipEntryName(archive.Entries()[0]), u"caf\u00e9.png");
}

TEST(ZipArchive, TruncatedFileListsTheEntriesThatAreWhole) {
    const Bytes file = MakeZip(kEntries);
    ZipArchive whole;
    ASSERT_TRUE(whole.Open(file));
    EXPECT_FALSE(whole.Recovered());
    for (int eighth = 1; eighth < 8; ++eighth) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * eighth / 8));
        ZipArchive archive;
        if (!archive.Open(cut)) continue;
        EXPECT_TRUE(archive.Recovered()) << eighth;
        // Whatever is listed is whole: it extracts to the original bytes.
        for (const auto& entry : archive.Entries()) {
            std::size_t i = 0;
            while (i < kEntries.size() && kEntries[i].name != entry.name) ++i;
            ASSERT_LT(i, kEntries.size()) << eighth;
            const auto data = archive.Extract(entry);
            ASSERT_TRUE(data.has_value()) << "eighth " << eighth << " " << entry.name;
            EXPECT_EQ(*data, kEntries[i].data) << "eighth " << eighth << " " << entry.name;
        }
    }
    // Cut after the first two entries' data, the directory is gone but both are found.
    const Bytes all = MakeZip(kEntries, {.dataDescriptors = true});
    ZipArchive archive;
    ASSERT_TRUE(archive.Open(std::span(all).first(all.size() - 150)));
    EXPECT_GE(archive.Entries().size(), 2u);
    EXPECT_EQ(archive.Entries()[0].name, kEntries[0].name);
    EXPECT_EQ(*archive.Extract(archive.Entries()[0]), kEntries[0].data);
}

TEST(ZipArchive, RefusesLyingAndOversizedEntries) {
    const Bytes zeros(2 << 20, 0);
    // The header claims far less than the stream gives: inflation stops at the claim.
    {
        const Bytes file = MakeZip({{"bomb.png", zeros, true}}, {.declaredSize = 1000});
        ZipArchive archive;
        ASSERT_TRUE(archive.Open(file));
        EXPECT_FALSE(archive.Extract(archive.Entries()[0]).has_value());
    }
    // An honest but huge entry is refused by the caller's limit.
    {
        const Bytes file = MakeZip({{"big.png", zeros, true}});
        ZipArchive archive;
        ASSERT_TRUE(archive.Open(file));
        EXPECT_FALSE(archive.Extract(archive.Entries()[0], 1 << 20).has_value());
        EXPECT_TRUE(archive.Extract(archive.Entries()[0], 2 << 20).has_value());
    }
    // A claim beyond the reader's ceiling is refused before inflating.
    {
        const Bytes file = MakeZip({{"huge.png", Bytes(100, 0), true}}, {.declaredSize = std::int64_t{3} << 30});
        ZipArchive archive;
        ASSERT_TRUE(archive.Open(file));
        EXPECT_FALSE(archive.Extract(archive.Entries()[0]).has_value());
    }
    // A stored entry whose size does not match its data.
    {
        const Bytes file = MakeZip({{"stored.png", Bytes(100, 1), false}}, {.declaredSize = 50});
        ZipArchive archive;
        if (archive.Open(file)) {
            EXPECT_FALSE(archive.Extract(archive.Entries()[0]).has_value());
        }
    }
}

TEST(ZipArchive, DirectoryPointingOutsideTheFileFallsBackToLocalHeaders) {
    Bytes file = MakeZip(kEntries);
    // Offset of the central directory in the end record (last 22 bytes: offset at +16).
    const std::size_t end = file.size() - 22;
    file[end + 16] = 0xFF;
    file[end + 17] = 0xFF;
    file[end + 18] = 0xFF;
    ZipArchive archive;
    ASSERT_TRUE(archive.Open(file));
    ExpectEntries(archive, "local headers");
    // Nothing zip-like at all.
    EXPECT_FALSE(archive.Open(ToBytes("PK\x03\x04 short")));
    EXPECT_FALSE(archive.Open({}));
}

TEST(InflateBounded, StopsAtTheLimitAndAtDamage) {
    const Bytes data = Pattern(100000);
    const Bytes packed = test::Deflate(data);
    std::size_t consumed = 0;
    auto out = InflateBounded(packed, data.size(), true, &consumed);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, data);
    EXPECT_EQ(consumed, packed.size());
    EXPECT_FALSE(InflateBounded(packed, data.size() - 1, true).has_value());
    EXPECT_FALSE(InflateBounded(std::span(packed).first(packed.size() / 2), data.size(), true).has_value());
    Bytes damaged = packed;
    damaged[0] = 0xFF;
    EXPECT_FALSE(InflateBounded(damaged, data.size(), true).has_value());
}

Bytes JpegHeaderBytes(int width, int height, bool withApp) {
    Bytes file = {0xFF, 0xD8};
    if (withApp) {
        const Bytes app = {0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
        file.insert(file.end(), app.begin(), app.end());
    }
    const Bytes sof = {0xFF,
                       0xC2,
                       0x00,
                       0x11,
                       0x08,
                       std::uint8_t(height >> 8),
                       std::uint8_t(height),
                       std::uint8_t(width >> 8),
                       std::uint8_t(width),
                       3};
    file.insert(file.end(), sof.begin(), sof.end());
    file.resize(file.size() + 9, 0);
    return file;
}

Bytes BmpHeaderBytes(int width, int height) {
    Bytes file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[14] = 40;
    std::memcpy(&file[18], &width, 4);
    std::memcpy(&file[22], &height, 4);
    return file;
}

Bytes TiffHeaderBytes(bool bigEndian, std::uint32_t width, std::uint32_t height) {
    Bytes file = bigEndian ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 8} : Bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
            file.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    };
    put(2, 2);
    put(256, 2), put(3, 2), put(1, 4), put(width, 2), put(0, 2);  // SHORT width
    put(257, 2), put(4, 2), put(1, 4), put(height, 4);            // LONG height
    put(0, 4);
    return file;
}

TEST(ReadImageHeader, ReadsSizesOfEveryKnownFormat) {
    const struct {
        const char* label;
        Bytes file;
        ImageFormat format;
        int width;
        int height;
    } cases[] = {
        {"png", test::MakePng(5, 3, test::PngColour::kRgb, Bytes(45, 0)), ImageFormat::kPng, 5, 3},
        {"gif", test::MakeGif(4, 6, {0, 0, 0}, {{Bytes(24, 0), 1}}), ImageFormat::kGif, 4, 6},
        {"jpeg", JpegHeaderBytes(640, 480, true), ImageFormat::kJpeg, 640, 480},
        {"jpeg no app", JpegHeaderBytes(1, 65535, false), ImageFormat::kJpeg, 1, 65535},
        {"bmp", BmpHeaderBytes(7, 9), ImageFormat::kBmp, 7, 9},
        {"bmp top-down", BmpHeaderBytes(7, -9), ImageFormat::kBmp, 7, 9},
        {"tiff le", TiffHeaderBytes(false, 300, 200), ImageFormat::kTiff, 300, 200},
        {"tiff be", TiffHeaderBytes(true, 300, 70000 - 5), ImageFormat::kUnknown, 0, 0},
        {"tiff be ok", TiffHeaderBytes(true, 12, 34), ImageFormat::kTiff, 12, 34},
    };
    for (const auto& c : cases) {
        const auto info = ReadImageHeader(c.file);
        if (c.format == ImageFormat::kUnknown) {
            EXPECT_FALSE(info.has_value()) << c.label;
            continue;
        }
        ASSERT_TRUE(info.has_value()) << c.label;
        EXPECT_EQ(info->format, c.format) << c.label;
        EXPECT_EQ(info->width, c.width) << c.label;
        EXPECT_EQ(info->height, c.height) << c.label;
    }
}

TEST(ReadImageHeader, RefusesAbsentDamagedAndAbsurdSizes) {
    EXPECT_FALSE(ReadImageHeader(JpegHeaderBytes(0, 10, true)).has_value());
    EXPECT_FALSE(ReadImageHeader(BmpHeaderBytes(0x7FFFFFFF, 2)).has_value());
    Bytes png = test::MakePng(1, 1, test::PngColour::kGray, {0});
    // 65535 x 65535 is more than a picture may decode to, but it is listed (decoding it fails
    // alone, for the limit); one more column is a size no picture has.
    png[18] = png[19] = png[22] = png[23] = 0xFF;
    ASSERT_TRUE(ReadImageHeader(png).has_value());
    EXPECT_EQ(ReadImageHeader(png)->width, 65535);
    png[17] = 1;
    png[18] = png[19] = 0;
    EXPECT_FALSE(ReadImageHeader(png).has_value());
    const Bytes jpeg = JpegHeaderBytes(10, 10, true);
    // The width is the last field needed: byte 18.
    for (std::size_t size = 0; size < 19; ++size) {
        EXPECT_FALSE(ReadImageHeader(std::span(jpeg).first(size)).has_value()) << "jpeg cut at " << size;
    }
    EXPECT_EQ(SniffImageFormat(ToBytes("not an image")), ImageFormat::kUnknown);
}

TEST(TextCodec, DecodesByMarkOrDeclaration) {
    EXPECT_EQ(XmlToUtf8(ToBytes("\xEF\xBB\xBF<a/>")), "<a/>");
    EXPECT_EQ(XmlToUtf8(Bytes{0xFF, 0xFE, '<', 0, 0x44, 0x04, '/', 0, '>', 0}), "<\xD1\x84/>");
    EXPECT_EQ(XmlToUtf8(Bytes{0xFE, 0xFF, 0, '<', 0x04, 0x44, 0, '>'}), "<\xD1\x84>");
    EXPECT_EQ(XmlToUtf8(ToBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\xF4")),
              "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\xD1\x84");
    EXPECT_EQ(XmlToUtf8(ToBytes("<?xml encoding='KOI8-R'?>\xC6")), "<?xml encoding='KOI8-R'?>\xD1\x84");
    EXPECT_EQ(XmlToUtf8(ToBytes("<?xml encoding='iso-8859-1'?>\xE9")), "<?xml encoding='iso-8859-1'?>\xC3\xA9");
    EXPECT_EQ(Utf8ToUtf16("caf\xC3\xA9 \xF0\x9F\x98\x80"), u"caf\u00e9 \U0001F600");
    EXPECT_EQ(Utf8ToUtf16("caf\xE9"), u"caf\u00e9");  // not UTF-8: read as Windows-1252
    EXPECT_EQ(PercentDecode("a%20b%2Fc%zz%4"), "a b/c%zz%4");
}

TEST(TextCodec, Base64WithWhiteSpaceAndLimits) {
    EXPECT_EQ(DecodeBase64("SGVs\n bG8=", 100), ToBytes("Hello"));
    EXPECT_EQ(DecodeBase64("", 100), Bytes{});
    EXPECT_FALSE(DecodeBase64("SGVs*bG8=", 100).has_value());
    EXPECT_FALSE(DecodeBase64("SGVsbG8=", 4).has_value());
}

}  // namespace
}  // namespace pictrove::readers
