// Modal dialogs from the executable's own dialog resources.
#include "resources/DialogRunner.h"

#include "ui/Window.h"

namespace pictrove {

INT_PTR RunModalDialog(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param) {
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(dialogId), parent, proc, param);
}

}  // namespace pictrove
