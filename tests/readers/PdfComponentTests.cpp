// The PDF reader class through COM, as the application meets it: found through the manifest,
// files written to disk, the password round trip, and JPEG images decoded the same on every platform.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include "TestJpeg.h"
#include "TestPdf.h"
#include "contracts/DocumentConditionContract.h"
#include "contracts/ReaderContract.h"
#include "ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;
using test::Bytes;
using test::PdfWriter;
using namespace test::readers;

constexpr int kPdfFormat = 3;

std::string Ref(int number) {
    return std::to_string(number) + " 0 R";
}

ComPtr<DocumentReader> CreatePdfReader() {
    ComPtr<DocumentReader> reader;
    EXPECT_EQ(CoCreateInstance(kReaderClassIds[kPdfFormat], nullptr, CLSCTX_ALL, kIidDocumentReader,
                               reinterpret_cast<void**>(reader.GetAddressOf())),
              S_OK);
    return reader;
}

ComPtr<ImageCollection> Collection(DocumentReader* reader) {
    ComPtr<ImageCollection> collection;
    EXPECT_EQ(reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(collection.GetAddressOf())), S_OK);
    return collection;
}

// A JPEG of one solid colour, written by the platform's encoder.
Bytes SolidJpeg(int width, int height, BYTE red, BYTE green, BYTE blue) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    GpBitmap* bitmap = nullptr;
    GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            GdipBitmapSetPixel(bitmap, x, y, 0xFF000000u | (red << 16) | (green << 8) | blue);
    }
    const CLSID jpegEncoder = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    IStream* stream = SHCreateMemStream(nullptr, 0);
    Bytes bytes;
    if (GdipSaveImageToStream(bitmap, stream, &jpegEncoder, nullptr) == Ok) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    }
    stream->Release();
    GdipDisposeImage(bitmap);
    return bytes;
}

class PdfReaderClass : public test::readers::ReaderFileTest {};

TEST_F(PdfReaderClass, ListsAndDecodesRawAndJpegImages) {
    const Bytes jpeg = SolidJpeg(16, 8, 200, 40, 40);
    ASSERT_GT(jpeg.size(), 100u);
    PdfWriter writer;
    const int raw = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Filter /FlateDecode >>",
        test::ZlibCompress(Bytes{10, 20, 30, 40, 50, 60}));
    const int photo = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 16 /Height 8 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Filter /DCTDecode >>",
        jpeg);
    const int root = test::AddPages(
        writer, {{"/Photo Do /Raw Do", "<< /XObject << /Raw " + Ref(raw) + " /Photo " + Ref(photo) + " >> >>", ""}});
    // The second extension of the format is read the same way.
    for (const wchar_t* file : {L"report.pdf", L"form.wwf"}) {
        SCOPED_TRACE(std::string(file, file + wcslen(file)));
        auto reader = CreatePdfReader();
        ASSERT_TRUE(reader);
        ASSERT_EQ(OpenPath(reader.Get(), Write(file, writer.Write(root))), S_OK);
        auto collection = Collection(reader.Get());
        reader.Reset();  // the collection keeps the document open
        ASSERT_TRUE(collection);
        int count = 0xdeadbeef;
        EXPECT_EQ(collection->GetImageCount(&count), S_OK);
        ASSERT_EQ(count, 2);
        EXPECT_EQ(Name(collection.Get(), 0), L"Page1_Photo");
        EXPECT_EQ(Name(collection.Get(), 1), L"Page1_Raw");
        const Pixels photoPixels = ReadPixels(collection.Get(), 0);
        ASSERT_NE(photoPixels.bits, nullptr);
        EXPECT_EQ(photoPixels.type, 1);
        EXPECT_EQ(photoPixels.width, 16);
        EXPECT_EQ(photoPixels.height, 8);
        const BYTE* centre = photoPixels.bits + 4 * photoPixels.stride + 8 * 3;
        EXPECT_NEAR(centre[2], 200, 12);
        EXPECT_NEAR(centre[1], 40, 12);
        EXPECT_NEAR(centre[0], 40, 12);
        const Pixels rawPixels = ReadPixels(collection.Get(), 1);
        ASSERT_NE(rawPixels.bits, nullptr);
        EXPECT_EQ(rawPixels.type, 1);
        EXPECT_EQ(std::vector<int>(rawPixels.bits, rawPixels.bits + 6), (std::vector<int>{30, 20, 10, 60, 50, 40}));
    }
}

// Pictures over the limits stay listed, give no image and say which limit with a code of their
// own; the picture beside them still decodes.
TEST_F(PdfReaderClass, PicturesOverTheLimitsGiveTheirOwnCodes) {
    PdfWriter writer;
    const int small = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{1, 2});
    const int wide = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 30000 /Height 9000 /ColorSpace /DeviceGray /BitsPerComponent 8 "
        "/Filter /FlateDecode >>",
        test::ZlibCompress(Bytes(1000, 0)));
    const int deep = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 15000 /Height 15000 /ColorSpace /DeviceRGB /BitsPerComponent 16 "
        "/Filter /FlateDecode >>",
        test::ZlibCompress(Bytes(1000, 0)));
    const int root = test::AddPages(
        writer, {{"/S Do /W Do /D Do",
                  "<< /XObject << /S " + Ref(small) + " /W " + Ref(wide) + " /D " + Ref(deep) + " >> >>", ""}});
    auto reader = CreatePdfReader();
    ASSERT_TRUE(reader);
    ASSERT_EQ(OpenPath(reader.Get(), Write(L"limits.pdf", writer.Write(root))), S_OK);
    auto collection = Collection(reader.Get());
    ASSERT_TRUE(collection);
    int count = 0;
    ASSERT_EQ(collection->GetImageCount(&count), S_OK);
    ASSERT_EQ(count, 3);
    int width = 0;
    EXPECT_EQ(collection->GetImageWidth(1, &width), S_OK);
    EXPECT_EQ(width, 30000);
    for (const auto& [index, expected] : {std::pair{1, kImageOverPixelLimit}, std::pair{2, kImageOverStreamLimit},
                                          std::pair{1, kImageOverPixelLimit}}) {
        SCOPED_TRACE(index);
        ComPtr<IUnknown> image;
        EXPECT_EQ(collection->GetImage(index, image.GetAddressOf()), expected);
        EXPECT_FALSE(image);
        EXPECT_TRUE(IsImageLimitRefusal(expected));
    }
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_EQ(pixels.bits[1], 2);
    EXPECT_FALSE(IsImageLimitRefusal(E_FAIL));
}

// A PDF's CMYK and YCCK JPEG samples are taken as stored and inverted only by a Decode array,
// whatever Adobe's marker says (a platform decoder would follow the JPEG file convention and
// invert marked ones): ink written as it is with no Decode array (as Ghostscript does) and ink
// stored inverted with an inverted one (as Adobe's applications do) both come out positive.
TEST_F(PdfReaderClass, CmykJpegsArePositiveWithAndWithoutAdobeMarkers) {
    const Bytes ink{0, 200, 255, 0};  // orange-red
    struct Case {
        const char* label;
        test::JpegOptions options;
        bool inverted;  // stored inverted under /Decode [1 0 1 0 1 0 1 0]
    };
    const Case cases[] = {{"adobe cmyk", {4, true, false}, false},
                          {"adobe cmyk, inverted", {4, true, false}, true},
                          {"adobe ycck", {4, true, true}, false},
                          {"adobe ycck, inverted", {4, true, true}, true},
                          {"plain cmyk", {4, false}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes stored = ink;
        if (c.inverted) {
            for (auto& v : stored) v = static_cast<BYTE>(255 - v);
        }
        PdfWriter writer;
        const int photo = writer.AddStream(
            "<< /Type /XObject /Subtype /Image /Width 16 /Height 16 /ColorSpace /DeviceCMYK "
            "/BitsPerComponent 8 /Filter /DCTDecode" +
                std::string(c.inverted ? " /Decode [1 0 1 0 1 0 1 0]" : "") + " >>",
            test::JpegOfColour(16, 16, stored, c.options));
        const int root = test::AddPages(writer, {{"/Photo Do", "<< /XObject << /Photo " + Ref(photo) + " >> >>", ""}});
        auto reader = CreatePdfReader();
        ASSERT_TRUE(reader);
        ASSERT_EQ(OpenPath(reader.Get(), Write(L"cmyk.pdf", writer.Write(root))), S_OK);
        auto collection = Collection(reader.Get());
        ASSERT_TRUE(collection);
        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_NE(pixels.bits, nullptr);
        EXPECT_EQ(pixels.type, 1);
        const BYTE* centre = pixels.bits + 8 * pixels.stride + 8 * 3;
        EXPECT_GT(centre[2], 200);  // red
        EXPECT_LT(centre[0], 60);   // hardly any blue
    }
}

TEST_F(PdfReaderClass, PasswordRoundTrip) {
    PdfWriter writer;
    const int image = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
        "/BitsPerComponent 8 >>",
        Bytes{123});
    const int root = test::AddPages(writer, {{"/Im Do", "<< /XObject << /Im " + Ref(image) + " >> >>", ""}});
    const test::PdfEncryption encryption{4, 128, true, false, "letmein", "admin"};
    test::PdfWriteOptions options;
    options.encryption = &encryption;
    const std::wstring path = Write(L"secret.pdf", writer.Write(root, options));

    auto reader = CreatePdfReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(OpenPath(reader.Get(), path), kOpenNeedsPassword);
    ComPtr<ImageCollection> none;
    EXPECT_EQ(reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(none.GetAddressOf())),
              E_NOINTERFACE);
    ComPtr<DocumentPassword> password;
    ASSERT_EQ(reader->QueryInterface(kIidDocumentPassword, reinterpret_cast<void**>(password.GetAddressOf())), S_OK);
    for (const wchar_t* attempt : {L"wrong", L"letmein", L"admin"}) {
        SCOPED_TRACE(std::string(attempt, attempt + wcslen(attempt)));
        BSTR text = SysAllocString(attempt);
        EXPECT_EQ(password->SetPassword(text), S_OK);
        SysFreeString(text);
        const HRESULT hr = OpenPath(reader.Get(), path);
        if (wcscmp(attempt, L"wrong") == 0) {
            EXPECT_EQ(hr, kOpenNeedsPassword);
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        auto collection = Collection(reader.Get());
        ASSERT_TRUE(collection);
        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_NE(pixels.bits, nullptr);
        EXPECT_EQ(pixels.type, 2);
        EXPECT_EQ(pixels.bits[0], 123);
    }
}

// The collection tells a document that opened round damage from a whole one.
TEST_F(PdfReaderClass, ACutShortFileSaysItIsDamaged) {
    PdfWriter writer;
    const int raw = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{7});
    const int root = test::AddPages(writer, {{"/Raw Do", "<< /XObject << /Raw " + Ref(raw) + " >> >>", ""}});
    const Bytes whole = writer.Write(root);
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "cut short" : "whole");
        auto reader = CreatePdfReader();
        ASSERT_TRUE(reader);
        const Bytes file = cut ? Bytes(whole.begin(), whole.end() - 8) : whole;
        ASSERT_EQ(OpenPath(reader.Get(), Write(cut ? L"cut.pdf" : L"whole.pdf", file)), S_OK);
        auto collection = Collection(reader.Get());
        ASSERT_TRUE(collection);
        ComPtr<DocumentCondition> condition;
        ASSERT_EQ(collection->QueryInterface(kIidDocumentCondition, reinterpret_cast<void**>(condition.GetAddressOf())),
                  S_OK);
        int state = static_cast<int>(0xdeadbeef);
        EXPECT_EQ(condition->GetCondition(&state), S_OK);
        EXPECT_EQ(state, cut ? kDocumentDamaged : kDocumentWhole);
    }
}

TEST_F(PdfReaderClass, NotAPdfCannotBeOpened) {
    auto reader = CreatePdfReader();
    ASSERT_TRUE(reader);
    const HRESULT hr = OpenPath(reader.Get(), Write(L"fake.pdf", test::Text("just some text, no document here")));
    EXPECT_NE(hr, S_OK);
    EXPECT_NE(hr, kOpenNeedsPassword);
}

}  // namespace
}  // namespace pictrove
