// Password prompt for protected documents.
#include "reader/PasswordDialog.h"

#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

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
    constexpr size_t kLongest = 23;
    constexpr size_t kKept = 20;
    const size_t slash = path.rfind(L'\\');
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (name.size() > kLongest) name = name.substr(0, kKept) + L"...";
    return name;
}

LRESULT PasswordDialog::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    password_.clear();
    CenterWindow(Hwnd(), GetParent(Hwnd()));
    const std::wstring prompt = FormatUiString(IDS_PASSWORD_PROMPT, {ShortDocumentName(documentPath_)});
    SetDlgItemTextW(Hwnd(), IDC_PASSWORD_PROMPT, prompt.c_str());
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
