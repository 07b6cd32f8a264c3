// Dialog 129: asks for the password of a protected document.
#pragma once

#include <string>

#include "ui/Window.h"

namespace pictrove {

class PasswordDialog : public ModalDialogImpl<PasswordDialog> {
  public:
    explicit PasswordDialog(std::wstring documentPath);

    // 1 (IDOK) when the user confirmed, 2 (IDCANCEL) otherwise.
    INT_PTR DoModal(HWND owner) { return RunModal(owner); }
    const std::wstring& Password() const { return password_; }

    // The document's file name cut to at most 23 characters: what the prompt shows when the
    // whole name, or a longer part of it, does not fit.
    static std::wstring ShortDocumentName(const std::wstring& path);

    static std::span<const MessageEntry<PasswordDialog>> MessageTable();

  private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnOk(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCancel(UINT, WPARAM, LPARAM, bool&);
    std::wstring FittedPrompt(HWND control) const;

    std::wstring documentPath_;
    std::wstring password_;
};

}  // namespace pictrove
