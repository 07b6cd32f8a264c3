// A static control turned into a link: underlined in the system's link colour (COLOR_HOTLIGHT, which
// high-contrast schemes set too), hand cursor, a focus cue, and a click that either opens its target
// with the shell or is reported to the parent as NM_CLICK.
#pragma once

#include <string>

#include "common/Handles.h"
#include "ui/Window.h"

namespace pictrove {

class Hyperlink : public SubclassedWindowImpl<Hyperlink> {
  public:
    bool AttachLink(HWND control, std::wstring target, bool reportClicks);
    const std::wstring& Target() const { return target_; }
    bool Visited() const { return visited_; }
    // For a link that reports its clicks: its owner followed it.
    void MarkVisited();

    static std::span<const MessageEntry<Hyperlink>> MessageTable();

  private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnFocusChange(UINT, WPARAM, LPARAM, bool&);
    void Follow();

    std::wstring target_;
    bool reportClicks_ = false;
    bool visited_ = false;
    UniqueFont underlined_;
};

}  // namespace pictrove
