// Console and redirected output.
#include "cli/Console.h"

#include <windows.h>

#include <mutex>
#include <string>

namespace pictrove::cli {

namespace {

std::mutex g_outputLock;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void Write(DWORD which, std::wstring_view text) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(g_outputLock);
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    if (IsConsole(handle)) {
        DWORD written = 0;
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

void WriteOut(std::wstring_view text) {
    Write(STD_OUTPUT_HANDLE, text);
}

void WriteErr(std::wstring_view text) {
    Write(STD_ERROR_HANDLE, text);
}

bool ErrIsConsole() {
    return IsConsole(GetStdHandle(STD_ERROR_HANDLE));
}

}  // namespace pictrove::cli
