// Rows handed to the clipboard: padding dropped, both layout flags applied, gray types expanded;
// pictures that cannot be read leave the clipboard alone.
#include <gtest/gtest.h>

#include "browse/ClipboardCopy.h"
#include "contracts/ReaderContract.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToTopDownBgrx(const uint8_t* bits, int width, int height, int stride, int pixelType, int layout) {
    ReaderImageFields fields;
    fields.bits = const_cast<uint8_t*>(bits);
    fields.width = width;
    fields.height = height;
    fields.stride = stride;
    fields.pixelType = pixelType;
    fields.layout = layout;
    return pictrove::ToTopDownBgrx(fields);
}

// Pixel (x, y) of a top-down BGRX buffer as 0xRRGGBB.
uint32_t PixelAt(const Bytes& rows, int width, int x, int y) {
    const uint8_t* p = rows.data() + (static_cast<size_t>(y) * width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

TEST(ClipboardRows, Bgr24WithPaddingDropsPaddingBytes) {
    // 2x2, stride 7: one padding byte per row that must never show up.
    const Bytes stored = {1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE};
    const Bytes rows = ToTopDownBgrx(stored.data(), 2, 2, 7, kPixelBgr24, 0);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(PixelAt(rows, 2, 0, 0), 0x030201u);
    EXPECT_EQ(PixelAt(rows, 2, 1, 0), 0x060504u);
    EXPECT_EQ(PixelAt(rows, 2, 0, 1), 0x090807u);
    EXPECT_EQ(PixelAt(rows, 2, 1, 1), 0x0C0B0Au);
}

TEST(ClipboardRows, Bgra32HonoursStrideToo) {
    const Bytes stored = {1, 1, 1, 255, 0xEE, 0xEE, 0xEE, 0xEE, 2, 2, 2, 255, 0xEE, 0xEE, 0xEE, 0xEE};
    const Bytes rows = ToTopDownBgrx(stored.data(), 1, 2, 8, kPixelBgra32, 0);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(PixelAt(rows, 1, 0, 0), 0x010101u);
    EXPECT_EQ(PixelAt(rows, 1, 0, 1), 0x020202u);
}

TEST(ClipboardRows, LayoutFlagsTurnStoredRowsUpright) {
    // 3x2 gray, stored rows "A B C" / "D E F".
    const Bytes stored = {10, 20, 30, 40, 50, 60};
    const struct {
        int layout;
        uint8_t expected[6];
    } cases[] = {
        {0, {10, 20, 30, 40, 50, 60}},
        {kLayoutMirroredRows, {30, 20, 10, 60, 50, 40}},
        {kLayoutBottomUp, {40, 50, 60, 10, 20, 30}},
        {kLayoutMirroredRows | kLayoutBottomUp, {60, 50, 40, 30, 20, 10}},
        {4 | kLayoutBottomUp, {40, 50, 60, 10, 20, 30}},  // other bits are ignored
    };
    for (const auto& c : cases) {
        const Bytes rows = ToTopDownBgrx(stored.data(), 3, 2, 3, kPixelGray8, c.layout);
        ASSERT_EQ(rows.size(), 24u) << "layout " << c.layout;
        for (int i = 0; i < 6; ++i) {
            const uint32_t gray = c.expected[i];
            EXPECT_EQ(PixelAt(rows, 3, i % 3, i / 3), gray << 16 | gray << 8 | gray)
                << "layout " << c.layout << " pixel " << i;
        }
    }
}

TEST(ClipboardRows, GrayPlusOneMapsStoredZeroToWhiteAndOneToBlack) {
    const Bytes stored = {0, 1, 128};
    const Bytes rows = ToTopDownBgrx(stored.data(), 3, 1, 3, kPixelGrayPlusOne8, 0);
    EXPECT_EQ(PixelAt(rows, 3, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(rows, 3, 1, 0), 0x000000u);
    EXPECT_EQ(PixelAt(rows, 3, 2, 0), 0x7F7F7Fu);
    EXPECT_EQ(stored[0], 0);  // the reader's buffer is not changed
}

TEST(ClipboardRows, RefusesWhatCannotBeReadSafely) {
    const Bytes stored(64, 0);
    EXPECT_TRUE(ToTopDownBgrx(nullptr, 2, 2, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 0, 2, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, -1, 8, kPixelBgra32, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 7, kPixelBgra32, 0).empty());  // stride shorter than a row
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 8, 4, 0).empty());
    EXPECT_TRUE(ToTopDownBgrx(stored.data(), 2, 2, 8, -1, 0).empty());
}

// Puts a text on the clipboard, to see whether a copy replaced it.
void PutText(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

bool ClipboardHasBitmap() {
    return IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
}

TEST(CopyImageToClipboard, UnreadablePicturesLeaveTheClipboardAloneAndSaySo) {
    const struct {
        int type;
        int stride;
        const char* label;
    } cases[] = {{7, 8, "unknown pixel type"},
                 {kPixelBgr24, 5, "stride shorter than a row"},
                 {kPixelBgra32, -7, "upward stride shorter than a row"}};
    for (const auto& c : cases) {
        PutText(L"kept");
        auto* image =
            new test::FakeReaderImage(c.type, 2, 2, c.stride, 0, std::make_shared<std::vector<BYTE>>(64, BYTE{9}));
        test::DialogCapture capture;
        EXPECT_FALSE(CopyImageToClipboard(nullptr, image)) << c.label;
        image->Release();
        EXPECT_EQ(ClipboardText(), L"kept") << c.label;
        EXPECT_FALSE(ClipboardHasBitmap()) << c.label;
        ASSERT_EQ(capture.Boxes().size(), 1u) << c.label;
        EXPECT_EQ(capture.Boxes()[0].caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(capture.Boxes()[0].text, LoadUiString(IDS_CANNOT_COPY_IMAGE));
        EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_FALSE(capture.Boxes()[0].hasOwner);
    }

    // A readable picture replaces the text, silently.
    PutText(L"kept");
    auto* image = test::FakeReaderImage::FromRows(kPixelBgr24, 2, 1, 8, 0, {1, 2, 3, 4, 5, 6});
    test::DialogCapture capture;
    EXPECT_TRUE(CopyImageToClipboard(nullptr, image));
    image->Release();
    EXPECT_TRUE(ClipboardHasBitmap());
    EXPECT_EQ(ClipboardText(), L"");
    EXPECT_TRUE(capture.Boxes().empty());
}

}  // namespace
}  // namespace pictrove
