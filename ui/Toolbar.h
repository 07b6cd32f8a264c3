// The program's own button bar: groups of image buttons and separators, hot tracking, a pressed
// look, tooltips, enable/check state messages from the owner, and the command on release. With
// the focus, the keyboard works it: the arrows, Home and End move among the enabled buttons, Enter
// and Space press the focused one, Escape gives the focus back to the window that had it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/Dpi.h"
#include "ui/MenuPalette.h"
#include "ui/Window.h"

namespace pictrove {

// Low four bits of a button's kind and state: its kind; the bits above: its state.
inline constexpr UINT kToolbarImageButton = 1;
inline constexpr UINT kToolbarSeparator = 2;
inline constexpr UINT kToolbarKindMask = 0x0F;
inline constexpr UINT kToolbarEnabled = 0x10;
inline constexpr UINT kToolbarChecked = 0x20;
inline constexpr UINT kToolbarState40 = 0x40;
inline constexpr UINT kToolbarState80 = 0x80;

// State messages: wParam command id, lParam nonzero sets and zero clears the bit.
inline constexpr UINT kToolbarSetEnabled = WM_USER + 1;
inline constexpr UINT kToolbarSetChecked = WM_USER + 2;
inline constexpr UINT kToolbarSetState80 = WM_USER + 3;
inline constexpr UINT kToolbarSetState40 = WM_USER + 5;

struct ToolbarButton {
    UINT commandId = 0;
    std::wstring text;  // the tooltip
    UINT kindAndState = 0;
    int x = 0;
    int width = 0;
    int imageIndex = -1;
};

class Toolbar : public WindowImpl<Toolbar> {
  public:
    static constexpr wchar_t kClassName[] = L"PictroveToolbar";
    // At 96 dpi; the bar scales them, and the widths its owner gives, to its dpi.
    static constexpr int kGap = 6;
    static constexpr int kMargin = 7;
    static constexpr int kGroups = 3;

    // Button widths given to AddButton are at dpi, as the images of the two lists are.
    HWND Create(HWND parent, const RECT& rect, HIMAGELIST normal, HIMAGELIST disabled, UINT dpi = kDesignDpi);
    // Another screen density: every width is scaled from the old dpi and the images (made for
    // the new one by the owner, who keeps owning them) replace the old ones.
    void SetDpi(UINT dpi, HIMAGELIST normal, HIMAGELIST disabled);
    UINT Dpi() const { return dpi_; }
    // The owner hands each button its tooltip text: the bar knows no strings of its own.
    void AddButton(int group, UINT commandId, int imageIndex, int width, std::wstring toolText = {});
    void AddSeparator(int group);
    // Replaces the tooltip of a button.
    void SetToolText(UINT commandId, const std::wstring& text);
    // What screen readers call the bar (its window text is a fixed identifier, not a name).
    void SetAccessibleName(std::wstring name) { accessibleName_ = std::move(name); }
    const std::wstring& AccessibleName() const { return accessibleName_; }

    const std::vector<ToolbarButton>& Buttons(int group) const { return groups_[group]; }
    int GroupOrigin(int group) const { return origins_[group]; }
    // The button box (x and width widened by half the gap on each side) in client coordinates.
    RECT ButtonBox(int group, size_t index) const;
    const ToolbarButton* FindButton(UINT commandId) const;
    HWND Tooltip() const { return tooltip_; }
    const ToolbarColors& Colors() const { return colors_; }
    // The command of the button the keyboard is on (it keeps its place while the bar has no
    // focus), or 0 before the bar ever had the focus.
    UINT FocusedCommand() const;
    // Gives the focus back to the pane that had it before the bar (Escape), or to the parent.
    void ReturnFocus();
    // The button box that shows the keyboard's place, in client coordinates; empty without one.
    RECT FocusBox() const;

    static std::span<const MessageEntry<Toolbar>> MessageTable();

  private:
    struct HotItem {
        int group = -1;
        int index = -1;
        bool operator==(const HotItem&) const = default;
    };

    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnColorChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnStateMessage(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetObject(UINT, WPARAM, LPARAM, bool&);

    void Layout();
    void AddTool(int group, size_t index);
    void UpdateToolRects();
    HotItem HitTest(POINT point) const;
    void TrackHotItem(POINT point);
    void DrawItem(HDC dc, int group, size_t index) const;
    void DrawBackground(HDC dc, const RECT& rect) const;
    void DrawImage(HDC dc, const ToolbarButton& item, int x, int y, bool enabled, bool hot, bool pressed) const;
    void RepaintItem(const HotItem& item);
    // The enabled image buttons in the order the keyboard walks them.
    std::vector<HotItem> KeyboardStops() const;
    void MoveFocusItem(int step, bool toEnd);
    bool IsEnabledButton(const HotItem& item) const;
    void AnnounceFocus() const;
    int Gap() const { return ScaleToDpi(kGap, dpi_); }
    int Margin() const { return ScaleToDpi(kMargin, dpi_); }

    std::vector<ToolbarButton> groups_[kGroups];
    int origins_[kGroups] = {0, 0, 0};
    HotItem hot_;
    HotItem focus_;
    // Where Escape sends the focus: the pane that had it before the bar.
    HWND returnFocus_ = nullptr;
    bool pressed_ = false;
    bool tracking_ = false;
    HWND tooltip_ = nullptr;
    HIMAGELIST normalImages_ = nullptr;
    HIMAGELIST disabledImages_ = nullptr;
    ToolbarColors colors_;
    UINT dpi_ = kDesignDpi;
    std::wstring accessibleName_;
};

}  // namespace pictrove
