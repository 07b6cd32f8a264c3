// Entry point of the native command line: arguments taken as UTF-8.
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "cli/native/CorePlatform.h"
#include "cli/native/NativeFiles.h"

int main(int argc, char** argv) {
    using namespace pictrove::cli;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(FromUtf8(argv[i]));
    CorePlatform platform;
    return RunCommandLine(args, L"pictrove", platform);
}
