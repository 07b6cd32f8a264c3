// The existing-files question as a task dialog: a message box cannot name its buttons.
#include "extract/ExistingFilesQuestion.h"

#include <commctrl.h>

#include "resources/DialogLayoutCheck.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

// Some task dialogs size their buttons a little short of what their texts take: Wine's run a
// label's last letter, or a Japanese label's closing bracket, into the focus rectangle. The
// buttons are widened before the question is shown.
HRESULT CALLBACK OnQuestionEvent(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR) {
    if (notification == TDN_CREATED) WidenClippedButtons(dialog);
    return S_OK;
}

}  // namespace

ExistingFilesChoice AskAboutExistingFiles(HWND owner, int count, const std::wstring& example) {
    const std::wstring caption = LoadUiString(IDS_APP_NAME);
    const std::wstring text = FormatUiString(IDS_FILES_EXIST, {static_cast<long long>(count), example});
    const std::wstring replace = LoadUiString(IDS_REPLACE_FILES);
    const std::wstring keepBoth = LoadUiString(IDS_KEEP_BOTH_FILES);
    const std::wstring cancel = LoadUiString(IDS_CANCEL_WRITING);
    const TASKDIALOG_BUTTON buttons[] = {
        {kReplaceFilesButton, replace.c_str()},
        {kKeepBothFilesButton, keepBoth.c_str()},
        {IDCANCEL, cancel.c_str()},
    };
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = caption.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = text.c_str();
    config.cButtons = ARRAYSIZE(buttons);
    config.pButtons = buttons;
    // Nothing is lost when Enter is pressed without reading.
    config.nDefaultButton = kKeepBothFilesButton;
    config.pfCallback = OnQuestionEvent;
    int pressed = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return ExistingFilesChoice::kCancel;
    switch (pressed) {
        case kReplaceFilesButton:
            return ExistingFilesChoice::kReplace;
        case kKeepBothFilesButton:
            return ExistingFilesChoice::kKeepBoth;
        default:
            return ExistingFilesChoice::kCancel;
    }
}

}  // namespace pictrove
