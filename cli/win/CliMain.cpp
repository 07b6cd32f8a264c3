// Entry point of the console companion on Windows.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/win/ComPlatform.h"

int wmain(int argc, wchar_t** argv) {
    using namespace pictrove::cli;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    ComPlatform platform;
    return RunCommandLine(args, L"PictroveCli", platform);
}
