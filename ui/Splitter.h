// A vertical splitter with two panes: the left pane keeps its width when the window is resized,
// the bar is dragged as an outline and the position shown stays within the minimum pane sizes.
// With the focus, the bar shows in the highlight colour and the keyboard moves it: the arrows
// move it (Ctrl: one pixel at a time), Enter keeps where it is, Escape takes it back to where it
// was kept last; leaving the bar with a move not kept takes it back too.
#pragma once

#include "ui/Dpi.h"
#include "ui/Window.h"

namespace pictrove {

class Splitter : public WindowImpl<Splitter> {
  public:
    static constexpr wchar_t kClassName[] = L"WTL_SplitterWindow";
    // At 96 dpi; MinPaneSize() is the size at the window's dpi.
    static constexpr int kMinPaneSize = 300;
    static constexpr int kBarEdge = 1;
    // At 96 dpi: how far one arrow key moves the bar.
    static constexpr int kKeyboardStep = 8;

    HWND Create(HWND parent, const RECT& rect, DWORD style);
    void SetPanes(HWND left, HWND right);

    // -1 puts the bar in the middle; a position below the minimum pane becomes the minimum.
    void SetPosition(int position);
    // The position the user chose. It outlives a window too small to show it (minimised, or
    // shrunk below both panes), so enlarging the window brings the bar back there.
    int Position() const { return position_; }
    // Where the bar is drawn for the current width.
    int DisplayPosition() const { return ClampPosition(position_); }
    int BarWidth() const { return barWidth_; }
    int MinPaneSize() const { return ScaleToDpi(kMinPaneSize, dpi_); }
    UINT Dpi() const { return dpi_; }
    // The window moved to a screen of another density: the minimum panes, the bar and the
    // user's position keep their physical size.
    void SetDpi(UINT dpi);
    // The limit a requested position is brought to for the current width. A window too narrow
    // for both minimum panes shares its width between them, so the list never vanishes.
    int ClampPosition(int position) const;
    void LayoutPanes();

    static std::span<const MessageEntry<Splitter>> MessageTable();

  private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnForwardToParent(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);

    bool IsOverBar(int x) const;
    void DrawGhostBar(int position);

    HWND panes_[2] = {nullptr, nullptr};
    int position_ = -1;
    int barWidth_ = 4;
    UINT dpi_ = kDesignDpi;
    bool dragging_ = false;
    int dragPosition_ = 0;
    int dragOffset_ = 0;
    // The position Escape goes back to while the bar has the focus.
    int keptPosition_ = -1;
};

}  // namespace pictrove
