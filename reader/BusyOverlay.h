// The notice shown over the main window while a document opens, with the wait cursor.
#pragma once

#include <string>

#include "common/Handles.h"
#include "ui/Window.h"

namespace pictrove {

class BusyOverlay : public WindowImpl<BusyOverlay> {
  public:
    // Set when the main window is created; owner is that window.
    void Configure(HWND owner, std::wstring text, COLORREF background, COLORREF textColor);

    // Nested: only the first Show shows, only the matching Hide hides.
    void Show();
    void Hide();
    int ShowCount() const { return showCount_; }

    static std::span<const MessageEntry<BusyOverlay>> MessageTable();

  private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool&);
    // Sizes the notice to its text and centres it on the owner.
    void Place();

    HWND owner_ = nullptr;
    std::wstring text_;
    COLORREF background_ = 0;
    COLORREF textColor_ = 0xFFFFFF;
    UniqueFont font_;
    int showCount_ = 0;
    HCURSOR savedCursor_ = nullptr;
    bool setWaitCursor_ = false;
};

}  // namespace pictrove
