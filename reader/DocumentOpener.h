// OpenDocument: the one way a document is opened (command line, Open command, drop).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include <wrl/client.h>

#include "reader/BusyOverlay.h"
#include "contracts/ReaderContract.h"

namespace pictrove {

// The open document of the main window.
struct DocumentState {
    std::wstring documentPath;
    Microsoft::WRL::ComPtr<ImageCollection> collection;
    bool damaged = false;  // the reader worked round damage: the list may be incomplete
};

// What OpenDocument asks of the window that shows the document.
class DocumentView {
  public:
    virtual ~DocumentView() = default;
    virtual HWND ViewWindow() const = 0;
    virtual BusyOverlay& Overlay() = 0;
    virtual void ClearImages() = 0;
    // Fills the list from the collection and updates the title and the status bar.
    virtual void ShowImages(ImageCollection& collection) = 0;
};

// Replaces the open document with the one at path; true when a document with images is open.
bool OpenDocument(const std::wstring& path, DocumentState& state, DocumentView& view);

// The Open dialog's filter from the text of string 205 ("label|pattern|...|"), as
// GetOpenFileNameW takes it: NUL between the parts and two at the end. The "All supported
// format" entry (the one with that label, else the eighth, the dialog's first choice) gets
// every extension the readers take, whatever pattern the text gave it.
std::wstring BuildOpenFilter(std::wstring_view text);

// Open command: asks for a file and opens it through open(path).
void PromptOpenDocument(const std::function<void(const std::wstring&)>& open);

// WM_DROPFILES: opens the last file of the drop through open(path), then finishes the drop.
void OnDropFiles(HDROP drop, const std::function<void(const std::wstring&)>& open);

}  // namespace pictrove
