// PDF pictures as stored: which are files of their own, their bytes after decryption and the
// general filters, and the pixel type the dictionary settles without decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestJpeg.h"
#include "TestJpx.h"
#include "TestPdf.h"
#include "pdf/PdfSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::PdfWriter;

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

Bytes ColourJpeg() {
    Bytes samples;
    for (int i = 0; i < 8 * 6; ++i) samples.insert(samples.end(), {static_cast<std::uint8_t>(i * 5), 40, 200});
    return test::MakeJpeg(8, 6, samples, {.components = 3, .quality = 90});
}

Bytes GrayJpeg() {
    Bytes samples;
    for (int i = 0; i < 5 * 4; ++i) samples.push_back(static_cast<std::uint8_t>(i * 12));
    return test::MakeJpeg(5, 4, samples, {.components = 1, .quality = 90});
}

Bytes Jpx(bool jp2) {
    test::JpxPlane plane;
    for (int i = 0; i < 4 * 3; ++i) plane.values.push_back(i * 20);
    return test::MakeJpx(4, 3, {plane}, {.jp2 = jp2});
}

struct Expected {
    const char* what;
    StoredFormat format;
    std::optional<PixelType> pixelType;
    Bytes bytes;  // the stored file; empty when none
};

struct Document {
    Bytes file;
    std::vector<Expected> expected;
};

Document BuildMixed(const test::PdfWriteOptions& options) {
    PdfWriter writer;
    const std::string image = "<< /Type /XObject /Subtype /Image ";
    const Bytes colour = ColourJpeg();
    const Bytes gray = GrayJpeg();
    const Bytes mask(8 * 6, 0x80);
    const int softMask = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 8 /Height 6 /ColorSpace /DeviceGray /BitsPerComponent 8 >>", mask);
    std::vector<std::pair<std::string, Expected>> pictures = {
        {image + "/Width 8 /Height 6 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>",
         {"colour JPEG", StoredFormat::kJpeg, PixelType::kBgr24, colour}},
        {image + "/Width 5 /Height 4 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter [/DCTDecode] >>",
         {"gray JPEG", StoredFormat::kJpeg, PixelType::kGray8, gray}},
        {image + "/Width 8 /Height 6 /BitsPerComponent 8 /Filter /DCTDecode >>",
         {"JPEG without a colour space", StoredFormat::kJpeg, PixelType::kBgr24, colour}},
        // Inverted by the page, not by a JPEG file's reader: only its pixels show it.
        {image + "/Width 5 /Height 4 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode /Decode [1 0] >>",
         {"inverted gray JPEG", StoredFormat::kNone, PixelType::kGray8, {}}},
        {image + "/Width 8 /Height 6 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /SMask " +
             Ref(softMask) + " >>",
         {"JPEG with a soft mask", StoredFormat::kNone, PixelType::kBgra32, {}}},
        {image + "/Width 4 /Height 3 /Filter /JPXDecode >>", {"JP2 file", StoredFormat::kJp2, std::nullopt, Jpx(true)}},
        {image + "/Width 4 /Height 3 /Filter /JPXDecode >>",
         {"JPEG 2000 codestream", StoredFormat::kJ2k, std::nullopt, Jpx(false)}},
        {image + "/Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8 >>",
         {"raw colour samples", StoredFormat::kNone, PixelType::kBgr24, {}}},
        {image + "/Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode >>",
         {"deflated gray samples", StoredFormat::kNone, PixelType::kGray8, {}}},
        {image + "/Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 /Mask [0 10] >>",
         {"colour-keyed samples", StoredFormat::kNone, PixelType::kBgra32, {}}},
        {image + "/Width 8 /Height 6 /ImageMask true >>", {"stencil", StoredFormat::kNone, PixelType::kGray8, {}}},
    };
    Document document;
    std::string resources = "<< /XObject << ";
    std::string content;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        Expected& expected = pictures[i].second;
        Bytes data = expected.bytes;
        // A picture with no stored form still has data: samples, or a JPEG whose mask is merged.
        if (data.empty()) data = std::string(expected.what) == "JPEG with a soft mask" ? colour : Bytes(12, 0x40);
        if (std::string(expected.what) == "inverted gray JPEG") data = gray;
        if (pictures[i].first.find("FlateDecode") != std::string::npos) data = test::ZlibCompress(data);
        const int number = writer.AddStream(pictures[i].first, data);
        resources += "/I" + std::to_string(i) + " " + Ref(number) + " ";
        content += "/I" + std::to_string(i) + " Do ";
        document.expected.push_back(expected);
    }
    // A JPEG deflated once more: the general filters come off, the JPEG stays as stored.
    const int chained = writer.AddStream(
        image + "/Width 8 /Height 6 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/FlateDecode /DCTDecode] >>",
        test::ZlibCompress(colour));
    resources += "/C " + Ref(chained) + " >> >>";
    content += "/C Do";
    document.expected.push_back({"deflated JPEG", StoredFormat::kJpeg, PixelType::kBgr24, colour});
    const int root = test::AddPages(writer, {{content, resources, ""}});
    document.file = writer.Write(root, options);
    return document;
}

void CheckStored(PdfSource& source, const std::vector<Expected>& expected) {
    ASSERT_EQ(source.Images().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].what);
        const StoredInfo info = source.Stored(i);
        EXPECT_EQ(info.format, expected[i].format);
        EXPECT_EQ(info.pixelType, expected[i].pixelType);
        const auto bytes = source.StoredBytes(i);
        if (expected[i].format == StoredFormat::kNone) {
            EXPECT_FALSE(bytes.has_value());
        } else {
            ASSERT_TRUE(bytes.has_value());
            EXPECT_EQ(*bytes, expected[i].bytes);
        }
        // What the dictionary promised is what decoding gives.
        if (info.pixelType) {
            const auto decoded = source.Decode(i);
            ASSERT_TRUE(decoded.has_value());
            EXPECT_EQ(decoded->type, *info.pixelType);
        }
    }
    EXPECT_EQ(source.Stored(expected.size()).format, StoredFormat::kNone);
    EXPECT_FALSE(source.StoredBytes(expected.size()).has_value());
}

TEST(StoredPdfImages, FilesOfTheirOwnAsStoredAndTheOthersNone) {
    const Document document = BuildMixed({});
    PdfSource source;
    ASSERT_EQ(source.Open({document.file, u"mixed.pdf", u""}), OpenStatus::kOpened);
    CheckStored(source, document.expected);
}

TEST(StoredPdfImages, EncryptedStreamsComeOutDecrypted) {
    for (const bool aes : {false, true}) {
        SCOPED_TRACE(aes ? "AES" : "RC4");
        test::PdfEncryption encryption;
        encryption.revision = 4;
        encryption.aes = aes;
        encryption.user = "pw";
        const Document document = BuildMixed({.encryption = &encryption});
        PdfSource source;
        ASSERT_EQ(source.Open({document.file, u"locked.pdf", u""}), OpenStatus::kNeedsPassword);
        ASSERT_EQ(source.Open({document.file, u"locked.pdf", u"pw"}), OpenStatus::kOpened);
        CheckStored(source, document.expected);
    }
}

}  // namespace
}  // namespace pictrove::readers
