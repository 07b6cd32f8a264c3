// Pixel read-back and small host windows for the window-framework, menu and toolbar tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "common/Handles.h"
#include "ui/Window.h"

namespace pictrove::test {

// A parent that records the commands its children send.
class CommandSink : public WindowImpl<CommandSink> {
  public:
    CommandSink() {
        RegisterWindowClassOnce(L"PictroveCommandSink", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        Create(L"PictroveCommandSink", nullptr, L"sink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 1000, 600});
    }
    static std::span<const MessageEntry<CommandSink>> MessageTable() {
        static constexpr MessageEntry<CommandSink> kTable[] = {
            OnMessage<CommandSink>(WM_COMMAND, &CommandSink::OnCommand)};
        return kTable;
    }
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, bool&) {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    std::vector<UINT> commands;
};

// Pixels as COLORREF values (0x00BBGGRR), so they compare with GetSysColor and Rgb::ToColorRef.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> data;
    COLORREF At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// What a window shows in its client area (or, with whole set, in its whole window).
Pixels CaptureWindow(HWND hwnd, bool whole = false);

// A 32-bit memory DC to paint into and read back.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill);
    HDC Dc() const { return dc_.Get(); }
    COLORREF At(int x, int y) const;
    Pixels Read() const;
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    int width_;
    int height_;
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// A visible top-level window that draws owner-drawn menu items through the program's handlers
// and records the commands its children send.
class TestHost : public WindowImpl<TestHost> {
  public:
    TestHost();
    static std::span<const MessageEntry<TestHost>> MessageTable();

    int measured = 0;
    int drawn = 0;
    std::vector<UINT> commands;

  private:
    LRESULT OnMeasureItem(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCommand(UINT, WPARAM, LPARAM, bool&);
};

// The system colour slot set to a value while the object lives; top-level windows hear of both
// changes through WM_SYSCOLORCHANGE.
class ScopedSysColor {
  public:
    ScopedSysColor(int index, COLORREF color);
    ~ScopedSysColor();
    ScopedSysColor(const ScopedSysColor&) = delete;
    ScopedSysColor& operator=(const ScopedSysColor&) = delete;

  private:
    int index_;
    COLORREF old_;
};

}  // namespace pictrove::test
