// The real image-view DLL hosted in the real ControlHost inside a test window: pixels read back
// from the control's window, zoom and pan driven by messages, reference counts of the images.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wrl/client.h>

#include "browse/ControlHost.h"
#include "contracts/ImageViewContract.h"
#include "browse/PreviewPane.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"
#include "common/Handles.h"

namespace pictrove::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kHostWidth = 160;
constexpr int kHostHeight = 120;

uint32_t ToRgb(COLORREF c) {
    return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}
uint32_t ToRgb(const Rgba& c) {
    return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}
std::string Hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof(text), "%06X", v);
    return text;
}
int Channel(uint32_t p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}

// The pixels of a window's client area as it shows them, 0xRRGGBB.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

Capture CaptureClient(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    Capture capture;
    RECT client{};
    GetClientRect(hwnd, &client);
    capture.width = client.right;
    capture.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    ScopedGetDC windowDc(hwnd);
    UniqueMemoryDc memory(CreateCompatibleDC(windowDc.Get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(windowDc.Get(), capture.width, capture.height));
    {
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, capture.width, capture.height, windowDc.Get(), 0, 0, SRCCOPY);
    }
    capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
    GetDIBits(memory.Get(), bitmap.Get(), 0, capture.height, capture.pixels.data(), &info, DIB_RGB_COLORS);
    return capture;
}

LRESULT CALLBACK TestFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class ImageViewControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = TestFrameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PictroveImageViewTestFrame";
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        RegisterClassExW(&wc);
        frame_ =
            CreateWindowExW(0, wc.lpszClassName, L"Image view test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                            0, 0, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(frame_);
        ASSERT_TRUE(CreatePreview(host_, frame_, {10, 10, 10 + kHostWidth, 10 + kHostHeight}));
        ComPtr<IUnknown> control = host_.Control();
        ASSERT_TRUE(control);
        ASSERT_HRESULT_SUCCEEDED(
            control->QueryInterface(kIidImageView, reinterpret_cast<void**>(view_.GetAddressOf())));
        PumpMessages();
    }
    void TearDown() override {
        view_.Reset();
        host_.Destroy();
        if (frame_) DestroyWindow(frame_);
        PumpMessages();
    }

    HWND View() const { return host_.ControlWindow(); }
    Capture Shot() const { return CaptureClient(View()); }
    void Show(const ComPtr<FakeReaderImage>& image) { ASSERT_HRESULT_SUCCEEDED(view_->SetImage(image.Get())); }
    void ExpectBackgroundOnly(const Capture& shot) {
        const uint32_t background = ToRgb(GetSysColor(COLOR_WINDOW));
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x) ASSERT_EQ(shot.At(x, y), background) << x << "," << y;
    }
    void SendWheel(int notches, POINT clientPoint, WPARAM keys) {
        POINT screen = clientPoint;
        ClientToScreen(View(), &screen);
        SendMessageW(View(), WM_MOUSEWHEEL, MAKEWPARAM(keys, notches * WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    }
    void SendKeyWithControl(UINT key) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE saved = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(View(), WM_KEYDOWN, key, 0);
        keys[VK_CONTROL] = saved;
        SetKeyboardState(keys);
    }

    HWND frame_ = nullptr;
    ControlHost host_;
    ComPtr<ImageView> view_;
};

// A gradient whose colour tells the picture position: red = x / 2, green = y / 2.
Rgba Gradient(int x, int y) {
    return {static_cast<uint8_t>(x / 2), static_cast<uint8_t>(y / 2), 0, 255};
}

// Picture point shown at a view pixel of a gradient picture.
POINT GradientPointAt(const Capture& shot, int x, int y) {
    const uint32_t p = shot.At(x, y);
    return {Channel(p, 16) * 2, Channel(p, 8) * 2};
}

TEST_F(ImageViewControlTest, EveryPixelTypeAndLayoutShowsThePictureUpright) {
    // Quadrants of a 40 × 30 picture, shown at 100 % centred in the 160 × 120 view at (60, 45).
    const Rgba colours[4] = {{200, 30, 30, 255}, {30, 200, 30, 255}, {30, 30, 200, 255}, {220, 220, 40, 255}};
    const Rgba grays[4] = {{10, 10, 10, 255}, {90, 90, 90, 255}, {170, 170, 170, 255}, {250, 250, 250, 255}};
    const uint32_t background = ToRgb(GetSysColor(COLOR_WINDOW));
    struct Storage {
        int padding;
        bool negative;
    };
    for (int type = 0; type < 4; ++type) {
        for (int layout = 0; layout < 4; ++layout) {
            for (Storage storage : {Storage{0, false}, Storage{3, false}, Storage{1, true}}) {
                const std::string label = "type " + std::to_string(type) + " layout " + std::to_string(layout) +
                                          " padding " + std::to_string(storage.padding) +
                                          (storage.negative ? " negative stride" : "");
                SCOPED_TRACE(label);
                const Rgba* palette = type >= 2 ? grays : colours;
                FakeImageShape shape{40, 30, type, layout, storage.padding, storage.negative};
                ComPtr<FakeReaderImage> image = FakeReaderImage::Make(
                    shape, [&](int x, int y) { return palette[(y >= 15 ? 2 : 0) + (x >= 20 ? 1 : 0)]; });
                const std::vector<uint8_t> before = image->Buffer();
                Show(image);
                const Capture shot = Shot();
                ASSERT_EQ(shot.width, kHostWidth);
                ASSERT_EQ(shot.height, kHostHeight);
                const POINT probes[4][2] = {
                    {{60, 45}, {79, 59}}, {{80, 45}, {99, 59}}, {{60, 60}, {79, 74}}, {{80, 60}, {99, 74}}};
                for (int q = 0; q < 4; ++q) {
                    for (POINT p : probes[q]) {
                        EXPECT_EQ(Hex(shot.At(p.x, p.y)), Hex(ToRgb(palette[q])))
                            << "quadrant " << q << " at " << p.x << "," << p.y;
                    }
                }
                // Exactly 40 × 30: the pixels around the picture are the window colour.
                for (POINT p : {POINT{59, 45}, POINT{60, 44}, POINT{100, 74}, POINT{99, 75}}) {
                    EXPECT_EQ(Hex(shot.At(p.x, p.y)), Hex(background)) << p.x << "," << p.y;
                }
                EXPECT_EQ(image->SetPixelTypeCalls(), 0) << "the reader's object is not changed";
                EXPECT_EQ(image->Buffer(), before);
            }
        }
    }
}

TEST_F(ImageViewControlTest, AlphaShowsOverALightCheckerboard) {
    // Left half clear, right half red at alpha 128; the checker cells are 8 pixels from the
    // picture's corner at (60, 45).
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({40, 30, kPixelBgra32}, [](int x, int) {
        return x < 20 ? Rgba{0, 0, 0, 0} : Rgba{255, 0, 0, 128};
    });
    Show(image);
    const Capture shot = Shot();
    EXPECT_EQ(Hex(shot.At(60, 45)), "FFFFFF");
    EXPECT_EQ(Hex(shot.At(68, 45)), "CCCCCC");
    EXPECT_EQ(Hex(shot.At(68, 53)), "FFFFFF");
    // Red 128 premultiplied is 128; over white 128 + 255 × 127 / 255, over the dark cell 128 + 204 × 127 / 255.
    EXPECT_EQ(Hex(shot.At(60 + 32, 45)), "FF7F7F");
    EXPECT_EQ(Hex(shot.At(60 + 24, 45)), "E66666");

    // Opaque pictures, and pictures whose alpha is 0 everywhere, show no checkerboard.
    image = FakeReaderImage::Make({40, 30, kPixelBgra32}, [](int, int) { return Rgba{10, 20, 30, 0}; });
    Show(image);
    EXPECT_EQ(Hex(Shot().At(68, 45)), "0A141E");
}

TEST_F(ImageViewControlTest, LargePicturesAreFittedWithAspectAndSmoothlyShrunk) {
    // 400 × 200 in 160 × 120: scale 0.4, 160 × 80 at row 20; left half red, right half blue.
    ComPtr<FakeReaderImage> halves = FakeReaderImage::Make({400, 200, kPixelBgr24}, [](int x, int) {
        return x < 200 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 255, 255};
    });
    Show(halves);
    Capture shot = Shot();
    const std::string background = Hex(ToRgb(GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(Hex(shot.At(0, 20)), "FF0000");
    EXPECT_EQ(Hex(shot.At(79, 99)), "FF0000");
    EXPECT_EQ(Hex(shot.At(80, 20)), "0000FF");
    EXPECT_EQ(Hex(shot.At(159, 99)), "0000FF");
    EXPECT_EQ(Hex(shot.At(80, 19)), background);
    EXPECT_EQ(Hex(shot.At(80, 100)), background);

    // A one-pixel checkerboard at half size is even gray: every source pixel is averaged in.
    ComPtr<FakeReaderImage> fine = FakeReaderImage::Make({320, 240, kPixelGray8}, [](int x, int y) {
        const uint8_t v = ((x + y) & 1) ? 255 : 0;
        return Rgba{v, v, v, 255};
    });
    Show(fine);
    shot = Shot();
    for (int y = 0; y < kHostHeight; y += 7) {
        for (int x = 0; x < kHostWidth; x += 5) {
            ASSERT_NEAR(Channel(shot.At(x, y), 8), 128, 1) << x << "," << y;
        }
    }
}

TEST_F(ImageViewControlTest, NullAndUnreadableObjectsClearTheView) {
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({40, 30, kPixelGray8}, [](int, int) {
        return Rgba{0, 0, 0, 255};
    });
    Show(image);
    EXPECT_EQ(Hex(Shot().At(80, 60)), "000000");
    EXPECT_HRESULT_SUCCEEDED(view_->SetImage(nullptr));
    ExpectBackgroundOnly(Shot());
    EXPECT_EQ(image->RefCount(), 1u);

    for (FakeImageShape shape : {FakeImageShape{40, 30, 7}, FakeImageShape{40, 30, kPixelGray8, 0, 0, false, false},
                                 FakeImageShape{0, 30, kPixelGray8}}) {
        SCOPED_TRACE("type " + std::to_string(shape.pixelType) + (shape.answersReaderImage ? "" : " no ReaderImage"));
        Show(image);
        ComPtr<FakeReaderImage> bad = FakeReaderImage::Make(shape, [](int, int) { return Rgba{0, 0, 0, 255}; });
        EXPECT_HRESULT_FAILED(view_->SetImage(bad.Get()));
        ExpectBackgroundOnly(Shot());
        EXPECT_EQ(bad->RefCount(), 1u) << "an object it cannot show is not kept";
        EXPECT_EQ(image->RefCount(), 1u) << "the previous picture is let go";
    }
}

TEST_F(ImageViewControlTest, ReferencesReturnAfterReplacementAndDestruction) {
    const LONG liveBefore = FakeReaderImage::LiveObjects();
    {
        ComPtr<FakeReaderImage> first = FakeReaderImage::Make({40, 30, kPixelBgr24}, [](int, int) { return Rgba{}; });
        ComPtr<FakeReaderImage> second = FakeReaderImage::Make({40, 30, kPixelBgr24}, [](int, int) { return Rgba{}; });
        Show(first);
        EXPECT_EQ(first->RefCount(), 2u) << "the control keeps its own reference while it shows the picture";
        Show(first);
        EXPECT_EQ(first->RefCount(), 2u) << "showing the same picture again takes no second reference";
        Show(second);
        EXPECT_EQ(first->RefCount(), 1u);
        EXPECT_EQ(second->RefCount(), 2u);

        ComPtr<IUnknown> control = host_.Control();
        view_.Reset();
        host_.Destroy();
        PumpMessages();
        EXPECT_EQ(second->RefCount(), 1u) << "destroying the host closes and releases the control";
        EXPECT_FALSE(host_.Control());
        control->AddRef();
        EXPECT_EQ(control->Release(), 1u) << "nothing but this test holds the control any more";
    }
    EXPECT_EQ(FakeReaderImage::LiveObjects(), liveBefore);
}

TEST_F(ImageViewControlTest, ControlFollowsTheHostSizeAndRefits) {
    HWND view = View();
    EXPECT_EQ(GetParent(view), host_.Hwnd());
    EXPECT_TRUE(GetWindowLongW(view, GWL_STYLE) & WS_CHILD);
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({400, 200, kPixelGray8}, [](int, int) {
        return Rgba{0, 0, 0, 255};
    });
    Show(image);
    SetWindowPos(host_.Hwnd(), nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    RECT rect{};
    GetWindowRect(view, &rect);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 250);
    // Now 300 × 150 at row 50.
    const Capture shot = Shot();
    ASSERT_EQ(shot.width, 300);
    EXPECT_EQ(Hex(shot.At(0, 50)), "000000");
    EXPECT_EQ(Hex(shot.At(299, 199)), "000000");
    EXPECT_NE(Hex(shot.At(150, 49)), "000000");
    EXPECT_NE(Hex(shot.At(150, 200)), "000000");
}

TEST_F(ImageViewControlTest, ControlWheelZoomsAroundTheCursorAndShowsScrollBars) {
    // 512 × 384 fitted at 160 × 120 (scale 0.3125).
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({512, 384, kPixelBgr24}, Gradient);
    Show(image);
    const POINT anchor{40, 90};
    const POINT before = GradientPointAt(Shot(), anchor.x, anchor.y);
    EXPECT_FALSE(GetWindowLongW(View(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
    SendWheel(3, anchor, MK_CONTROL);
    const Capture shot = Shot();
    const POINT after = GradientPointAt(shot, anchor.x, anchor.y);
    EXPECT_NEAR(after.x, before.x, 4);
    EXPECT_NEAR(after.y, before.y, 4);
    // 0.3125 × 1.25³ = 0.61: the view shows a smaller part of the picture.
    const POINT left = GradientPointAt(shot, 0, anchor.y);
    EXPECT_NEAR(anchor.x - 0, (after.x - left.x) * 0.61, 4);
    const LONG style = GetWindowLongW(View(), GWL_STYLE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    // Without Control the wheel scrolls down instead.
    SCROLLINFO info{sizeof(info), SIF_POS};
    GetScrollInfo(View(), SB_VERT, &info);
    const int scrollBefore = info.nPos;
    SendWheel(-1, anchor, 0);
    GetScrollInfo(View(), SB_VERT, &info);
    EXPECT_GT(info.nPos, scrollBefore);
}

TEST_F(ImageViewControlTest, KeysZoomAroundTheCentreAndReturnToFit) {
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({512, 384, kPixelBgr24}, Gradient);
    Show(image);
    // The first step brings the scroll bars, which make the view smaller; from then on the
    // picture point at the view's centre stays there.
    SendKeyWithControl(VK_OEM_PLUS);
    RECT client{};
    GetClientRect(View(), &client);
    ASSERT_LT(client.right, kHostWidth);
    const POINT centre = GradientPointAt(Shot(), client.right / 2, client.bottom / 2);
    for (int i = 0; i < 5; ++i) SendKeyWithControl(VK_ADD);  // 0.39 → 1.0 after five more steps
    Capture shot = Shot();
    const POINT zoomed = GradientPointAt(shot, client.right / 2, client.bottom / 2);
    EXPECT_NEAR(zoomed.x, centre.x, 3);
    EXPECT_NEAR(zoomed.y, centre.y, 3);
    // At 100 % neighbouring view pixels are neighbouring picture pixels.
    EXPECT_EQ(GradientPointAt(shot, 20, 20).x + 20, GradientPointAt(shot, 40, 20).x);
    SendKeyWithControl(VK_OEM_MINUS);
    shot = Shot();
    EXPECT_NEAR(GradientPointAt(shot, 40, 20).x - GradientPointAt(shot, 20, 20).x, 25, 2) << "80 %";
    SendKeyWithControl('0');
    shot = Shot();
    EXPECT_FALSE(GetWindowLongW(View(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
    EXPECT_NEAR(GradientPointAt(shot, 0, 0).x, 0, 2);
    EXPECT_NEAR(GradientPointAt(shot, 159, 119).x, 510, 4);
}

TEST_F(ImageViewControlTest, DragPansAndDoubleClickFits) {
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({512, 384, kPixelBgr24}, Gradient);
    Show(image);
    for (int i = 0; i < 6; ++i) SendWheel(1, {0, 0}, MK_CONTROL);  // 100 %, anchored at the corner
    Capture shot = Shot();
    EXPECT_NEAR(GradientPointAt(shot, 10, 10).x, 10, 1);
    SendMessageW(View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 80));
    SendMessageW(View(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 50));
    SendMessageW(View(), WM_LBUTTONUP, 0, MAKELPARAM(60, 50));
    shot = Shot();
    // Dragged 40 left and 30 up: the picture moved with the mouse.
    EXPECT_NEAR(GradientPointAt(shot, 10, 10).x, 50, 1);
    EXPECT_NEAR(GradientPointAt(shot, 10, 10).y, 40, 1);
    SCROLLINFO info{sizeof(info), SIF_POS};
    GetScrollInfo(View(), SB_HORZ, &info);
    EXPECT_EQ(info.nPos, 40);
    // Dragging past the edge stops at it.
    SendMessageW(View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(View(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 110));
    SendMessageW(View(), WM_LBUTTONUP, 0, MAKELPARAM(150, 110));
    EXPECT_NEAR(GradientPointAt(Shot(), 0, 0).x, 0, 1);
    SendMessageW(View(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    shot = Shot();
    EXPECT_FALSE(GetWindowLongW(View(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
    EXPECT_NEAR(GradientPointAt(shot, 159, 119).y, 382, 4);
}

TEST_F(ImageViewControlTest, TakesTheFocusOnlyWhenClicked) {
    HWND edit =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 200, 10, 80, 20, frame_, nullptr, nullptr, nullptr);
    SetFocus(edit);
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({40, 30, kPixelGray8}, [](int, int) { return Rgba{}; });
    Show(image);
    PumpMessages();
    EXPECT_EQ(GetFocus(), edit);
    SendMessageW(View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(View(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetFocus(), View());
    DestroyWindow(edit);
}

TEST(ControlHost, AnUnknownClassHostsNothing) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ControlHost host;
    ASSERT_TRUE(host.CreateHost(parent, {0, 0, 50, 50}));
    wchar_t className[32] = L"";
    GetClassNameW(host.Hwnd(), className, 32);
    EXPECT_STREQ(className, L"AtlAxWin71");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(host.Hwnd(), GWL_STYLE)), 0x56000000u);
    const CLSID unknown = {0x0BADC0DE, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_FALSE(host.CreateControl(unknown));
    EXPECT_FALSE(host.Control());
    EXPECT_FALSE(host.ControlWindow());
    EXPECT_FALSE(ShowInPreview(host, nullptr)) << "no control was reached";
    host.Destroy();
    DestroyWindow(parent);
}

TEST_F(ImageViewControlTest, ShowInPreviewHandsTheImageToTheControl) {
    ComPtr<FakeReaderImage> image = FakeReaderImage::Make({40, 30, kPixelGray8}, [](int, int) {
        return Rgba{0, 0, 0, 255};
    });
    EXPECT_TRUE(ShowInPreview(host_, image.Get()));
    EXPECT_EQ(image->RefCount(), 2u);
    EXPECT_EQ(Hex(Shot().At(80, 60)), "000000");
    EXPECT_TRUE(ShowInPreview(host_, nullptr));
    EXPECT_EQ(image->RefCount(), 1u);
}

}  // namespace
}  // namespace pictrove::test
