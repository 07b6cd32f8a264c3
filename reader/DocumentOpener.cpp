// Opening a document: reader choice, password prompt, failure messages, busy overlay.
#include "reader/DocumentOpener.h"

#include <shellapi.h>
#include <commdlg.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "reader/PasswordDialog.h"
#include "reader/ReaderChoice.h"
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

// Hands the password to the reader; false when the reader takes no passwords.
bool PassPassword(DocumentReader& reader, const std::wstring& password) {
    ComPtr<DocumentPassword> target;
    reader.QueryInterface(kIidDocumentPassword, reinterpret_cast<void**>(target.GetAddressOf()));
    if (!target) return false;
    ScopedBstr secret(password.c_str());
    target->SetPassword(secret.Get());
    // Our copy of the password is wiped as soon as the reader has it.
    if (secret.Get()) SecureZeroMemory(secret.Get(), secret.Length() * sizeof(wchar_t));
    return true;
}

// Why the file cannot be read at all (locked by another program, access denied, gone), or 0 when
// it can: only then is a reader's refusal the document's fault.
DWORD ReadFailure(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    char first = 0;
    DWORD read = 0;
    if (!ReadFile(file.Get(), &first, 1, &read, nullptr)) return GetLastError();
    return 0;
}

}  // namespace

void ShowProgramMessage(const std::wstring& text, UINT icon) {
    const std::wstring caption = LoadUiString(IDS_ERROR_CAPTION);
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

bool OpenDocument(const std::wstring& path, DocumentState& state, DocumentView& view) {
    OverlayScope overlay(view.Overlay());

    state.collection.Reset();
    view.ClearImages();
    state.documentPath.clear();

    ComPtr<DocumentReader> reader = CreateReaderForFile(path);
    if (!reader) {
        ShowProgramMessage(LoadUiString(IDS_NO_READER), MB_ICONERROR);
        return false;
    }

    const ScopedBstr bstrPath(path.c_str());
    HRESULT result = reader->Open(bstrPath.Get());
    if (result == kOpenNeedsPassword) {
        HWND owner = GetActiveWindow();
        PasswordDialog dialog(path);
        if (dialog.DoModal(owner) != IDOK) return false;
        if (dialog.Password().empty()) return false;
        if (PassPassword(*reader.Get(), dialog.Password())) {
            result = reader->Open(bstrPath.Get());
            if (result != S_OK) {
                ShowProgramMessage(FormatUiString(IDS_WRONG_PASSWORD, {path}), MB_ICONINFORMATION);
                return false;
            }
        }
    }
    if (result == kOpenProtectedUnreadable) {
        ShowProgramMessage(FormatUiString(IDS_PROTECTED_ARCHIVE, {path}), MB_ICONINFORMATION);
        return false;
    }
    if (result != S_OK) {
        if (const DWORD error = ReadFailure(path)) {
            ShowProgramMessage(FormatUiString(IDS_CANNOT_READ, {path, SystemErrorText(error)}), MB_ICONERROR);
        } else {
            ShowProgramMessage(FormatUiString(IDS_CANNOT_OPEN, {path}), MB_ICONERROR);
        }
        return false;
    }

    state.documentPath = path;
    reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(state.collection.GetAddressOf()));
    reader.Reset();
    if (!state.collection) return false;

    int count = 0;
    state.collection->GetImageCount(&count);
    if (count <= 0) {
        ShowProgramMessage(FormatUiString(IDS_NO_IMAGES, {path}), MB_ICONINFORMATION);
        state.collection.Reset();
        return false;
    }

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
