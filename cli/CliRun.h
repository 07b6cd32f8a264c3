// The command line's two commands over real documents: list and extract. Each returns the
// program's exit code.
#pragma once

#include "cli/CliDocument.h"
#include "cli/CliOptions.h"

namespace pictrove::cli {

enum ExitCode : int {
    kExitAllWritten = 0,
    kExitSomeFailed = 1,
    kExitBadArguments = 2,
    kExitNotOpened = 3,
};

int RunList(const CliOptions& options, CliPlatform& platform);
int RunExtract(const CliOptions& options, CliPlatform& platform);

// Parses the arguments (without the program's own name) and runs the command; the exit code.
int RunCommandLine(const std::vector<std::wstring>& args, const std::wstring& programName, CliPlatform& platform);

}  // namespace pictrove::cli
