// Starts a program the way Explorer would, with a document, waits for its main window and
// reports what the window shows, then closes it; used by the packaging tests, which cannot see
// inside Wine's desktop from the shell.
//   package_window_probe.exe <program> <document> <expected title> <expected rows> <expected status>
// Exit code 0 when the window showed the title, the row count and the status-bar text and the
// program then ended by itself with exit code 0.
//   package_window_probe.exe --dialog <program>
// Starts a program that shows a dialog, perhaps from another process it starts (as an
// uninstaller runs a copy of itself), prints the dialog's caption as a line of UTF-8 and closes it.
// Exit code 0 when a dialog was shown and went away.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "common/Handles.h"

namespace {

struct Search {
    DWORD processId;
    const std::wstring* title;
    HWND found;
};

std::wstring TextOfWindow(HWND window) {
    wchar_t text[512] = L"";
    // WM_GETTEXT is carried across processes; a status bar answers it with its first part.
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (TextOfWindow(window) != *search->title) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
    struct Match {
        const wchar_t* className;
        HWND found;
    } match{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* m = reinterpret_cast<Match*>(context);
            wchar_t name[64] = L"";
            GetClassNameW(child, name, 64);
            if (lstrcmpiW(name, m->className) != 0) return TRUE;
            m->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&match));
    return match.found;
}

int Fail(const char* what) {
    std::printf("probe: %s\n", what);
    return 1;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (!IsWindowVisible(window) || lstrcmpW(className, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

int ProbeDialog(const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return Fail("the program did not start");
    }
    pictrove::UniqueHandle process(info.hProcess), thread(info.hThread);
    HWND dialog = nullptr;
    for (int waited = 0; waited < 300 && !dialog; ++waited) {
        Sleep(100);
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
    }
    if (!dialog) return Fail("no dialog");
    // The caption is set once the dialog's first page is in place.
    Sleep(500);
    char caption[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, TextOfWindow(dialog).c_str(), -1, caption, sizeof(caption), nullptr, nullptr);
    std::printf("%s\n", caption);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    for (int waited = 0; waited < 100 && IsWindow(dialog); ++waited) Sleep(100);
    return IsWindow(dialog) ? Fail("the dialog stayed after WM_CLOSE") : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && lstrcmpW(argv[1], L"--dialog") == 0) return ProbeDialog(argv[2]);
    if (argc != 6) return Fail("usage: <program> <document> <title> <rows> <status>");
    const std::wstring program = argv[1], document = argv[2], title = argv[3], status = argv[5];
    const long rows = wcstol(argv[4], nullptr, 10);

    // Started from another folder than its own, as from the Start menu or "Open with".
    std::wstring commandLine = L"\"" + program + L"\" \"" + document + L"\"";
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, system, &startup,
                        &info)) {
        return Fail("the program did not start");
    }
    pictrove::UniqueHandle process(info.hProcess), thread(info.hThread);

    Search search{info.dwProcessId, &title, nullptr};
    for (int waited = 0; waited < 300 && !search.found; ++waited) {
        if (WaitForSingleObject(process.Get(), 100) == WAIT_OBJECT_0) return Fail("the program ended without a window");
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.found) return Fail("no window with the expected title");

    const HWND list = FindChildOfClass(search.found, WC_LISTVIEWW);
    const HWND statusBar = FindChildOfClass(search.found, STATUSCLASSNAMEW);
    // The list is filled before the status bar is written: wait for the text, then count.
    std::wstring statusText;
    for (int waited = 0; waited < 100 && statusBar; ++waited) {
        statusText = TextOfWindow(statusBar);
        if (statusText == status) break;
        Sleep(100);
    }
    const LRESULT shownRows = list ? SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) : -1;
    char shownStatus[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, statusText.c_str(), -1, shownStatus, sizeof(shownStatus), nullptr, nullptr);
    std::printf("probe: window found, %ld rows, status text \"%s\"\n", static_cast<long>(shownRows), shownStatus);

    PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 3);
        return Fail("the program did not end after WM_CLOSE");
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Get(), &exitCode);
    if (!list || shownRows != rows) return Fail("wrong number of rows");
    if (statusText != status) return Fail("wrong status-bar text");
    if (exitCode != 0) return Fail("the program ended with an error code");
    return 0;
}
