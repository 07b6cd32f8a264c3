// The program's only top-level window: toolbar, image list and preview in a splitter, status
// bar, the five commands, command states when idle, dropped files, placement kept on close.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/MessageLoop.h"
#include "browse/ControlHost.h"
#include "browse/ImageListView.h"
#include "extract/ExtractSettingsDialog.h"
#include "reader/BusyOverlay.h"
#include "reader/DocumentOpener.h"
#include "common/Handles.h"
#include "ui/Dpi.h"
#include "ui/FocusMemory.h"
#include "ui/OwnerDrawnMenu.h"
#include "ui/Splitter.h"
#include "ui/Toolbar.h"
#include "ui/Window.h"

namespace pictrove {

class MainFrame : public WindowImpl<MainFrame>, public DocumentView, public IdleHandler, public MessageFilter {
  public:
    static constexpr wchar_t kClassName[] = L"PictroveMainFrame";
    // At 96 dpi; ToolbarHeight() and StatusHeight() are the heights at the window's dpi.
    static constexpr int kToolbarHeight = 72;
    static constexpr int kStatusHeight = 20;
    static constexpr int kToolbarImageSize = 64;
    static constexpr SIZE kMinimumSize = {300, 200};

    MainFrame();
    ~MainFrame() override;

    // Creates the window hidden at the system's default place; the caller applies the placement.
    bool CreateMain();
    // Applies the placement and splitter position kept in the settings, which shows the window.
    void ApplySettingsPlacement();
    bool Open(const std::wstring& path);

    void UpdateTitle();
    void UpdateStatusText();

    // DocumentView
    HWND ViewWindow() const override { return Hwnd(); }
    BusyOverlay& Overlay() override { return overlay_; }
    void ClearImages() override;
    void ShowImages(ImageCollection& collection) override;

    // IdleHandler: command states of toolbar and menus.
    bool OnIdle() override;
    // MessageFilter: the keyboard shortcuts, F10 to the toolbar and back, and Tab round the
    // toolbar, the list, the splitter bar and the preview.
    bool PreTranslateMessage(MSG& msg) override;

    const DocumentState& Document() const { return document_; }
    ImageListView& List() { return list_; }
    Splitter& SplitterWindow() { return splitter_; }
    Toolbar& ToolbarWindow() { return toolbar_; }
    HWND StatusBar() const { return statusBar_; }
    ControlHost* Preview() { return preview_.Hwnd() ? &preview_ : nullptr; }
    HMENU ContextMenu() const { return contextMenu_.Get(); }
    ExtractImageDlg& ExtractDialog() { return extractDialog_; }
    HIMAGELIST NormalImages() const { return normalImages_; }
    HIMAGELIST DisabledImages() const { return disabledImages_; }
    UINT Dpi() const { return dpi_; }
    int ToolbarHeight() const { return ScaleToDpi(kToolbarHeight, dpi_); }
    int StatusHeight() const { return ScaleToDpi(kStatusHeight, dpi_); }

    static std::span<const MessageEntry<MainFrame>> MessageTable();

  private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDpiChanged(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnActivate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnOpenCommand(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnExtractSelected(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnExtractAll(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnAbout(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCopyImage(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSelectAll(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnUpdatePreview(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnListItemChanged(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSystemChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMeasureMenuItem(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDrawMenuItem(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDropFiles(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMenuChar(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSystemCommand(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool&);

    void CreateToolbarImages();
    void CreatePanes();
    void LayoutPanes();
    void RunExtraction(const std::vector<int>& indices);
    void UpdatePreview();
    // Where a context menu asked for from the keyboard opens: below the focused row.
    POINT KeyboardMenuPoint() const;
    bool MoveFocusBetweenPanes(bool backwards);
    // F10 or Alt alone: into the toolbar, or out of it back to the pane it came from.
    void ToggleToolbarFocus();
    void RegisterWithLoop();
    void UnregisterFromLoop();

    Toolbar toolbar_;
    BusyOverlay overlay_;
    HIMAGELIST normalImages_ = nullptr;
    HIMAGELIST disabledImages_ = nullptr;
    UINT dpi_ = kDesignDpi;
    // The texts' font for a dpi the window moved to; the system's own font until then.
    UniqueFont paneFont_;
    Splitter splitter_;
    ImageListView list_;
    UniqueMenu contextMenu_;
    PopupFrameHook popupFrame_;  // flat frame of our pop-up menus while the frame exists
    ControlHost preview_;
    HWND statusBar_ = nullptr;
    DocumentState document_;
    ExtractImageDlg extractDialog_;
    UniqueAccelerators accelerators_;
    bool idleRegistered_ = false;
    FocusMemory focus_;
    // The collection index the preview shows (-1: nothing), and whether an update is posted.
    int previewIndex_ = -1;
    bool previewPending_ = false;
};

// Grey copy of a toolbar picture: every pixel other than the 0xC0C0C0 background becomes the
// luminance 0.257 R + 0.504 G + 0.098 B + 16, truncated. Pixels are 32-bit 0x00RRGGBB.
void GreyToolbarPixels(uint32_t* pixels, size_t count);

}  // namespace pictrove
