// Password prompt for protected documents.
#include "reader/PasswordDialog.h"

#include "common/Handles.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

constexpr size_t kShortNameKept = 20;

// True when the static control shows the whole text inside its own rectangle, wrapped as it
// wraps it.
bool FitsStatic(HWND control, const std::wstring& text) {
    RECT area{};
    GetClientRect(control, &area);
    ScopedGetDC dc(control);
    if (!dc.Get()) return false;
    ScopedSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, area.right, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return needed.bottom <= area.bottom && needed.right <= area.right;
}

}  // namespace

PasswordDialog::PasswordDialog(std::wstring documentPath)
    : ModalDialogImpl(IDD_PASSWORD), documentPath_(std::move(documentPath)) {}

std::span<const MessageEntry<PasswordDialog>> PasswordDialog::MessageTable() {
    static constexpr MessageEntry<PasswordDialog> kTable[] = {
        OnMessage<PasswordDialog>(WM_INITDIALOG, &PasswordDialog::OnInitDialog),
        OnCommand<PasswordDialog>(IDOK, &PasswordDialog::OnOk),
        OnCommand<PasswordDialog>(IDCANCEL, &PasswordDialog::OnCancel),
    };
    return kTable;
}

std::wstring PasswordDialog::ShortDocumentName(const std::wstring& path) {
    constexpr size_t kLongest = kShortNameKept + 3;
    constexpr size_t kKept = kShortNameKept;
    const size_t slash = path.rfind(L'\\');
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (name.size() > kLongest) name = name.substr(0, kKept) + L"...";
    return name;
}

// The whole file name where the prompt has room for it; otherwise cut just enough, down to the
// short form at the least.
std::wstring PasswordDialog::FittedPrompt(HWND control) const {
    const size_t slash = documentPath_.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? documentPath_ : documentPath_.substr(slash + 1);
    const std::wstring shortest = ShortDocumentName(documentPath_);
    if (control) {
        if (std::wstring whole = FormatUiString(IDS_PASSWORD_PROMPT, {name}); FitsStatic(control, whole)) return whole;
        // Each cut name is shorter than the whole one, and longer than the short form.
        for (size_t kept = name.size() > 4 ? name.size() - 4 : 0; kept > kShortNameKept; --kept) {
            std::wstring prompt = FormatUiString(IDS_PASSWORD_PROMPT, {name.substr(0, kept) + L"..."});
            if (FitsStatic(control, prompt)) return prompt;
        }
    }
    return FormatUiString(IDS_PASSWORD_PROMPT, {shortest});
}

LRESULT PasswordDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    password_.clear();
    CenterWindow(Hwnd(), GetParent(Hwnd()));
    HWND promptControl = GetDlgItem(Hwnd(), IDC_PASSWORD_PROMPT);
    SetWindowTextW(promptControl, FittedPrompt(promptControl).c_str());
    // Both templates list OK before the field, so the dialog manager would focus OK and the
    // typed password would go nowhere. FALSE keeps the focus we set.
    if (HWND edit = GetDlgItem(Hwnd(), IDC_PASSWORD_EDIT)) {
        SetFocus(edit);
        return FALSE;
    }
    return TRUE;
}

LRESULT PasswordDialog::OnOk(UINT, WPARAM, LPARAM, bool&) {
    HWND edit = GetDlgItem(Hwnd(), IDC_PASSWORD_EDIT);
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    password_ = std::move(text);
    EndDialog(Hwnd(), IDOK);
    return 0;
}

LRESULT PasswordDialog::OnCancel(UINT, WPARAM, LPARAM, bool&) {
    password_.clear();
    EndDialog(Hwnd(), IDCANCEL);
    return 0;
}

}  // namespace pictrove
