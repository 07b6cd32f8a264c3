// A plain window that opens documents and reports what it found, until the main frame takes over.
#pragma once

#include <string>

#include "reader/BusyOverlay.h"
#include "reader/DocumentOpener.h"
#include "ui/Window.h"

namespace pictrove {

class HostWindow : public WindowImpl<HostWindow>, public DocumentView {
public:
    static constexpr UINT kOpenButtonId = 100;

    bool CreateMain(int showCommand);
    bool Open(const std::wstring& path);

    const DocumentState& Document() const { return document_; }
    const std::wstring& Outcome() const { return outcome_; }

    // DocumentView
    HWND ViewWindow() const override { return Hwnd(); }
    BusyOverlay& Overlay() override { return overlay_; }
    void ClearImages() override;
    void ShowImages(ImageCollection& collection) override;

    static std::span<const MessageEntry<HostWindow>> MessageTable();

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnOpenCommand(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnExtractAllCommand(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDropFiles(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    void SetOutcome(std::wstring text);

    DocumentState document_;
    BusyOverlay overlay_;
    HWND openButton_ = nullptr;
    HWND extractAllButton_ = nullptr;
    HWND outcomeLabel_ = nullptr;
    std::wstring outcome_;
};

}  // namespace pictrove
