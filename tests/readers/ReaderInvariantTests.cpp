// What holds for every reader class, through COM as the application meets them: the size a
// picture is listed with is the size of the image it decodes to. Over one document of every
// kind each reader opens, and metafiles drawn by GDI itself (their size is the reader's own
// computation, not a header field, so they are where listing and drawing could drift apart).
#include <gtest/gtest.h>

#include <windows.h>
#include <wrl/client.h>

#include <set>

#include "ReaderTestSupport.h"
#include "TestCorpus.h"
#include "TestDocumentFiles.h"
#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using test::Bytes;
using namespace test::readers;

constexpr int kImageFormat = 5;
constexpr int kDocFormat = 14;
constexpr int kDjvuFormat = 2;

// An enhanced metafile GDI records against the screen: a frame in hundredths of a millimetre
// with a filled block in its top-left quarter.
Bytes GdiEmf(int widthHundredthsMm, int heightHundredthsMm) {
    const RECT frame{0, 0, widthHundredthsMm, heightHundredthsMm};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    if (!dc) return {};
    HBRUSH brush = CreateSolidBrush(RGB(20, 120, 220));
    const RECT block{0, 0, 40, 30};
    FillRect(dc, &block, brush);
    DeleteObject(brush);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

// A Windows metafile GDI records (no size of its own), over units x units / 2 logical units.
Bytes GdiWmf(int units) {
    HDC dc = CreateMetaFileW(nullptr);
    if (!dc) return {};
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, units, units / 2, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0, 160, 0));
    const RECT all{0, 0, units, units / 2};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    HMETAFILE wmf = CloseMetaFile(dc);
    Bytes bytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteMetaFile(wmf);
    return bytes;
}

// The same metafile with a placeable header: its box in units of unitsPerInch.
Bytes Placeable(const Bytes& wmf, int right, int bottom, int unitsPerInch) {
    std::vector<std::uint16_t> words = {
        0xCDD7, 0x9AC6, 0, 0, 0, std::uint16_t(right), std::uint16_t(bottom), std::uint16_t(unitsPerInch), 0, 0};
    std::uint16_t checksum = 0;
    for (auto word : words) checksum ^= word;
    words.push_back(checksum);
    Bytes out;
    for (auto word : words) out.insert(out.end(), {std::uint8_t(word), std::uint8_t(word >> 8)});
    out.insert(out.end(), wmf.begin(), wmf.end());
    return out;
}

TEST(EveryReader, ListedSizeIsTheDecodedSize) {
    std::vector<test::CorpusDocument> documents = test::ReaderCorpus();
    // Metafiles as files and in a Word document, with the physical sizes they must come out at
    // (96 pixels to the inch).
    const Bytes emf = GdiEmf(5080, 2540);  // 2 x 1 inches
    const Bytes wmf = GdiWmf(600);
    ASSERT_FALSE(emf.empty());
    ASSERT_FALSE(wmf.empty());
    documents.push_back({kImageFormat, "drawing.emf", emf});
    documents.push_back({kImageFormat, "drawing.wmf", Placeable(wmf, 600, 300, 400)});  // 1.5 x 0.75 inches
    test::WordDocumentSpec layout;
    layout.text = std::string("\x01 and \x01\r");
    // The enhanced metafile's frame gives its size; the Windows metafile has none, so its
    // picture record does: 1 x 0.5 inches for its 600 x 300 units.
    layout.pictures = {{test::MakeMetafileBlip(0xF01A, emf, true, 5080, 2540, 2 * 914400, 914400)},
                       {test::MakeMetafileBlip(0xF01B, wmf, true, 600, 300, 914400, 914400 / 2)}};
    documents.push_back({kDocFormat, "drawings.doc", test::MakeWordDocument(layout)});

    // DjVu documents come from DjVuLibre's encoders during the build; they are opened where
    // they lie, since some name page files beside them.
    const std::wstring djvuFolder = test::ProgramFolder() + L"\\readers-data\\djvu\\";
    for (const char* name : {"bundle.djvu", "compound.djvu", "jpeg.djvu", "mmr.djvu", "palette.djvu", "photo.djvu",
                             "rotated5.djvu", "rotated6.djvu", "shared.djvu"}) {
        documents.push_back({kDjvuFormat, name, {}});
    }

    test::TempFolder folder;
    std::set<int> formats;
    for (const auto& document : documents) {
        SCOPED_TRACE(document.name);
        const std::wstring name(document.name.begin(), document.name.end());
        std::wstring path = djvuFolder + name;
        if (document.format != kDjvuFormat) {
            path = folder.File(name);
            ASSERT_TRUE(test::WriteFileBytes(path, document.bytes));
        }
        const auto collection = OpenCollection(document.format, path);
        ASSERT_TRUE(collection);
        const int count = Count(collection.Get());
        ASSERT_GT(count, 0);
        formats.insert(document.format);
        std::vector<std::pair<int, int>> sizes;
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            int width = -1, height = -1;
            ASSERT_EQ(collection->GetImageWidth(i, &width), S_OK);
            ASSERT_EQ(collection->GetImageHeight(i, &height), S_OK);
            const Pixels pixels = ReadPixels(collection.Get(), i);
            ASSERT_NE(pixels.bits, nullptr) << "every picture of these documents decodes";
            EXPECT_EQ(pixels.width, width);
            EXPECT_EQ(pixels.height, height);
            sizes.emplace_back(pixels.width, pixels.height);
        }
        if (document.name == "drawing.emf") EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{192, 96}}));
        if (document.name == "drawing.wmf") EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{144, 72}}));
        if (document.name == "drawings.doc") {
            EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{192, 96}, {96, 48}}));
        }
    }
    // Every reader class but text's, which lists no pictures.
    EXPECT_EQ(formats, (std::set<int>{1, 2, 3, 5, 6, 7, 9, 10, 11, 12, 13, 14}));
}

}  // namespace
}  // namespace pictrove
