// Run by the installer, never installed: writes the language chosen on the installer's language
// page into the settings file with the program's own settings code, so a new file is exactly
// what a first run makes and an existing one keeps everything but its language.
//   PictroveSetLanguage.exe <settings file> <user settings file> <language id>
// The user settings file is the program's fallback (see SettingsStore::OpenSettings).
// Exit code 0 when written, 1 when the file could not be read or written, 2 on a wrong call.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/Handles.h"
#include "resources/SettingsStore.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return 2;
    std::wstring path, userPath, languageId;
    if (count == 4) {
        path = arguments[1];
        userPath = arguments[2];
        languageId = arguments[3];
    }
    LocalFree(arguments);
    if (path.empty()) return 2;

    pictrove::ScopedCoInit com(COINIT_APARTMENTTHREADED);
    pictrove::SettingsStore store;
    if (!store.OpenSettings(path, userPath)) return 1;
    store.languageId = languageId;
    return store.SaveLanguage() ? 0 : 1;
}
