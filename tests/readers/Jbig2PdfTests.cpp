// JBIG2Decode pictures in PDF files: the embedded stream with its globals, the Decode array and
// stencil masks as for the other 1-bit pictures, and a damaged picture failing alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Jbig2TestStreams.h"
#include "TestPdf.h"
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

Bytes PictureStream() {
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

}  // namespace
}  // namespace pictrove::readers
