// JBIG2Decode pictures in PDF files: the embedded stream with its globals, the Decode array and
// stencil masks as for the other 1-bit pictures, a damaged picture failing alone, and the
// picture with its globals handed out as a standalone JBIG2 file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Jbig2TestStreams.h"
#include "jbig2/Jbig2Source.h"
#include "TestPdf.h"
#include "jbig2/Jbig2Document.h"
#include "jbig2/Jbig2File.h"
#include "pdf/PdfSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::PdfWriter;
using test::TestBitmap;
using test::TestSegment;

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

const TestBitmap kPicture = TestBitmap::FromRows({"110011", "011110", "000000", "100001"});

// The picture drawn by a text region whose symbol dictionary lives in the globals.
Bytes Globals() {
    Bytes dict;
    test::PutU16(dict, 0x0000);
    for (int v : {3, -1, -3, -1, 2, -2, -2, -2}) dict.push_back(static_cast<std::uint8_t>(v));
    test::PutU32(dict, 1);
    test::PutU32(dict, 1);
    test::MqEncoder mq;
    test::ArithCoding coding(0);
    coding.dh.Encode(mq, 4);
    coding.dw.Encode(mq, 6);
    test::EncodeGeneric(mq, coding.generic, kPicture, {});
    coding.dw.Oob(mq);
    coding.ex.Encode(mq, 0);
    coding.ex.Encode(mq, 1);
    const auto coded = mq.Finish();
    dict.insert(dict.end(), coded.begin(), coded.end());
    return test::Sequential({{1, 0, 0, {}, dict}});
}

Bytes PictureStream(bool endOfPage = true) {
    Bytes text = test::RegionInfo(6, 4, 0, 0);
    test::PutU16(text, 1 << 4);
    test::PutU32(text, 1);
    test::MqEncoder mq;
    test::ArithCoding coding(0);
    coding.dt.Encode(mq, 0);
    coding.dt.Encode(mq, 0);
    coding.fs.Encode(mq, 0);
    coding.ds.Oob(mq);
    const auto coded = mq.Finish();
    text.insert(text.end(), coded.begin(), coded.end());
    if (!endOfPage) return test::Sequential({{2, 48, 1, {}, test::PageInfo(6, 4)}, {3, 6, 1, {1}, text}});
    return test::Sequential({{2, 48, 1, {}, test::PageInfo(6, 4)}, {3, 6, 1, {1}, text}, {4, 49, 1, {}, {}}});
}

TEST(PdfJbig2, PicturesWithGlobalsDecodeArraysAndStencilsAndADamagedOneAlone) {
    PdfWriter writer;
    const int globals = writer.AddStream("<< /Filter /FlateDecode >>", test::ZlibCompress(Globals()));
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 6 /Height 4 ";
    const std::string jbig2 = "/Filter /JBIG2Decode /DecodeParms << /JBIG2Globals " + Ref(globals) + " >> >>";
    const int plain = writer.AddStream(image + "/ColorSpace /DeviceGray /BitsPerComponent 1 " + jbig2, PictureStream());
    const int inverted =
        writer.AddStream(image + "/ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0] " + jbig2, PictureStream());
    const int stencil = writer.AddStream(image + "/ImageMask true " + jbig2, PictureStream());
    Bytes cut = PictureStream();
    cut.resize(20);
    const int damaged = writer.AddStream(image + "/ColorSpace /DeviceGray /BitsPerComponent 1 " + jbig2, cut);
    // The general filters may come first.
    const int flated = writer.AddStream(image +
                                            "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter [/FlateDecode "
                                            "/JBIG2Decode] /DecodeParms [null << /JBIG2Globals " +
                                            Ref(globals) + " >>] >>",
                                        test::ZlibCompress(PictureStream()));
    const std::string resources = "<< /XObject << /P " + Ref(plain) + " /I " + Ref(inverted) + " /S " + Ref(stencil) +
                                  " /D " + Ref(damaged) + " /F " + Ref(flated) + " >> >>";
    const int root = test::AddPages(writer, {{"/P Do /I Do /S Do /D Do /F Do", resources, ""}});
    PdfSource source;
    OpenRequest request;
    request.bytes = writer.Write(root);
    request.path = u"scan.pdf";
    ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 5u);

    for (std::size_t index : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{4}}) {
        auto decoded = source.Decode(index);
        ASSERT_TRUE(decoded) << "image " << index;
        EXPECT_EQ(decoded->type, PixelType::kGray8) << "image " << index;
        ASSERT_EQ(decoded->width, 6);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool black = kPicture.Get(x, y) == 1;
                // Decode [1 0] swaps black and white; a stencil paints the black pixels.
                const int expected = index == 1 ? (black ? 255 : 0) : (black ? 0 : 255);
                ASSERT_EQ(decoded->Row(y)[x], expected) << "image " << index << " at " << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(source.Decode(3));
}

// JBIG2 gives one bit a pixel: a dictionary that declares more (8-bit gray, RGB) has no samples
// for the rest, and the picture fails alone instead of being read past its samples' end.
TEST(PdfJbig2, PicturesDeclaredDeeperThanOneBitFailAlone) {
    PdfWriter writer;
    const int globals = writer.AddStream("<< /Filter /FlateDecode >>", test::ZlibCompress(Globals()));
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 6 /Height 4 ";
    const std::string jbig2 = "/Filter /JBIG2Decode /DecodeParms << /JBIG2Globals " + Ref(globals) + " >> >>";
    const int gray = writer.AddStream(image + "/ColorSpace /DeviceGray /BitsPerComponent 8 " + jbig2, PictureStream());
    const int rgb = writer.AddStream(image + "/ColorSpace /DeviceRGB /BitsPerComponent 8 " + jbig2, PictureStream());
    const int plain = writer.AddStream(image + "/ColorSpace /DeviceGray /BitsPerComponent 1 " + jbig2, PictureStream());
    const std::string resources = "<< /XObject << /G " + Ref(gray) + " /R " + Ref(rgb) + " /P " + Ref(plain) + " >> >>";
    const int root = test::AddPages(writer, {{"/G Do /R Do /P Do", resources, ""}});
    PdfSource source;
    OpenRequest request;
    request.bytes = writer.Write(root);
    request.path = u"scan.pdf";
    ASSERT_EQ(source.Open(std::move(request)), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 3u);
    EXPECT_FALSE(source.Decode(0));
    EXPECT_FALSE(source.Decode(1));
    const auto decoded = source.Decode(2);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Row(0)[0], kPicture.Get(0, 0) == 1 ? 0 : 255);
}

#ifndef _WIN32
// The file as another JBIG2 decoder reads it, when Debian's jbig2dec is installed: its PBM output
// (1 is black), or nothing.
std::optional<TestBitmap> DecodeWithJbig2dec(const Bytes& file) {
    if (std::system("command -v jbig2dec >/dev/null 2>&1") != 0) return std::nullopt;
    char folder[] = "/tmp/pictrove-jbig2-XXXXXX";
    if (mkdtemp(folder) == nullptr) return std::nullopt;
    const std::string input = std::string(folder) + "/in.jb2";
    const std::string output = std::string(folder) + "/out.pbm";
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const int status = std::system(("jbig2dec -q -t pbm -o " + output + " " + input).c_str());
    std::ifstream in(output, std::ios::binary);
    const Bytes pbm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(input.c_str());
    std::remove(output.c_str());
    std::remove(folder);
    TestBitmap bitmap;
    int width = 0, height = 0, consumed = 0;
    const std::string text(pbm.begin(), pbm.end());
    if (status != 0 || std::sscanf(text.c_str(), "P4 %d %d%n", &width, &height, &consumed) != 2) return TestBitmap{};
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    if (pbm.size() < start + rowBytes * static_cast<std::size_t>(height)) return TestBitmap{};
    bitmap.width = width;
    bitmap.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t byte =
                pbm[start + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8)];
            bitmap.pixels.push_back((byte >> (7 - x % 8)) & 1);
        }
    }
    return bitmap;
}
#endif

TEST(PdfJbig2, StoredPictureIsAStandaloneFileWithItsGlobals) {
    PdfWriter writer;
    const int globals = writer.AddStream("<< /Filter /FlateDecode >>", test::ZlibCompress(Globals()));
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 6 /Height 4 /ColorSpace /DeviceGray ";
    const std::string parms = "/DecodeParms << /JBIG2Globals " + Ref(globals) + " >> >>";
    // As documents store it (no end of page), with one, and behind a general filter.
    const int implicitEnd =
        writer.AddStream(image + "/BitsPerComponent 1 /Filter /JBIG2Decode " + parms, PictureStream(false));
    const int explicitEnd =
        writer.AddStream(image + "/BitsPerComponent 1 /Filter /JBIG2Decode " + parms, PictureStream(true));
    const int flated = writer.AddStream(image + "/BitsPerComponent 1 /Filter [/FlateDecode /JBIG2Decode] " +
                                            "/DecodeParms [null << /JBIG2Globals " + Ref(globals) + " >>] >>",
                                        test::ZlibCompress(PictureStream(false)));
    const int stencil = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 6 /Height 4 /ImageMask true /Filter /JBIG2Decode " + parms,
        PictureStream(false));
    const std::string resources = "<< /XObject << /A " + Ref(implicitEnd) + " /B " + Ref(explicitEnd) + " /C " +
                                  Ref(flated) + " /S " + Ref(stencil) + " >> >>";
    const int root = test::AddPages(writer, {{"/A Do /B Do /C Do /S Do", resources, ""}});
    PdfSource source;
    ASSERT_EQ(source.Open({writer.Write(root), u"scan.pdf", u""}), OpenStatus::kOpened);
    ASSERT_EQ(source.Images().size(), 4u);

    for (std::size_t index = 0; index < 3; ++index) {
        SCOPED_TRACE("picture " + std::to_string(index));
        EXPECT_EQ(source.Stored(index).format, StoredFormat::kJbig2);
        EXPECT_EQ(source.Stored(index).pixelType, PixelType::kGray8);
        const auto file = source.StoredBytes(index);
        ASSERT_TRUE(file.has_value());
        const Bytes id = {0x97, 'J', 'B', '2', 0x0D, 0x0A, 0x1A, 0x0A, 0x01, 0, 0, 0, 1};
        ASSERT_GE(file->size(), id.size());
        EXPECT_TRUE(std::equal(id.begin(), id.end(), file->begin())) << "sequential file of one page";

        // The core's file reader: one page, the globals' symbol drawn, the page ended once.
        jbig2::Jbig2Document document;
        ASSERT_TRUE(document.ParseFile(*file));
        ASSERT_EQ(document.Pages().size(), 1u);
        int endsOfPage = 0, endsOfFile = 0;
        for (const auto& segment : document.Segments()) {
            endsOfPage += segment.type == 49;
            endsOfFile += segment.type == 51;
        }
        EXPECT_EQ(endsOfPage, 1);
        EXPECT_EQ(endsOfFile, 1);
        const auto page = document.DecodePage(0);
        ASSERT_TRUE(page.has_value());
        ASSERT_EQ(page->width, 6);
        ASSERT_EQ(page->height, 4);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) ASSERT_EQ(page->Row(y)[x] != 0, kPicture.Get(x, y) == 1) << x << "," << y;
        }
        // The file opens as a JBIG2 document of its own, and is itself the page as stored.
        Jbig2Source standalone;
        ASSERT_EQ(standalone.Open({*file, u"page.jb2", u""}), OpenStatus::kOpened);
        EXPECT_EQ(standalone.Stored(0).format, StoredFormat::kJbig2);
        EXPECT_EQ(standalone.StoredBytes(0), file);
#ifndef _WIN32
        if (const auto oracle = DecodeWithJbig2dec(*file)) {
            ASSERT_EQ(oracle->width, 6) << "jbig2dec could not read the file";
            ASSERT_EQ(oracle->height, 4);
            EXPECT_EQ(oracle->pixels, kPicture.pixels) << "jbig2dec's reading";
        }
#endif
    }
    // A stencil paints with the fill colour: the file would lose that.
    EXPECT_EQ(source.Stored(3).format, StoredFormat::kNone);
    EXPECT_FALSE(source.StoredBytes(3).has_value());
}

// Segments cut short are left out of a standalone file: in a file their declared length would
// swallow what follows. The first case was found by the JBIG2 fuzz target: globals whose last
// segment runs past their end.
TEST(PdfJbig2, StandaloneFileKeepsWholeSegmentsOnly) {
    const Bytes found = {
        0x0E, 0x00, 0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
        0x00, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x26, 0x00, 0x01, 0x00, 0x00,
        0x00, 0x1B, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01,
        0x00, 0x0A, 0x02, 0xFF, 0x5C, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00, 0x13,
        0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46,
        0x0C, 0xF1, 0x7F, 0xFF, 0xAC, 0x00, 0x00, 0x00, 0x02, 0x31, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x03, 0x30, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x26, 0x00, 0x02, 0x00, 0x00, 0x00, 0x1B, 0x00, 0x00,
        0x00, 0x07, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0A, 0x02, 0xFF,
        0x5C, 0x46, 0x0C, 0xF1, 0x7F, 0xFF, 0xAC, 0x00, 0x00, 0x00, 0x05, 0x31, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04,
        0x9A, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x06, 0x31, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00};
    const std::size_t split = found[0];
    Bytes cutGlobals = Globals();
    cutGlobals.resize(cutGlobals.size() - 3);
    const std::vector<std::pair<Bytes, Bytes>> cases = {
        {Bytes(found.begin() + 1, found.begin() + 1 + static_cast<std::ptrdiff_t>(split)),
         Bytes(found.begin() + 1 + static_cast<std::ptrdiff_t>(split), found.end())},
        {cutGlobals, PictureStream(false)},
        {Globals(),
         [] {
             Bytes cut = PictureStream(false);
             cut.resize(cut.size() - 2);  // the text region cut short
             return cut;
         }()},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto file = jbig2::StandaloneJbig2File(cases[i].first, cases[i].second);
        ASSERT_TRUE(file.has_value());
        jbig2::Jbig2Document document;
        ASSERT_TRUE(document.ParseFile(*file));
        EXPECT_EQ(document.Pages().size(), 1u);
        EXPECT_EQ(document.Segments().back().type, 51) << "the file ends with its end-of-file segment";
    }
    Bytes cutPage = PictureStream(false);
    cutPage.resize(20);  // the page information cut short: no page, no file
    EXPECT_FALSE(jbig2::StandaloneJbig2File(Globals(), cutPage).has_value());
}

}  // namespace
}  // namespace pictrove::readers
