// Modal dialogs: from the selected language's layout when it has one, else the built-in resource.
#include "resources/DialogRunner.h"

#include "resources/DialogTemplateBuilder.h"
#include "resources/UiStrings.h"
#include "ui/Window.h"

namespace pictrove {

INT_PTR RunModalDialog(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param) {
    DialogTemplateBuilder description;
    const LanguageResources* language = UiLanguage();
    if (language && ReadDialogDescription(*language, dialogId, description)) {
        const std::vector<uint8_t> block = BuildDialogTemplate(description);
        // The creation parameter goes along here too: it is how a dialog finds its object.
        const INT_PTR result = DialogBoxIndirectParamW(
            ResourceInstance(), reinterpret_cast<LPCDLGTEMPLATEW>(block.data()), parent, proc, param);
        // A layout the system cannot build (an unknown control class, say) must not read as the
        // user's Cancel: the built-in layout still works.
        if (result != -1) return result;
    }
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(dialogId), parent, proc, param);
}

}  // namespace pictrove
