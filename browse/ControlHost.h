// Our own small control container: a window of class "AtlAxWin71" that creates an in-place OLE
// control, gives it a client site, keeps it sized to the window and closes it with the window.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <span>
#include <string>

#include "ui/Window.h"

namespace pictrove {

class ControlHost : public WindowImpl<ControlHost> {
  public:
    static constexpr const wchar_t* kClassName = L"AtlAxWin71";
    // WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN: the preview pane's style.
    static constexpr DWORD kChildStyle = 0x56000000;

    ControlHost() = default;
    ~ControlHost() override;

    // Creates the host window (registering its class once); no control yet.
    HWND CreateHost(HWND parent, const RECT& rect, DWORD style = kChildStyle, UINT id = 0);
    // Creates the control of clsid (no outer object, any class context), sets our site on it and
    // activates it in place over the whole window. False when the class cannot be created or
    // will not activate; nothing is hosted then.
    bool CreateControl(const CLSID& clsid);
    // The hosted control, or null.
    Microsoft::WRL::ComPtr<IUnknown> Control() const { return control_; }
    // The control's own window while it is active in place.
    HWND ControlWindow() const;
    // Deactivates, closes and releases the control; the host window stays.
    void DestroyControl();
    // Offers a keystroke to the UI-active control first; true when the control consumed it.
    bool PreTranslateMessage(MSG* message);
    // Shows a line of text over the whole window in place of the control (why it shows nothing);
    // empty text hides it and shows the control again.
    void ShowNote(const std::wstring& text);
    // The note's window while one is shown, else null.
    HWND NoteWindow() const;

    static std::span<const MessageEntry<ControlHost>> MessageTable();

  private:
    class Site;

    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    void PlaceControl(const RECT* position);
    void PlaceNote();

    Microsoft::WRL::ComPtr<IUnknown> control_;
    Site* site_ = nullptr;  // counted: the host holds one reference while a control is hosted
    HWND note_ = nullptr;   // a static child, destroyed with the host window
};

}  // namespace pictrove
