// Dialog 213: folder, file-name template and image type of a multi-image extraction. The object
// lives with the main window, so the choices carry over from one extraction to the next.
#pragma once

#include <string>

#include "extract/ImageFileWriter.h"
#include "ui/Window.h"

namespace pictrove {

class SettingsStore;

class ExtractImageDlg : public ModalDialogImpl<ExtractImageDlg> {
  public:
    // Reads folder and type from the settings; the template starts empty.
    explicit ExtractImageDlg(SettingsStore& settings);

    // 1 (IDOK) when the user chose Extract, 2 (IDCANCEL) otherwise.
    INT_PTR DoModal(HWND owner) { return RunModal(owner); }

    const std::wstring& Folder() const { return folder_; }
    const std::wstring& Template() const { return template_; }
    int TypeIndex() const { return typeIndex_; }

    static std::span<const MessageEntry<ExtractImageDlg>> MessageTable();

  private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnExtract(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCancel(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnBrowse(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTypeCommand(UINT, WPARAM, LPARAM, bool&);

    std::wstring ItemText(int id) const;
    void BrowseForFolder();
    void Refuse(int fieldId, UINT titleId, const std::wstring& text);

    SettingsStore& settings_;
    std::wstring folder_;
    std::wstring template_;
    int typeIndex_ = 0;
    std::wstring extensions_[kImageTypeCount];
};

}  // namespace pictrove
