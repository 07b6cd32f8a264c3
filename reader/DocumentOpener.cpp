// Opening a document: reader choice, password prompt, failure messages, busy overlay.
#include "reader/DocumentOpener.h"

#include <shellapi.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "reader/DocumentSession.h"
#include "reader/ReaderChoice.h"
#include "reader/PasswordDialog.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "common/Handles.h"

namespace pictrove {

using Microsoft::WRL::ComPtr;

namespace {

// Hides the overlay on every way out, after any message box of the operation has closed.
class OverlayScope {
  public:
    explicit OverlayScope(BusyOverlay& overlay) : overlay_(overlay) { overlay_.Show(); }
    ~OverlayScope() { overlay_.Hide(); }
    OverlayScope(const OverlayScope&) = delete;
    OverlayScope& operator=(const OverlayScope&) = delete;

  private:
    BusyOverlay& overlay_;
};

}  // namespace

bool OpenDocument(const std::wstring& path, DocumentState& state, DocumentView& view) {
    OverlayScope overlay(view.Overlay());

    state.collection.Reset();
    state.damaged = false;
    view.ClearImages();
    state.documentPath.clear();

    const auto askPassword = [&path]() -> std::optional<std::wstring> {
        PasswordDialog dialog(path);
        if (dialog.DoModal(GetActiveWindow()) != IDOK) return std::nullopt;
        return dialog.Password();
    };
    DocumentOpenResult opened = OpenDocumentFile(path, askPassword);
    // The message's own advice is to try again: after it the same document is opened anew, so
    // its prompt comes back until the password opens it or the user cancels.
    while (opened.status == DocumentOpenStatus::kWrongPassword) {
        ShowProgramMessage(FormatUiString(IDS_WRONG_PASSWORD, {path}), MB_ICONINFORMATION);
        opened = OpenDocumentFile(path, askPassword);
    }
    switch (opened.status) {
        case DocumentOpenStatus::kNoReader:
            ShowProgramMessage(LoadUiString(IDS_NO_READER), MB_ICONERROR);
            return false;
        case DocumentOpenStatus::kNeedsPassword:
            // The user cancelled or gave no password: nothing to say.
            return false;
        case DocumentOpenStatus::kWrongPassword:  // asked again above until it is no longer so
            return false;
        case DocumentOpenStatus::kUnreadable:
            ShowProgramMessage(FormatUiString(IDS_CANNOT_READ, {path, SystemErrorText(opened.systemError)}),
                               MB_ICONERROR);
            return false;
        case DocumentOpenStatus::kProtected:
            ShowProgramMessage(FormatUiString(IDS_PROTECTED_ARCHIVE, {path}), MB_ICONINFORMATION);
            return false;
        case DocumentOpenStatus::kDamaged:
            ShowProgramMessage(FormatUiString(IDS_CANNOT_OPEN, {path}), MB_ICONERROR);
            return false;
        case DocumentOpenStatus::kNoCollection:
            state.documentPath = path;
            return false;
        case DocumentOpenStatus::kNoImages:
            state.documentPath = path;
            ShowProgramMessage(FormatUiString(IDS_NO_IMAGES, {path}), MB_ICONINFORMATION);
            return false;
        case DocumentOpenStatus::kOpened:
            break;
    }
    state.documentPath = path;
    state.collection = std::move(opened.collection);
    state.damaged = opened.damaged;
    view.ShowImages(*state.collection.Get());
    return true;
}

std::wstring BuildOpenFilter(std::wstring_view text) {
    constexpr std::wstring_view kAllSupportedLabel = L"All supported format";
    constexpr size_t kAllSupportedEntry = 7;  // filter index 8
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    size_t start = 0;
    while (start < text.size()) {
        const size_t labelEnd = text.find(L'|', start);
        if (labelEnd == std::wstring_view::npos || labelEnd == start) break;
        const size_t patternEnd = std::min(text.find(L'|', labelEnd + 1), text.size());
        entries.emplace_back(text.substr(start, labelEnd - start),
                             text.substr(labelEnd + 1, patternEnd - labelEnd - 1));
        start = patternEnd + 1;
    }
    size_t target = entries.size();
    for (size_t i = 0; i < entries.size() && target == entries.size(); ++i) {
        if (entries[i].first == kAllSupportedLabel) target = i;
    }
    if (target == entries.size() && entries.size() > kAllSupportedEntry) target = kAllSupportedEntry;
    if (target < entries.size()) entries[target].second = SupportedFilesPattern();

    std::wstring filter;
    for (const auto& [label, pattern] : entries) {
        filter += label;
        filter += L'\0';
        filter += pattern;
        filter += L'\0';
    }
    filter += L'\0';
    return filter;
}

void PromptOpenDocument(const std::function<void(const std::wstring&)>& open) {
    const std::wstring filter = BuildOpenFilter(LoadUiString(IDS_OPEN_FILTER));

    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 8;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&ofn)) open(file);
}

void OnDropFiles(HDROP drop, const std::function<void(const std::wstring&)>& open) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring last;
    for (UINT i = count; i-- > 0;) {
        // Sized by the name itself, so paths longer than MAX_PATH are not cut.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        DragQueryFileW(drop, i, name.data(), length + 1);
        name.resize(length);
        if (i == count - 1) last = std::move(name);
    }
    if (count > 0) open(last);
    DragFinish(drop);
}

}  // namespace pictrove
