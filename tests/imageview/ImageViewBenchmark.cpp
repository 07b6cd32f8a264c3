// Times what a huge picture costs the user-interface thread: SetImage (conversion and pyramid),
// the first paint, a zoom to 100 % and a repaint. Prints the figures; not a test.
#include <windows.h>

#include <cstdio>

#include <wrl/client.h>

#include "browse/ControlHost.h"
#include "contracts/ImageViewContract.h"
#include "browse/PreviewPane.h"
#include "tests/support/FakeReaderImages.h"
#include "common/Handles.h"

using namespace pictrove;
using namespace pictrove::test;
using Microsoft::WRL::ComPtr;

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

double PaintNow(HWND hwnd) {
    const double start = Now();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return Now() - start;
}

}  // namespace

int wmain() {
    ScopedCoInit com;
    HWND frame = CreateWindowExW(0, L"STATIC", L"benchmark", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                 840, 660, nullptr, nullptr, nullptr, nullptr);
    ControlHost host;
    if (!CreatePreview(host, frame, {0, 0, 800, 600})) {
        std::printf("the image-view control could not be created\n");
        return 1;
    }
    ComPtr<ImageView> view;
    host.Control()->QueryInterface(kIidImageView, reinterpret_cast<void**>(view.GetAddressOf()));
    HWND window = host.ControlWindow();
    Pump();

    struct Case {
        const char* name;
        int type;
        int layout;
    } cases[] = {{"24-bit", kPixelBgr24, 0},
                 {"32-bit with alpha, bottom-up", kPixelBgra32, kLayoutBottomUp},
                 {"8-bit gray, mirrored", kPixelGray8, kLayoutMirroredRows}};
    constexpr int kSize = 10000;
    std::printf("image view, %d x %d pictures in an 800 x 600 view (times in ms)\n", kSize, kSize);
    for (const Case& c : cases) {
        ComPtr<FakeReaderImage> image = FakeReaderImage::Make({kSize, kSize, c.type, c.layout}, [](int x, int y) {
            return Rgba{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y),
                        static_cast<uint8_t>(128 + (x & 127))};
        });
        double start = Now();
        view->SetImage(image.Get());
        const double setImage = Now() - start;
        const double firstPaint = PaintNow(window);
        const double repaint = PaintNow(window);
        start = Now();
        for (int i = 0; i < 12; ++i) {
            SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(400, 300));
        }
        const double zoomPaint = PaintNow(window) + (Now() - start);
        start = Now();
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300));
        SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 250));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(300, 250));
        const double panPaint = PaintNow(window) + (Now() - start);
        SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 250));
        const double refit = PaintNow(window);
        std::printf(
            "  %-30s SetImage %6.0f  first paint %5.1f  repaint %5.1f  zoom to 100%% %5.1f  pan %5.1f  refit %5.1f\n",
            c.name, setImage, firstPaint, repaint, zoomPaint, panPaint, refit);
        start = Now();
        view->SetImage(nullptr);
        std::printf("  %-30s SetImage(null) %5.1f, references left on the picture: %lu\n", "", Now() - start,
                    image->RefCount() - 1);
        Pump();
    }
    view.Reset();
    host.Destroy();
    DestroyWindow(frame);
    return 0;
}
