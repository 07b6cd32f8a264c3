// Standard output and error natively: UTF-8, one writer at a time.
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "cli/Console.h"
#include "cli/native/NativeFiles.h"

namespace pictrove::cli {

namespace {

std::mutex g_outputLock;

void Write(std::FILE* stream, std::wstring_view text) {
    if (text.empty()) return;
    const std::string utf8 = Utf8(text);
    std::lock_guard<std::mutex> lock(g_outputLock);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

void WriteOut(std::wstring_view text) {
    Write(stdout, text);
}

void WriteErr(std::wstring_view text) {
    Write(stderr, text);
}

bool ErrIsConsole() {
    return isatty(STDERR_FILENO) != 0;
}

}  // namespace pictrove::cli
