// Lengths and bitmaps brought from 96 dpi to another screen density.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "common/Handles.h"
#include "ui/Dpi.h"

namespace pictrove::test {
namespace {

std::vector<uint32_t> PixelsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    ScopedGetDC screen(nullptr);
    EXPECT_EQ(GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &header, DIB_RGB_COLORS),
              height);
    for (auto& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

TEST(Dpi, LengthsScaleAndRoundToTheNearestPixel) {
    EXPECT_EQ(ScaleToDpi(64, 96), 64);
    EXPECT_EQ(ScaleToDpi(64, 144), 96);
    EXPECT_EQ(ScaleToDpi(7, 144), 11) << "10.5 rounds up";
    EXPECT_EQ(ScaleToDpi(300, 192), 600);
    EXPECT_EQ(ScaleToDpi(-12, 144), -18) << "font heights are negative";
    EXPECT_EQ(RescaleDpi(300, 144, 192), 400);
    EXPECT_EQ(RescaleDpi(ScaleToDpi(140, 144), 144, 96), 140) << "there and back keeps the length";
    EXPECT_EQ(RescaleDpi(50, 0, 144), 50) << "an unknown starting dpi leaves the length";
}

TEST(Dpi, AWindowsDpiIsTheScreens) {
    ScopedGetDC screen(nullptr);
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(WindowDpi(window), static_cast<UINT>(GetDeviceCaps(screen.Get(), LOGPIXELSY)));
    DestroyWindow(window);
    EXPECT_EQ(WindowDpi(nullptr), kDesignDpi);
}

// Image lists key on an exact mask colour: a stretched image must hold only colours of its
// source, or a fringe of the mask colour would show around every toolbar image.
TEST(Dpi, StretchedBitmapsHoldOnlyTheirSourceColours) {
    constexpr uint32_t kMask = 0xFF00FF, kRed = 0xFF0000, kBlue = 0x0000FF;
    const uint32_t source[] = {kMask, kRed, kMask, kBlue, kMask, kRed, kRed, kBlue, kMask};  // 3 x 3, top-down
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = 3;
    header.bmiHeader.biHeight = -3;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedGetDC screen(nullptr);
    UniqueBitmap bitmap(CreateDIBSection(screen.Get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap && bits);
    memcpy(bits, source, sizeof(source));
    GdiFlush();

    for (const int side : {4, 6, 5}) {
        SCOPED_TRACE(side);
        UniqueBitmap stretched(StretchBitmap(bitmap.Get(), side, side));
        ASSERT_TRUE(stretched);
        BITMAP info{};
        GetObjectW(stretched.Get(), sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, side);
        EXPECT_EQ(info.bmHeight, side);
        const auto pixels = PixelsOf(stretched.Get(), side, side);
        const std::set<uint32_t> colours(pixels.begin(), pixels.end());
        EXPECT_EQ(colours, (std::set<uint32_t>{kMask, kRed, kBlue}));
        EXPECT_EQ(pixels.front(), kMask) << "corners stay where they were";
        EXPECT_EQ(pixels.back(), kMask);
        EXPECT_EQ(pixels[static_cast<size_t>(side - 1)], kMask);
    }
    EXPECT_EQ(StretchBitmap(nullptr, 4, 4), nullptr);
    EXPECT_EQ(StretchBitmap(bitmap.Get(), 0, 4), nullptr);
}

}  // namespace
}  // namespace pictrove::test
