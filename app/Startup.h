// The program's run from start-up to shutdown, apart from the entry point so that it can be
// driven with a command line and a folder of its own.
#pragma once

#include <windows.h>

#include <string>

#include "app/AppModule.h"

namespace pictrove {

// Start-up in order, the message loop until the main window is gone, and shutdown in reverse
// order. The settings and language files are looked for in folder. Returns the exit code.
int RunPictrove(HINSTANCE instance,
                const wchar_t* commandLine,
                const std::wstring& folder = AppModule::GetExecutableFolder());

}  // namespace pictrove
