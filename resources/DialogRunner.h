// Runs every modal dialog of the program by its resource id, in the selected language's layout.
#pragma once

#include <windows.h>

namespace pictrove {

// The program's ModalDialogRunner (ui/Window.h): installed at start-up, so every dialog object's
// RunModal comes here.
INT_PTR RunModalDialog(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param);

}  // namespace pictrove
