// The MOBI, Palm database and Word readers through COM, as the application meets them: files
// the tests build written to disk, opened by class id, pixels decoded by the real GDI+.
#include <gtest/gtest.h>

#include <windows.h>
#include <wrl/client.h>

#include <cstring>
#include <map>
#include <sstream>

#include "TestDocumentFiles.h"
#include "contracts/ReaderContract.h"
#include "ReaderTestSupport.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;
using test::Bytes;
using namespace test::readers;

constexpr int kImageFormat = 5;
constexpr int kPdbFormat = 8;
constexpr int kMobiFormat = 12;
constexpr int kDocFormat = 14;

class PictureDocumentReader : public testing::Test {
  protected:
    // Opens the file with the format's reader; the reader is released before the collection is
    // used, as the application does.
    HRESULT Open(int format, const wchar_t* name, const Bytes& bytes, ComPtr<ImageCollection>& collection) {
        const std::wstring path = folder_.File(name);
        EXPECT_TRUE(test::WriteFileBytes(path, bytes));
        ComPtr<DocumentReader> reader;
        HRESULT hr = CoCreateInstance(kReaderClassIds[format], nullptr, CLSCTX_ALL, kIidDocumentReader,
                                      reinterpret_cast<void**>(reader.GetAddressOf()));
        EXPECT_EQ(hr, S_OK) << "format " << format;
        if (FAILED(hr)) return hr;
        BSTR text = SysAllocString(path.c_str());
        hr = reader->Open(text);
        SysFreeString(text);
        if (hr == S_OK) {
            EXPECT_EQ(reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(collection.GetAddressOf())),
                      S_OK);
        }
        return hr;
    }

    struct Listed {
        std::wstring name;
        int width = 0;
        int height = 0;
        bool operator==(const Listed&) const = default;
    };
    static std::vector<Listed> List(ImageCollection* collection) {
        int count = 0xdeadbeef;
        EXPECT_EQ(collection->GetImageCount(&count), S_OK);
        std::vector<Listed> list;
        for (int i = 0; i < count; ++i) {
            Listed entry;
            BSTR name = nullptr;
            collection->GetImageName(i, &name);
            entry.name.assign(name ? name : L"", SysStringLen(name));
            SysFreeString(name);
            collection->GetImageWidth(i, &entry.width);
            collection->GetImageHeight(i, &entry.height);
            list.push_back(entry);
        }
        return list;
    }

    static Pixels Decode(ImageCollection* collection, int index) { return ReadPixels(collection, index); }

    test::TempFolder folder_;
};

// RGB test picture: every pixel different.
Bytes Samples(int width, int height) {
    Bytes samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            samples.insert(samples.end(),
                           {static_cast<std::uint8_t>(40 * x + y), static_cast<std::uint8_t>(200 - 30 * y),
                            static_cast<std::uint8_t>(17 * (x + y))});
        }
    }
    return samples;
}
std::vector<int> Bgr(const Bytes& rgb, int width, int x, int y) {
    const std::size_t i = (std::size_t(y) * width + x) * 3;
    return {rgb[i + 2], rgb[i + 1], rgb[i]};
}
Bytes Text(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

TEST_F(PictureDocumentReader, MobiBookListsCoverFirstAndDecodesEachPicture) {
    const Bytes coverRgb = Samples(5, 4);
    const Bytes bmpBgr = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};  // 2 x 2
    test::MobiBookLayout layout;
    layout.resources = {
        test::MakeGif(3, 2, {255, 0, 0, 0, 0, 255}, {{{0, 1, 0, 1, 0, 1}, 10}}),
        Text("FONT\0\0\0\x18 font"),
        test::MakePng(5, 4, test::PngColour::kRgb, coverRgb),
        test::MakePng(2, 2, test::PngColour::kRgb, Bytes(12, 9)),  // thumbnail
        test::MakeBmp24(2, 2, bmpBgr),
    };
    layout.coverOffset = 2;
    layout.thumbOffset = 3;
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Open(kMobiFormat, L"novel.mobi", test::MakeMobi(layout), collection), S_OK);
    const std::vector<Listed> expected = {{L"cover", 5, 4}, {L"image0001", 3, 2}, {L"image0002", 2, 2}};
    ASSERT_EQ(List(collection.Get()), expected);

    const Pixels cover = Decode(collection.Get(), 0);
    ASSERT_NE(cover.bits, nullptr);
    EXPECT_EQ(cover.type, kPixelBgr24);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(cover.ChannelsAt(x, y), Bgr(coverRgb, 5, x, y)) << x << "," << y;
    }
    const Pixels gif = Decode(collection.Get(), 1);
    ASSERT_NE(gif.bits, nullptr);
    EXPECT_EQ(gif.ChannelsAt(0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(gif.ChannelsAt(1, 0), (std::vector<int>{255, 0, 0}));
    const Pixels bmp = Decode(collection.Get(), 2);
    ASSERT_NE(bmp.bits, nullptr);
    EXPECT_EQ(bmp.ChannelsAt(0, 0), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(bmp.ChannelsAt(1, 1), (std::vector<int>{100, 110, 120}));
}

TEST_F(PictureDocumentReader, ProtectedOrDamagedBooksDoNotOpen) {
    test::MobiBookLayout layout;
    layout.resources = {test::MakePng(2, 2, test::PngColour::kGray, Bytes(4, 1))};
    layout.encryption = 2;
    ComPtr<ImageCollection> collection;
    const HRESULT hr = Open(kMobiFormat, L"bought.azw", test::MakeMobi(layout), collection);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_NE(hr, kOpenNeedsPassword) << "no password can open it";
    EXPECT_TRUE(FAILED(Open(kMobiFormat, L"cut.mobi", Bytes(60, 0), collection)));
    EXPECT_FALSE(collection);
}

TEST_F(PictureDocumentReader, PalmPicturesAndPalmFilesWithoutPictures) {
    // An Image Viewer picture, 16 x 2, four grays per byte.
    Bytes record(58, 0);
    std::memcpy(record.data(), "Gradient", 8);
    record[55] = 16;
    record[57] = 2;
    const Bytes rows = {0x00, 0x55, 0xAA, 0xFF, 0x1B, 0x1B, 0x1B, 0x1B};
    record.insert(record.end(), rows.begin(), rows.end());
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(
        Open(kPdbFormat, L"gradient.pdb", test::MakePalmDatabase("Gradient", "vIMG", "View", {record}), collection),
        S_OK);
    ASSERT_EQ(List(collection.Get()), (std::vector<Listed>{{L"Gradient", 16, 2}}));
    const Pixels gray = Decode(collection.Get(), 0);
    ASSERT_NE(gray.bits, nullptr);
    EXPECT_EQ(gray.type, kPixelGray8);
    const int firstRow[] = {255, 255, 255, 255, 170, 170, 170, 170, 85, 85, 85, 85, 0, 0, 0, 0};
    for (int x = 0; x < 16; ++x) EXPECT_EQ(gray.ChannelsAt(x, 0)[0], firstRow[x]) << x;
    const int secondRow[] = {255, 170, 85, 0};  // 0x1B = levels 0, 1, 2, 3
    for (int x = 0; x < 16; ++x) EXPECT_EQ(gray.ChannelsAt(x, 1)[0], secondRow[x % 4]) << x;

    // A book of text records alone opens with no pictures.
    collection.Reset();
    ASSERT_EQ(Open(kPdbFormat, L"memo.pdb",
                   test::MakePalmDatabase("Memo", "TEXt", "REAd", {Text("header.."), Text("words")}), collection),
              S_OK);
    EXPECT_TRUE(List(collection.Get()).empty());
}

// An enhanced metafile drawn by GDI: white with a red block in the left half.
Bytes RedBlockEmf(int widthHundredthsMm, int heightHundredthsMm) {
    RECT frame{0, 0, widthHundredthsMm, heightHundredthsMm};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    const int width = GetDeviceCaps(dc, HORZRES) * widthHundredthsMm / (GetDeviceCaps(dc, HORZSIZE) * 100);
    const int height = GetDeviceCaps(dc, VERTRES) * heightHundredthsMm / (GetDeviceCaps(dc, VERTSIZE) * 100);
    RECT left{0, 0, width / 2, height};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &left, red);
    DeleteObject(red);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

// A Windows metafile of units x units / 2 logical units, blue all over.
Bytes BlueWmf(int units) {
    HDC dc = CreateMetaFileW(nullptr);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, units, units / 2, nullptr);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT all{0, 0, units, units / 2};
    FillRect(dc, &all, blue);
    DeleteObject(blue);
    HMETAFILE wmf = CloseMetaFile(dc);
    Bytes bytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteMetaFile(wmf);
    return bytes;
}

TEST_F(PictureDocumentReader, WordDocumentPicturesInTextOrder) {
    const Bytes rgb = Samples(4, 3);
    const Bytes bmp = test::MakeBmp24(2, 1, {1, 2, 3, 4, 5, 6});
    const Bytes dib(bmp.begin() + 14, bmp.end());
    const Bytes emf = RedBlockEmf(2540, 1270);
    const Bytes wmf = BlueWmf(120);
    test::WordDocumentSpec layout;
    layout.text = std::string("Title\r\x01 text \x08 more \x01\x01\r");
    layout.pictures = {{test::MakeBlip(0xF01E, test::MakePng(4, 3, test::PngColour::kRgb, rgb))},
                       {test::MakeBlip(0xF01F, dib), true, true},
                       {test::MakeMetafileBlip(0xF01A, emf, true, 100, 50, 914400, 457200)},
                       {test::MakeMetafileBlip(0xF01B, wmf, true, 120, 60, 914400, 457200)}};
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Open(kDocFormat, L"report.doc", test::MakeWordDocument(layout), collection), S_OK);
    const auto list = List(collection.Get());
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0], (Listed{L"report_1", 4, 3}));
    EXPECT_EQ(list[1], (Listed{L"report_2", 2, 1}));
    EXPECT_EQ(list[2].name, L"report_3");
    EXPECT_EQ(list[2], (Listed{L"report_3", 96, 48})) << "an inch by half an inch at 96 dpi";
    EXPECT_EQ(list[3], (Listed{L"report_4", 96, 48})) << "the picture record's size, an inch by half an inch";

    const Pixels png = Decode(collection.Get(), 0);
    ASSERT_NE(png.bits, nullptr);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(png.ChannelsAt(x, y), Bgr(rgb, 4, x, y)) << x << "," << y;
    }
    const Pixels dibPixels = Decode(collection.Get(), 1);
    ASSERT_NE(dibPixels.bits, nullptr);
    EXPECT_EQ(dibPixels.ChannelsAt(0, 0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(dibPixels.ChannelsAt(1, 0), (std::vector<int>{4, 5, 6}));

    // Metafiles are drawn at the size they are listed with.
    const Pixels emfPixels = Decode(collection.Get(), 2);
    ASSERT_NE(emfPixels.bits, nullptr);
    EXPECT_EQ(emfPixels.width, list[2].width);
    EXPECT_EQ(emfPixels.height, list[2].height);
    EXPECT_NEAR(list[2].width, 2 * list[2].height, 2) << "one inch by half an inch";
    const auto leftMiddle = emfPixels.ChannelsAt(emfPixels.width / 4, emfPixels.height / 2);
    const auto rightMiddle = emfPixels.ChannelsAt(emfPixels.width * 3 / 4, emfPixels.height / 2);
    EXPECT_EQ(std::vector<int>(leftMiddle.begin(), leftMiddle.begin() + 3), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(std::vector<int>(rightMiddle.begin(), rightMiddle.begin() + 3), (std::vector<int>{255, 255, 255}));
    const Pixels wmfPixels = Decode(collection.Get(), 3);
    ASSERT_NE(wmfPixels.bits, nullptr);
    EXPECT_EQ(wmfPixels.width, 96);
    EXPECT_EQ(wmfPixels.height, 48);
    const auto middle = wmfPixels.ChannelsAt(48, 24);
    EXPECT_EQ(std::vector<int>(middle.begin(), middle.begin() + 3), (std::vector<int>{255, 0, 0}));
}

TEST_F(PictureDocumentReader, DocumentWrittenByAnotherWordProcessor) {
    const std::wstring path = test::ProgramFolder() + L"\\readers-data\\word\\pictures.doc";
    const auto bytes = test::ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << "test document missing";
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Open(kDocFormat, L"pictures.doc", Bytes(bytes.begin(), bytes.end()), collection), S_OK);
    const std::vector<Listed> expected = {{L"pictures_1", 8, 6}, {L"pictures_2", 16, 12}, {L"pictures_3", 5, 5}};
    ASSERT_EQ(List(collection.Get()), expected);
    // Red with a green block in the first four columns.
    const Pixels first = Decode(collection.Get(), 0);
    ASSERT_NE(first.bits, nullptr);
    EXPECT_EQ(first.ChannelsAt(1, 2), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(first.ChannelsAt(6, 4), (std::vector<int>{0, 0, 255}));
    // A JPEG gradient from blue at the top to yellow at the bottom.
    const Pixels second = Decode(collection.Get(), 1);
    ASSERT_NE(second.bits, nullptr);
    const auto top = second.ChannelsAt(8, 0);
    const auto bottom = second.ChannelsAt(8, 11);
    EXPECT_GT(top[0], 200);
    EXPECT_LT(top[2], 60);
    EXPECT_LT(bottom[0], 60);
    EXPECT_GT(bottom[2], 200);
    const Pixels third = Decode(collection.Get(), 2);
    ASSERT_NE(third.bits, nullptr);
    EXPECT_EQ(third.ChannelsAt(2, 2), (std::vector<int>{0xC0, 0x40, 0x20}));
}

// Where an oracle drew the metafile samples (data/metafiles/make-metafile-samples.sh): per rendering its size and
// the centre and size of the red, green, blue and magenta corner squares, in pixels at 96 dpi.
struct Marks {
    int width = 0, height = 0;
    double square[4][4] = {};
};
std::map<std::string, Marks> ReadMarks(const std::wstring& path) {
    const auto bytes = test::ReadFileBytes(path);
    std::istringstream table(std::string(bytes.begin(), bytes.end()));
    table.ignore(1000, '\n');  // the heading
    std::map<std::string, Marks> marks;
    std::string name;
    Marks entry;
    while (table >> name >> entry.width >> entry.height) {
        for (auto& square : entry.square) table >> square[0] >> square[1] >> square[2] >> square[3];
        marks[name] = entry;
    }
    return marks;
}

// The listed and decoded size against the oracle's, and each square found whole (one cut by the canvas's edge shows
// smaller) where the oracle has it.
template <typename Pixels>
void ExpectDrawnAsOracle(int listedWidth,
                         int listedHeight,
                         const Pixels& pixels,
                         const Marks& oracle,
                         const std::string& label) {
    SCOPED_TRACE(label);
    ASSERT_NE(pixels.bits, nullptr);
    EXPECT_NEAR(listedWidth, oracle.width, 1);
    EXPECT_NEAR(listedHeight, oracle.height, 1);
    ASSERT_EQ(std::pair(pixels.width, pixels.height), std::pair(listedWidth, listedHeight));
    ASSERT_TRUE(pixels.type == 0 || pixels.type == 1) << "colour pixels";
    static const int kBgr[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 0, 255}};
    int box[4][4];  // left, top, right, bottom of each square
    for (auto& b : box) b[0] = pixels.width, b[1] = pixels.height, b[2] = -1, b[3] = -1;
    const int bytes = pixels.type == 0 ? 4 : 3;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const BYTE* p = pixels.bits + y * pixels.stride + x * bytes;
            for (int mark = 0; mark < 4; ++mark) {
                const int* c = kBgr[mark];
                if (std::abs(p[0] - c[0]) < 40 && std::abs(p[1] - c[1]) < 40 && std::abs(p[2] - c[2]) < 40) {
                    box[mark][0] = std::min(box[mark][0], x), box[mark][2] = std::max(box[mark][2], x);
                    box[mark][1] = std::min(box[mark][1], y), box[mark][3] = std::max(box[mark][3], y);
                }
            }
        }
    }
    for (int mark = 0; mark < 4; ++mark) {
        const auto [left, top, right, bottom] = box[mark];
        ASSERT_GE(right, 0) << "square " << mark << " missing";
        // Renderers differ by a pixel or two, LibreOffice and ImageMagick by up to one in four hundred across.
        const double* expected = oracle.square[mark];
        const double tolerance = 2.5 + oracle.width / 400.0;
        EXPECT_NEAR((left + right + 1) / 2.0, expected[0], tolerance) << "square " << mark;
        EXPECT_NEAR((top + bottom + 1) / 2.0, expected[1], tolerance) << "square " << mark;
        EXPECT_NEAR(right - left + 1, expected[2], 3) << "square " << mark;
        EXPECT_NEAR(bottom - top + 1, expected[3], 3) << "square " << mark;
    }
}

TEST_F(PictureDocumentReader, MetafilesDrawnWholeWhereTheOraclesDrawThem) {
    const std::wstring folder = test::ProgramFolder() + L"\\readers-data\\metafiles\\";
    const auto marks = ReadMarks(folder + L"metafile-marks.txt");
    ASSERT_EQ(marks.size(), 7u) << "oracle table missing";
    // LibreOffice keeps each WMF without its placeable header and gives its bounds in hundredths of a millimetre
    // from (0, 0), whatever window the drawing uses; the third picture's are too large for a 16-bit box.
    const auto doc = test::ReadFileBytes(folder + L"metafiles.doc");
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Open(kDocFormat, L"metafiles.doc", Bytes(doc.begin(), doc.end()), collection), S_OK);
    const auto list = List(collection.Get());
    ASSERT_EQ(list.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        ExpectDrawnAsOracle(list[i].width, list[i].height, Decode(collection.Get(), i),
                            marks.at("page-" + std::to_string(i + 1)),
                            "metafiles.doc picture " + std::to_string(i + 1));
    }
    // The same metafiles as files of their own, each with its header. ImageMagick reads no EMF: LibreOffice's
    // rendering of the document is the EMF's oracle.
    const std::pair<const wchar_t*, const char*> files[] = {{L"offset.emf", "page-1"},
                                                            {L"drawn.wmf", "magick-drawn"},
                                                            {L"window.wmf", "magick-window"},
                                                            {L"flipped.wmf", "magick-flipped"}};
    for (const auto& [name, oracle] : files) {
        const auto bytes = test::ReadFileBytes(folder + name);
        ComPtr<ImageCollection> file;
        ASSERT_EQ(Open(kImageFormat, name, Bytes(bytes.begin(), bytes.end()), file), S_OK) << oracle;
        const auto listed = List(file.Get());
        ASSERT_EQ(listed.size(), 1u) << oracle;
        ExpectDrawnAsOracle(listed[0].width, listed[0].height, Decode(file.Get(), 0), marks.at(oracle), oracle);
    }
}

TEST_F(PictureDocumentReader, EncryptedAndDamagedWordDocumentsFailCleanly) {
    test::WordDocumentSpec layout;
    layout.text = std::string("\x01\r");
    layout.pictures = {{test::MakeBlip(0xF01E, test::MakePng(1, 1, test::PngColour::kGray, {7}))}};
    layout.encrypted = true;
    ComPtr<ImageCollection> collection;
    const HRESULT hr = Open(kDocFormat, L"secret.doc", test::MakeWordDocument(layout), collection);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_NE(hr, kOpenNeedsPassword) << "no password path is offered";
    layout.encrypted = false;
    Bytes cut = test::MakeWordDocument(layout);
    cut.resize(700);
    EXPECT_TRUE(FAILED(Open(kDocFormat, L"cut.doc", cut, collection)));
    EXPECT_FALSE(collection);
}

}  // namespace
}  // namespace pictrove
