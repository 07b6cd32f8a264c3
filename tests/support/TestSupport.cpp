// Test program entry (COM, GDI+, common controls) and the shared test helpers.
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "common/Handles.h"
#include "resources/DialogRunner.h"
#include "ui/Window.h"

namespace pictrove::test {

namespace {

DialogCapture* g_capture = nullptr;

bool IsDialogClass(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return wcscmp(name, L"#32770") == 0;
}

// A message box's icon control shows one of the system's shared icons.
UINT MessageBoxIcon(HWND box) {
    struct Search {
        HICON icon = nullptr;
    } search;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                reinterpret_cast<Search*>(param)->icon =
                    reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.icon) return 0;
    if (search.icon == LoadIconW(nullptr, IDI_HAND)) return MB_ICONERROR;
    if (search.icon == LoadIconW(nullptr, IDI_ASTERISK)) return MB_ICONINFORMATION;
    if (search.icon == LoadIconW(nullptr, IDI_EXCLAMATION)) return MB_ICONWARNING;
    if (search.icon == LoadIconW(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
    return 0;
}

// Message boxes carry their text in a static control with id 0xFFFF.
bool IsMessageBox(HWND dialog) {
    return GetDlgItem(dialog, 0xFFFF) != nullptr && MessageBoxIcon(dialog) != 0;
}

}  // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

DialogCapture::DialogCapture(DialogHandler onDialog) : onDialog_(std::move(onDialog)) {
    g_capture = this;
    hook_ = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

DialogCapture::~DialogCapture() {
    if (hook_) UnhookWindowsHookEx(hook_);
    g_capture = nullptr;
}

LRESULT CALLBACK DialogCapture::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_capture) g_capture->OnActivate(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogCapture::OnActivate(HWND window) {
    if (!IsDialogClass(window)) return;
    if (IsMessageBox(window)) {
        CapturedBox box;
        wchar_t caption[512] = L"";
        GetWindowTextW(window, caption, 512);
        box.caption = caption;
        box.text = DialogItemText(window, 0xFFFF);
        box.icon = MessageBoxIcon(window);
        box.hasOwner = GetWindow(window, GW_OWNER) != nullptr;
        boxes_.push_back(box);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return;
    }
    ++dialogs_;
    if (onDialog_) onDialog_(window);
}

void AnswerLater(HWND dialog, UINT button) {
    wchar_t hold[32] = L"";
    const UINT delay = GetEnvironmentVariableW(L"PICTROVE_HOLD_DIALOG_MS", hold, 32) ? _wtoi(hold) : 0;
    if (delay == 0) {
        PostMessageW(dialog, WM_COMMAND, button, 0);
        return;
    }
    struct Pending {
        static void CALLBACK Fire(HWND window, UINT, UINT_PTR id, DWORD) {
            KillTimer(window, id);
            PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
    };
    SetTimer(dialog, button, delay, &Pending::Fire);
}

std::wstring AllWindowText(HWND window) {
    std::wstring all;
    auto add = [](HWND w, LPARAM param) -> BOOL {
        const int length = GetWindowTextLengthW(w);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(w, text.data(), length + 1);
        text.resize(wcslen(text.c_str()));
        *reinterpret_cast<std::wstring*>(param) += text + L"\n";
        return TRUE;
    };
    add(window, reinterpret_cast<LPARAM>(&all));
    EnumChildWindows(window, add, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::wstring DialogItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) return {};
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item, text.data(), length + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::wstring(base) + L"pictrove-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempFolder::~TempFolder() {
    // Double-NUL-terminated for SHFileOperation's list format.
    std::wstring from = path_.substr(0, path_.size() - 1);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<unsigned char> bytes;
    if (!file) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        bytes.clear();
    }
    bytes.resize(read);
    return bytes;
}

}  // namespace pictrove::test

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    pictrove::ScopedCoInit com;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // Dialogs run as the program runs them, from the selected language's layout.
    pictrove::SetModalDialogRunner(pictrove::RunModalDialog);
    const int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    std::fflush(stdout);
    return result;
}
