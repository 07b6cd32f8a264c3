// Extract settings dialog: type list, template extension, folder browser, empty-folder hint.
#include "extract/ExtractSettingsDialog.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <memory>

#include "extract/OutputNaming.h"
#include "resources/ResourceIds.h"
#include "resources/SettingsStore.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

constexpr int kTypeCount = kImageTypeCount;

struct ItemIdListDeleter {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
        // Under Wine the selection made during this notification does not hold (the browser opens
        // at its default folder); once more after the browser's own start-up, it does. The path
        // (the dialog's folder field) lives until SHBrowseForFolderW returns.
        PostMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = L"";
        if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path)) {
            wchar_t shortened[50] = L"";
            PathCompactPathExW(shortened, path, 50, 0);
            SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(shortened));
        }
    }
    return 0;
}

}  // namespace

ExtractImageDlg::ExtractImageDlg(SettingsStore& settings) : ModalDialogImpl(IDD_EXTRACT_SETTINGS), settings_(settings) {
    std::wstring folder;
    int type = 0;
    if (settings_.ReadExtractOptions(folder, type)) {
        folder_ = folder;
        // A stored type outside the known ones is taken as the first.
        typeIndex_ = type >= 0 && type < kTypeCount ? type : 0;
    }
}

std::span<const MessageEntry<ExtractImageDlg>> ExtractImageDlg::MessageTable() {
    static constexpr MessageEntry<ExtractImageDlg> kTable[] = {
        OnMessage<ExtractImageDlg>(WM_INITDIALOG, &ExtractImageDlg::OnInitDialog),
        OnMessage<ExtractImageDlg>(WM_CLOSE, &ExtractImageDlg::OnClose),
        OnCommand<ExtractImageDlg>(IDOK, &ExtractImageDlg::OnExtract),
        OnCommand<ExtractImageDlg>(IDCANCEL, &ExtractImageDlg::OnCancel),
        OnCommand<ExtractImageDlg>(IDC_EXTRACT_BROWSE, &ExtractImageDlg::OnBrowse),
        OnCommand<ExtractImageDlg>(IDC_EXTRACT_TYPE, &ExtractImageDlg::OnTypeCommand),
    };
    return kTable;
}

std::wstring ExtractImageDlg::ItemText(int id) const {
    HWND item = GetDlgItem(Hwnd(), id);
    const int length = item ? GetWindowTextLengthW(item) : 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    if (item) GetWindowTextW(item, text.data(), length + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

LRESULT ExtractImageDlg::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    SetDlgItemTextW(Hwnd(), IDC_EXTRACT_FOLDER, folder_.c_str());
    HWND types = GetDlgItem(Hwnd(), IDC_EXTRACT_TYPE);
    for (int k = 0; k < kTypeCount; ++k) {
        // The original format has no extension of its own: each picture gets its stored one.
        const std::wstring entry = LoadUiString(ImageTypeStringId(k));
        const size_t bar = entry.find(L'|');
        const std::wstring label = bar == std::wstring::npos ? entry : entry.substr(0, bar);
        extensions_[k] = bar == std::wstring::npos ? std::wstring() : entry.substr(bar + 1);
        // The list sorts the four encoded types by their names; the original format, unlike them,
        // stays at the end (an inserted item is not sorted).
        const LRESULT item =
            k == kOriginalImageType
                ? SendMessageW(types, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(label.c_str()))
                : SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (item >= 0) SendMessageW(types, CB_SETITEMDATA, static_cast<WPARAM>(item), k);
    }
    const int items = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < items; ++item) {
        if (SendMessageW(types, CB_GETITEMDATA, static_cast<WPARAM>(item), 0) == typeIndex_) {
            SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        }
    }
    template_ = FixTemplateExtension(template_, extensions_[typeIndex_]);
    SetDlgItemTextW(Hwnd(), IDC_EXTRACT_TEMPLATE, template_.c_str());
    CenterWindow(Hwnd(), GetParent(Hwnd()));
    return TRUE;
}

LRESULT ExtractImageDlg::OnTypeCommand(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (HIWORD(wParam) != CBN_SELENDOK) {
        handled = false;
        return 0;
    }
    HWND types = GetDlgItem(Hwnd(), IDC_EXTRACT_TYPE);
    const LRESULT item = SendMessageW(types, CB_GETCURSEL, 0, 0);
    if (item < 0) return 0;
    const auto type = static_cast<int>(SendMessageW(types, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    if (type < 0 || type >= kTypeCount) return 0;
    typeIndex_ = type;
    template_ = FixTemplateExtension(ItemText(IDC_EXTRACT_TEMPLATE), extensions_[typeIndex_]);
    SetDlgItemTextW(Hwnd(), IDC_EXTRACT_TEMPLATE, template_.c_str());
    return 0;
}

LRESULT ExtractImageDlg::OnBrowse(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (HIWORD(wParam) != BN_CLICKED) {
        handled = false;
        return 0;
    }
    folder_ = ItemText(IDC_EXTRACT_FOLDER);
    BrowseForFolder();
    return 0;
}

void ExtractImageDlg::BrowseForFolder() {
    const std::wstring prompt = LoadUiString(IDS_BROWSE_FOLDER);
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = Hwnd();
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (prompt.empty() ? 0 : BIF_STATUSTEXT);
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(folder_.c_str());
    std::unique_ptr<ITEMIDLIST, ItemIdListDeleter> picked(SHBrowseForFolderW(&info));
    if (!picked) return;
    wchar_t path[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(picked.get(), path) && path[0]) SetDlgItemTextW(Hwnd(), IDC_EXTRACT_FOLDER, path);
}

// Says why the field's text cannot be taken, next to the field, and puts the caret there.
void ExtractImageDlg::Refuse(int fieldId, UINT titleId, const std::wstring& text) {
    const std::wstring title = LoadUiString(titleId);
    EDITBALLOONTIP tip{sizeof(tip), title.c_str(), text.c_str(), TTI_ERROR};
    HWND field = GetDlgItem(Hwnd(), fieldId);
    // Without balloon tips (Wine has none) the refusal would pass unseen: say it in a box.
    if (!SendMessageW(field, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&tip))) {
        MessageBoxW(Hwnd(), text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
    }
    SetFocus(field);
}

LRESULT ExtractImageDlg::OnExtract(UINT, WPARAM, LPARAM, bool&) {
    folder_ = ItemText(IDC_EXTRACT_FOLDER);
    if (folder_.empty()) {
        Refuse(IDC_EXTRACT_FOLDER, IDS_FOLDER_ERROR, LoadUiString(IDS_FOLDER_REQUIRED));
        return 0;
    }
    // Refused here, before anything is written: otherwise the job would run through every
    // picture only to report each one as not written.
    if (const std::wstring refused = ForbiddenFolderCharacters(folder_); !refused.empty()) {
        Refuse(IDC_EXTRACT_FOLDER, IDS_FOLDER_ERROR, FormatUiString(IDS_FOLDER_FORBIDDEN, {refused}));
        return 0;
    }
    const std::wstring typedTemplate = ItemText(IDC_EXTRACT_TEMPLATE);
    if (const std::wstring refused = ForbiddenTemplateCharacters(typedTemplate); !refused.empty()) {
        Refuse(IDC_EXTRACT_TEMPLATE, IDS_TEMPLATE_ERROR, FormatUiString(IDS_TEMPLATE_FORBIDDEN, {refused}));
        return 0;
    }
    if (folder_.back() != L'\\') folder_ += L'\\';
    template_ = typedTemplate.empty() ? L"%IN%" : typedTemplate;
    settings_.WriteExtractOptions(folder_, typeIndex_);
    EndDialog(Hwnd(), IDOK);
    return 0;
}

LRESULT ExtractImageDlg::OnCancel(UINT, WPARAM, LPARAM, bool&) {
    EndDialog(Hwnd(), IDCANCEL);
    return 0;
}

LRESULT ExtractImageDlg::OnClose(UINT, WPARAM, LPARAM, bool&) {
    EndDialog(Hwnd(), IDCANCEL);
    return 0;
}

}  // namespace pictrove
