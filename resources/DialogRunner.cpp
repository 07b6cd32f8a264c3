// Modal dialogs: from the selected language's layout when it has one, else the built-in resource.
#include "resources/DialogRunner.h"

#include "resources/DialogLayoutCheck.h"
#include "resources/DialogTemplateBuilder.h"
#include "resources/UiStrings.h"
#include "ui/Window.h"

namespace pictrove {

namespace {

// The dialog procedure a language's layout starts with: it looks at the built dialog before the
// dialog's own procedure does, and hands the dialog over only when every text fits.
struct CheckedRun {
    DLGPROC proc;
    LPARAM param;
    bool refused = false;
};

INT_PTR CALLBACK CheckingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* run = reinterpret_cast<CheckedRun*>(lParam);
    if (!FindClippedTexts(dialog).empty()) {
        // Ended within its initialisation, the dialog is destroyed before it is ever shown; no
        // focus either, which would activate it.
        run->refused = true;
        EndDialog(dialog, IDCANCEL);
        return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(run->proc));
    return run->proc(dialog, WM_INITDIALOG, wParam, run->param);
}

// Runs the language's layout of a dialog; false when it is unusable or the system cannot build
// it, so the caller shows the built-in dialog instead of taking that for the user's Cancel.
bool RunLanguageLayout(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param, INT_PTR& result) {
    DialogTemplateBuilder description;
    const LanguageResources* language = UiLanguage();
    if (!language || !ReadDialogDescription(*language, dialogId, description)) return false;
    DialogTemplateBuilder builtIn;
    if (ReadBuiltInDialog(dialogId, builtIn) && !LayoutFault(description, builtIn).empty()) return false;
    const std::vector<uint8_t> block = BuildDialogTemplate(description);
    CheckedRun run{proc, param};
    // The creation parameter goes along here too: it is how a dialog finds its object.
    result = DialogBoxIndirectParamW(ResourceInstance(), reinterpret_cast<LPCDLGTEMPLATEW>(block.data()), parent,
                                     CheckingDialogProc, reinterpret_cast<LPARAM>(&run));
    return result != -1 && !run.refused;
}

}  // namespace

INT_PTR RunModalDialog(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param) {
    INT_PTR result = 0;
    if (RunLanguageLayout(dialogId, parent, proc, param, result)) return result;
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(dialogId), parent, proc, param);
}

}  // namespace pictrove
