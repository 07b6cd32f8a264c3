// The reader DLL through COM, as the application meets it: classes found through the manifest,
// real files written into a temporary folder, pixels read back through the image objects.
#include <gtest/gtest.h>

#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <thread>
#include <tuple>

#include <zlib.h>

#include "ReaderTestSupport.h"
#include "TestDocuments.h"
#include "TestImageFiles.h"
#include "TestJpeg.h"
#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;
using test::Bytes;
using test::TempFolder;

using namespace test::readers;

constexpr int kTextFormat = 4;
constexpr int kImageFormat = 5;

// Pixel (x, y) of the small test pictures: every pixel different.
std::uint8_t Red(int x, int y) {
    return static_cast<std::uint8_t>(40 * x + y);
}
std::uint8_t Green(int x, int y) {
    return static_cast<std::uint8_t>(200 - 30 * y);
}
std::uint8_t Blue(int x, int y) {
    return static_cast<std::uint8_t>(17 * (x + y));
}

Bytes RgbSamples(int width, int height, bool alpha) {
    Bytes samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            samples.insert(samples.end(), {Red(x, y), Green(x, y), Blue(x, y)});
            if (alpha) samples.push_back(x == 0 ? 0 : 255);
        }
    }
    return samples;
}

class ImageFileReader : public test::readers::ReaderFileTest {};

TEST_F(ImageFileReader, PngWithAlphaGivesBgraAndNoAlphaGivesBgr) {
    const struct {
        const wchar_t* file;
        test::PngColour colour;
        int expectedType;
        int bytesPerPixel;
    } cases[] = {
        {L"photo.png", test::PngColour::kRgba, kPixelBgra32, 4},
        {L"plain.png", test::PngColour::kRgb, kPixelBgr24, 3},
    };
    constexpr int kWidth = 5;  // odd, so three-byte rows need padding
    constexpr int kHeight = 3;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        const auto path = Write(c.file, test::MakePng(kWidth, kHeight, c.colour,
                                                      RgbSamples(kWidth, kHeight, c.colour == test::PngColour::kRgba)));
        auto collection = OpenCollection(kImageFormat, path);
        ASSERT_TRUE(collection);
        ASSERT_EQ(Count(collection.Get()), 1);
        EXPECT_EQ(Name(collection.Get(), 0), std::wstring(c.file).substr(0, wcslen(c.file) - 4));
        int width = 0;
        int height = 0;
        EXPECT_EQ(collection->GetImageWidth(0, &width), S_OK);
        EXPECT_EQ(collection->GetImageHeight(0, &height), S_OK);
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);

        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_NE(pixels.bits, nullptr);
        EXPECT_EQ(pixels.type, c.expectedType);
        EXPECT_EQ(pixels.width, kWidth);
        EXPECT_EQ(pixels.height, kHeight);
        EXPECT_EQ(pixels.layout, 0);
        EXPECT_EQ(pixels.stride, (kWidth * c.bytesPerPixel + 3) & ~3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::vector<int> expected = {Blue(x, y), Green(x, y), Red(x, y)};
                if (c.bytesPerPixel == 4) expected.push_back(x == 0 ? 0 : 255);
                if (c.bytesPerPixel == 4 && x == 0) continue;  // colour of fully transparent pixels is free
                EXPECT_EQ(Channels(pixels, x, y), expected) << "pixel " << x << "," << y;
            }
            if (c.bytesPerPixel == 4) {
                EXPECT_EQ(pixels.At(0, y)[3], 0) << "row " << y;
            }
        }
    }
}

TEST_F(ImageFileReader, GrayPngGivesGray) {
    const Bytes levels = {0, 50, 100, 150, 200, 250, 7, 255, 128, 1, 2, 3};
    const auto path = Write(L"scan.png", test::MakePng(6, 2, test::PngColour::kGray, levels));
    auto collection = OpenCollection(kImageFormat, path);
    ASSERT_TRUE(collection);
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_EQ(pixels.type, kPixelGray8);
    EXPECT_EQ(pixels.stride, 8);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(*pixels.At(i % 6, i / 6), levels[i]) << "pixel " << i;
}

// JPEG files: gray stays gray, and CMYK files with and without Adobe's inverted storage all
// show their ink (orange-red), not its negative.
TEST_F(ImageFileReader, JpegFilesKeepGrayAndShowCmykInkTheSameWay) {
    auto gray = OpenCollection(kImageFormat, Write(L"gray.jpg", test::JpegOfColour(9, 4, {90}, {1})));
    ASSERT_TRUE(gray);
    const Pixels grayPixels = ReadPixels(gray.Get(), 0);
    ASSERT_NE(grayPixels.bits, nullptr);
    EXPECT_EQ(grayPixels.type, kPixelGray8);
    EXPECT_NEAR(*grayPixels.At(8, 3), 90, 1);

    const Bytes ink{0, 200, 255, 0};
    const Bytes inverted{255, 55, 0, 255};
    struct Case {
        const wchar_t* name;
        Bytes stored;
        test::JpegOptions options;
    };
    const Case cases[] = {
        {L"adobe.jpg", inverted, {4, true}}, {L"ycck.jpg", inverted, {4, true, true}}, {L"plain.jpg", ink, {4, false}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        auto collection = OpenCollection(kImageFormat, Write(c.name, test::JpegOfColour(16, 16, c.stored, c.options)));
        ASSERT_TRUE(collection);
        const Pixels pixels = ReadPixels(collection.Get(), 0);
        ASSERT_NE(pixels.bits, nullptr);
        EXPECT_EQ(pixels.type, kPixelBgr24);
        const BYTE* centre = pixels.At(8, 8);
        EXPECT_GT(centre[2], 200);  // red
        EXPECT_LT(centre[0], 60);   // hardly any blue
    }
}

// Frame k of the animation: palette index (x + y + k) % 3 of red, green, blue.
Bytes AnimationFrame(int width, int height, int k) {
    Bytes indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) indices.push_back(static_cast<std::uint8_t>((x + y + k) % 3));
    }
    return indices;
}

TEST_F(ImageFileReader, EveryFrameOfAnAnimation) {
    const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    constexpr int kWidth = 7;
    constexpr int kHeight = 4;
    std::vector<test::GifFrame> frames;
    for (int k = 0; k < 3; ++k) frames.push_back({AnimationFrame(kWidth, kHeight, k)});
    auto collection = OpenCollection(kImageFormat, Write(L"anim.gif", test::MakeGif(kWidth, kHeight, palette, frames)));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 3);
    const std::vector<int> bgr[3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        EXPECT_EQ(Name(collection.Get(), k), L"anim_" + std::to_wstring(k + 1));
        int width = 0;
        int height = 0;
        collection->GetImageWidth(k, &width);
        collection->GetImageHeight(k, &height);
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        const Pixels pixels = ReadPixels(collection.Get(), k);
        ASSERT_NE(pixels.bits, nullptr);
        EXPECT_EQ(pixels.type, kPixelBgr24);
        EXPECT_EQ(pixels.stride, 24);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                EXPECT_EQ(Channels(pixels, x, y), bgr[(x + y + k) % 3]) << "pixel " << x << "," << y;
            }
        }
    }
}

TEST_F(ImageFileReader, TransparentGifColourGivesAlpha) {
    const Bytes palette = {10, 20, 30, 0, 0, 0};
    const Bytes indices = {0, 1, 1, 0};
    auto collection = OpenCollection(kImageFormat, Write(L"sticker.gif", test::MakeGif(2, 2, palette, {{indices}}, 1)));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"sticker");
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_EQ(pixels.type, kPixelBgra32);
    EXPECT_EQ(Channels(pixels, 0, 0), (std::vector<int>{30, 20, 10, 255}));
    EXPECT_EQ(pixels.At(1, 0)[3], 0);
    EXPECT_EQ(pixels.At(0, 1)[3], 0);
    EXPECT_EQ(Channels(pixels, 1, 1), (std::vector<int>{30, 20, 10, 255}));
}

TEST_F(ImageFileReader, EveryImageOfAnIconFile) {
    // 16 x 16 bitmap entry: left half opaque orange, right half transparent.
    test::IconImage small{16, 16, {}, {}};
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            small.bgra.insert(small.bgra.end(), {0, 128, 255, static_cast<std::uint8_t>(x < 8 ? 255 : 0)});
        }
    }
    // 32 x 32 PNG entry, opaque, with the test colours.
    test::IconImage large{32, 32, {}, {}};
    Bytes rgba;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) rgba.insert(rgba.end(), {Red(x, y), Green(x, y), Blue(x, y), 255});
    }
    large.png = test::MakePng(32, 32, test::PngColour::kRgba, rgba);

    auto collection = OpenCollection(kImageFormat, Write(L"app.ico", test::MakeIco({small, large})));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 2);
    EXPECT_EQ(Name(collection.Get(), 0), L"app_1");
    EXPECT_EQ(Name(collection.Get(), 1), L"app_2");
    int sizes[2][2] = {};
    for (int i = 0; i < 2; ++i) {
        collection->GetImageWidth(i, &sizes[i][0]);
        collection->GetImageHeight(i, &sizes[i][1]);
    }
    EXPECT_EQ(sizes[0][0], 16);
    EXPECT_EQ(sizes[0][1], 16);
    EXPECT_EQ(sizes[1][0], 32);
    EXPECT_EQ(sizes[1][1], 32);

    const Pixels first = ReadPixels(collection.Get(), 0);
    ASSERT_NE(first.bits, nullptr);
    EXPECT_EQ(first.type, kPixelBgra32);
    EXPECT_EQ(first.width, 16);
    EXPECT_EQ(Channels(first, 0, 0), (std::vector<int>{0, 128, 255, 255}));
    EXPECT_EQ(Channels(first, 7, 15), (std::vector<int>{0, 128, 255, 255}));
    EXPECT_EQ(first.At(8, 0)[3], 0);
    EXPECT_EQ(first.At(15, 15)[3], 0);

    const Pixels second = ReadPixels(collection.Get(), 1);
    ASSERT_NE(second.bits, nullptr);
    EXPECT_EQ(second.width, 32);
    EXPECT_EQ(second.height, 32);
    for (int i = 0; i < 32; ++i) {
        const int x = (i * 7) % 32;
        const int y = i;
        const BYTE* p = second.At(x, y);
        EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{Blue(x, y), Green(x, y), Red(x, y)}))
            << "pixel " << x << "," << y;
    }
}

TEST_F(ImageFileReader, LayeredPaintFileGivesItsMergedPicture) {
    test::PsdPicture picture{4, 3, 8, 3, {}, true};
    for (auto channel : {Red, Green, Blue}) {
        Bytes plane;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) plane.push_back(channel(x, y));
        }
        picture.channels.push_back(plane);
    }
    auto collection = OpenCollection(kImageFormat, Write(L"poster.psd", test::MakePsd(picture)));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"poster");
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_EQ(pixels.type, kPixelBgr24);
    EXPECT_EQ(Channels(pixels, 3, 2), (std::vector<int>{Blue(3, 2), Green(3, 2), Red(3, 2)}));

    // CMYK is not drawn: the file does not open.
    picture.mode = 4;
    picture.channels.push_back(picture.channels[0]);
    auto reader = CreateReader(kImageFormat);
    ASSERT_TRUE(reader);
    const HRESULT hr = OpenPath(reader.Get(), Write(L"cmyk.psd", test::MakePsd(picture)));
    EXPECT_NE(hr, S_OK);
    EXPECT_NE(hr, kOpenNeedsPassword);
}

TEST_F(ImageFileReader, MetafileIsDrawnOnWhite) {
    const std::wstring path = folder_.File(L"drawing.emf");
    const RECT frame{0, 0, 2000, 1000};  // hundredths of a millimetre
    HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
    ASSERT_NE(dc, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT block{0, 0, 20, 20};
    FillRect(dc, &block, red);
    DeleteObject(red);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));

    auto collection = OpenCollection(kImageFormat, path);
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 1);
    EXPECT_EQ(Name(collection.Get(), 0), L"drawing");
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_EQ(pixels.type, kPixelBgr24);
    // 20 mm x 10 mm at 96 dpi, listed and drawn alike.
    EXPECT_EQ(pixels.width, 76);
    EXPECT_EQ(pixels.height, 38);
    int listedWidth = 0, listedHeight = 0;
    collection->GetImageWidth(0, &listedWidth);
    collection->GetImageHeight(0, &listedHeight);
    EXPECT_EQ(listedWidth, pixels.width);
    EXPECT_EQ(listedHeight, pixels.height);
    ASSERT_GT(pixels.width, 2);
    ASSERT_GT(pixels.height, 2);
    EXPECT_EQ(Channels(pixels, 1, 1), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(Channels(pixels, pixels.width - 1, pixels.height - 1), (std::vector<int>{255, 255, 255}));
}

// A PNG whose header declares 20000 x 20000 pixels (with a header checksum that matches) over
// a few bytes of data.
Bytes PngDeclaring(std::uint32_t width, std::uint32_t height) {
    Bytes png = test::MakePng(1, 1, test::PngColour::kGray, {0});
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    return png;
}

// A picture over the pixel limit, as a file and inside a comic: listed at its size, refused with
// the limit's own code, and never handed to the platform's decoder (which would try to hold it).
TEST_F(ImageFileReader, APictureOverThePixelLimitIsListedAndRefusedForIt) {
    const Bytes vast = PngDeclaring(20000, 20000);
    const Bytes comic =
        test::MakeZip({{"1.png", test::MakePng(2, 2, test::PngColour::kGray, Bytes(4, 9))}, {"2.png", vast}});
    for (const auto& [format, name, bytes, index] :
         {std::tuple{kImageFormat, L"vast.png", vast, 0}, std::tuple{7, L"vast.cbz", comic, 1}}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        auto collection = OpenCollection(format, Write(name, bytes));
        ASSERT_TRUE(collection);
        int width = 0, height = 0;
        collection->GetImageWidth(index, &width);
        collection->GetImageHeight(index, &height);
        EXPECT_EQ(width, 20000);
        EXPECT_EQ(height, 20000);
        ComPtr<IUnknown> image;
        EXPECT_EQ(collection->GetImage(index, image.GetAddressOf()), kImageOverPixelLimit);
        EXPECT_FALSE(image);
        if (index == 1) EXPECT_NE(ReadPixels(collection.Get(), 0).bits, nullptr) << "the other page still decodes";
    }
}

TEST_F(ImageFileReader, UnreadableFilesDoNotOpen) {
    const std::wstring missing = folder_.File(L"missing.png");
    const std::wstring garbage = Write(L"garbage.png", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    const std::wstring empty = Write(L"empty.png", {});
    const std::wstring fakeIcon = Write(L"fake.ico", Bytes{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 99, 0, 0, 0});
    const struct {
        std::wstring path;
        HRESULT expected;  // 0 for "any failure"
    } cases[] = {
        {missing, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {folder_.Path() + L"nowhere\\x.png", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {garbage, 0},
        {empty, 0},
        {fakeIcon, 0},
        {L"", E_INVALIDARG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        auto reader = CreateReader(kImageFormat);
        ASSERT_TRUE(reader);
        const HRESULT hr = OpenPath(reader.Get(), c.path);
        EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        if (c.expected != 0) {
            EXPECT_EQ(hr, c.expected);
        }
        ComPtr<ImageCollection> collection;
        EXPECT_EQ(Query(reader.Get(), kIidImageCollection, collection), E_NOINTERFACE);
        EXPECT_FALSE(collection);
    }
    auto reader = CreateReader(kImageFormat);
    EXPECT_EQ(reader->Open(nullptr), E_INVALIDARG);
}

TEST_F(ImageFileReader, TruncatedFileNeverYieldsAnImage) {
    const Bytes png = test::MakePng(40, 40, test::PngColour::kRgb, Bytes(40 * 40 * 3, 77));
    // Cut inside the pixel data, near its end, and inside the header.
    for (std::size_t keep : {png.size() / 2, png.size() - 100, std::size_t{20}}) {
        SCOPED_TRACE(keep);
        const auto path = Write(L"cut.png", Bytes(png.begin(), png.begin() + keep));
        auto reader = CreateReader(kImageFormat);
        ASSERT_TRUE(reader);
        const HRESULT hr = OpenPath(reader.Get(), path);
        if (hr != S_OK) {
            EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
            continue;
        }
        // A decoder that reads lazily may only find the damage when the pixels are asked for.
        ComPtr<ImageCollection> collection;
        ASSERT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
        IUnknown* image = reinterpret_cast<IUnknown*>(0xdeadbeef);
        EXPECT_TRUE(FAILED(collection->GetImage(0, &image)));
        EXPECT_EQ(image, nullptr);
    }
}

TEST_F(ImageFileReader, FailedOpenGivesUpTheEarlierDocument) {
    const auto good = Write(L"good.png", test::MakePng(1, 1, test::PngColour::kGray, {9}));
    auto reader = CreateReader(kImageFormat);
    ASSERT_TRUE(reader);
    ComPtr<ImageCollection> before;
    EXPECT_EQ(Query(reader.Get(), kIidImageCollection, before), E_NOINTERFACE);
    ASSERT_EQ(OpenPath(reader.Get(), good), S_OK);
    ASSERT_EQ(Query(reader.Get(), kIidImageCollection, before), S_OK);
    ComPtr<ImageCollection> again;
    ASSERT_EQ(Query(reader.Get(), kIidImageCollection, again), S_OK);
    EXPECT_EQ(before.Get(), again.Get());

    EXPECT_NE(OpenPath(reader.Get(), folder_.File(L"gone.png")), S_OK);
    ComPtr<ImageCollection> after;
    EXPECT_EQ(Query(reader.Get(), kIidImageCollection, after), E_NOINTERFACE);
    // The collection taken earlier still holds its own document.
    EXPECT_EQ(Count(before.Get()), 1);
    EXPECT_EQ(*ReadPixels(before.Get(), 0).At(0, 0), 9);
}

TEST_F(ImageFileReader, PasswordIsAcceptedAndPlaceholdersAnswerNotImplemented) {
    auto reader = CreateReader(kImageFormat);
    ASSERT_TRUE(reader);
    ComPtr<DocumentPassword> password;
    ASSERT_EQ(Query(reader.Get(), kIidDocumentPassword, password), S_OK);
    BSTR secret = SysAllocString(L"secret");
    EXPECT_EQ(password->SetPassword(secret), S_OK);
    SysFreeString(secret);
    EXPECT_EQ(password->SetPassword(nullptr), S_OK);
    EXPECT_EQ(password->Reserved5(), E_NOTIMPL);
    EXPECT_EQ(reader->Reserved1(), E_NOTIMPL);
    EXPECT_EQ(reader->Reserved4(), E_NOTIMPL);
    ComPtr<IUnknown> other;
    EXPECT_EQ(Query(reader.Get(), kIidReaderImage, other), E_NOINTERFACE);

    // An unprotected file opens whatever password was set.
    ASSERT_EQ(OpenPath(reader.Get(), Write(L"p.png", test::MakePng(2, 1, test::PngColour::kGray, {1, 2}))), S_OK);
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
    EXPECT_EQ(collection->Reserved2(), E_NOTIMPL);
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_TRUE(pixels.image);
    EXPECT_EQ(pixels.image->Reserved8(), E_NOTIMPL);
    EXPECT_EQ(pixels.image->Reserved15(), E_NOTIMPL);
}

TEST_F(ImageFileReader, OutOfRangeIndicesAreRefusedWithClearedOutValues) {
    const auto path = Write(L"one.png", test::MakePng(3, 3, test::PngColour::kRgb, Bytes(27, 5)));
    auto collection = OpenCollection(kImageFormat, path);
    ASSERT_TRUE(collection);
    for (int index : {-1, 1, 1000}) {
        SCOPED_TRACE(index);
        int value = 0xdeadbeef;
        EXPECT_EQ(collection->GetImageWidth(index, &value), E_INVALIDARG);
        EXPECT_EQ(value, 0);
        value = 0xdeadbeef;
        EXPECT_EQ(collection->GetImageHeight(index, &value), E_INVALIDARG);
        EXPECT_EQ(value, 0);
        BSTR name = reinterpret_cast<BSTR>(0xdeadbeef);
        EXPECT_EQ(collection->GetImageName(index, &name), E_INVALIDARG);
        EXPECT_EQ(name, nullptr);
        IUnknown* image = reinterpret_cast<IUnknown*>(0xdeadbeef);
        EXPECT_EQ(collection->GetImage(index, &image), E_INVALIDARG);
        EXPECT_EQ(image, nullptr);
    }
    EXPECT_EQ(collection->GetImageCount(nullptr), E_POINTER);
}

TEST_F(ImageFileReader, SetPixelTypeOnlyBetweenTypesOfOneSize) {
    const auto path = Write(L"g.png", test::MakePng(2, 2, test::PngColour::kGray, {1, 2, 3, 4}));
    auto collection = OpenCollection(kImageFormat, path);
    ASSERT_TRUE(collection);
    const Pixels pixels = ReadPixels(collection.Get(), 0);
    ASSERT_TRUE(pixels.image);
    ASSERT_EQ(pixels.type, kPixelGray8);
    EXPECT_EQ(pixels.image->SetPixelType(kPixelGrayPlusOne8), S_OK);
    int type = -1;
    pixels.image->GetPixelType(&type);
    EXPECT_EQ(type, kPixelGrayPlusOne8);
    EXPECT_EQ(pixels.image->SetPixelType(kPixelGray8), S_OK);
    EXPECT_EQ(pixels.image->SetPixelType(kPixelBgra32), E_INVALIDARG);
    EXPECT_EQ(pixels.image->SetPixelType(4), E_INVALIDARG);
    EXPECT_EQ(pixels.image->SetPixelType(-1), E_INVALIDARG);
    pixels.image->GetPixelType(&type);
    EXPECT_EQ(type, kPixelGray8);
}

TEST_F(ImageFileReader, ObjectsOutliveWhatTheyCameFrom) {
    const auto path = Write(L"life.png", test::MakePng(3, 2, test::PngColour::kRgb, RgbSamples(3, 2, false)));
    DocumentReader* reader = CreateReader(kImageFormat).Detach();
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(OpenPath(reader, path), S_OK);
    ImageCollection* collection = nullptr;
    ASSERT_EQ(reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(&collection)), S_OK);
    // The reader keeps one reference on its collection until it goes.
    EXPECT_EQ(reader->Release(), 0u);
    EXPECT_EQ(collection->AddRef(), 2u);
    EXPECT_EQ(collection->Release(), 1u);

    EXPECT_EQ(Count(collection), 1);
    EXPECT_EQ(Name(collection, 0), L"life");
    IUnknown* object = nullptr;
    ASSERT_EQ(collection->GetImage(0, &object), S_OK);
    ReaderImage* image = nullptr;
    ASSERT_EQ(object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(&image)), S_OK);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(collection->Release(), 0u);

    BYTE* bits = nullptr;
    ASSERT_EQ(image->GetBits(&bits), S_OK);
    ASSERT_NE(bits, nullptr);
    int stride = 0;
    image->GetStride(&stride);
    EXPECT_EQ(stride, 12);
    EXPECT_EQ((std::vector<int>{bits[stride + 6], bits[stride + 7], bits[stride + 8]}),
              (std::vector<int>{Blue(2, 1), Green(2, 1), Red(2, 1)}));
    EXPECT_EQ(image->Release(), 0u);
}

TEST_F(ImageFileReader, DllStaysLoadedWhileObjectsLive) {
    const auto path = Write(L"unload.png", test::MakePng(1, 1, test::PngColour::kGray, {0}));
    auto collection = OpenCollection(kImageFormat, path);
    ASSERT_TRUE(collection);
    HMODULE module = GetModuleHandleW(L"PictroveReaders.dll");
    ASSERT_NE(module, nullptr);
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    Pixels pixels = ReadPixels(collection.Get(), 0);
    collection.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);  // the image object still lives
    pixels.image.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(ImageFileReader, WorkerThreadReadsTheCollectionWithoutMarshalling) {
    const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    std::vector<test::GifFrame> frames;
    for (int k = 0; k < 4; ++k) frames.push_back({AnimationFrame(9, 9, k)});
    auto collection = OpenCollection(kImageFormat, Write(L"busy.gif", test::MakeGif(9, 9, palette, frames)));
    ASSERT_TRUE(collection);
    ASSERT_EQ(Count(collection.Get()), 4);

    // Both threads decode every frame repeatedly and compare one pixel whose colour depends on
    // the frame; failures are counted, not asserted, off the test thread.
    const auto checkAll = [&collection](int rounds) {
        int failures = 0;
        for (int round = 0; round < rounds; ++round) {
            for (int k = 0; k < 4; ++k) {
                BSTR name = nullptr;
                const std::wstring expected = L"busy_" + std::to_wstring(k + 1);
                if (collection->GetImageName(k, &name) != S_OK || name == nullptr || expected != name) ++failures;
                SysFreeString(name);
                IUnknown* object = nullptr;
                if (collection->GetImage(k, &object) != S_OK || object == nullptr) {
                    ++failures;
                    continue;
                }
                ReaderImage* image = nullptr;
                BYTE* bits = nullptr;
                if (object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(&image)) == S_OK) {
                    image->GetBits(&bits);
                    // Pixel (0, 0) has index k % 3: red, green, blue in BGR memory order.
                    const int channel = 2 - k % 3;
                    if (bits == nullptr || bits[channel] != 255) ++failures;
                    image->Release();
                } else {
                    ++failures;
                }
                object->Release();
            }
        }
        return failures;
    };
    std::atomic<int> workerFailures{-1};
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        workerFailures = checkAll(25);
        CoUninitialize();
    });
    const int mainFailures = checkAll(25);
    worker.join();
    EXPECT_EQ(mainFailures, 0);
    EXPECT_EQ(workerFailures.load(), 0);
}

TEST(TextReader, OpensAnyReadableFileWithNoImages) {
    TempFolder folder;
    const auto story = folder.File(L"story.txt");
    ASSERT_TRUE(test::WriteFileBytes(story, Bytes{'O', 'n', 'c', 'e', ' ', 'u', 'p', 'o', 'n', '\n'}));
    const auto empty = folder.File(L"empty.tcr");
    ASSERT_TRUE(test::WriteFileBytes(empty, {}));
    for (const auto& path : {story, empty}) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        auto collection = OpenCollection(kTextFormat, path);
        ASSERT_TRUE(collection);
        EXPECT_EQ(Count(collection.Get()), 0);
        IUnknown* image = reinterpret_cast<IUnknown*>(0xdeadbeef);
        EXPECT_EQ(collection->GetImage(0, &image), E_INVALIDARG);
        EXPECT_EQ(image, nullptr);
    }
    auto reader = CreateReader(kTextFormat);
    ASSERT_TRUE(reader);
    EXPECT_EQ(OpenPath(reader.Get(), folder.File(L"absent.txt")), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    // A folder is not a readable file.
    EXPECT_TRUE(FAILED(OpenPath(reader.Get(), folder.Path())));
}

TEST(ReaderClasses, EveryFormatOfTheTableIsServed) {
    for (int format = 1; format <= 14; ++format) {
        SCOPED_TRACE(format);
        IUnknown* object = nullptr;
        const HRESULT hr = CoCreateInstance(kReaderClassIds[format], nullptr, CLSCTX_ALL, IID_IUnknown,
                                            reinterpret_cast<void**>(&object));
        EXPECT_EQ(hr, S_OK);
        if (object) object->Release();
    }
    // Aggregation is refused.
    IUnknown* aggregated = nullptr;
    IUnknown* outer = reinterpret_cast<IUnknown*>(&aggregated);
    EXPECT_EQ(CoCreateInstance(kReaderClassIds[kImageFormat], outer, CLSCTX_ALL, IID_IUnknown,
                               reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);
}

}  // namespace
}  // namespace pictrove
