// Runs every modal dialog of the program by its resource id.
#pragma once

#include <windows.h>

namespace pictrove {

INT_PTR RunModalDialog(UINT dialogId, HWND parent, DLGPROC proc, LPARAM param);

}  // namespace pictrove
