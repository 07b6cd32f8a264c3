// The console companion's two commands over real documents: list and extract. Each returns the
// program's exit code.
#pragma once

#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace pictrove::cli {

enum ExitCode : int {
    kExitAllWritten = 0,
    kExitSomeFailed = 1,
    kExitBadArguments = 2,
    kExitNotOpened = 3,
};

// The documents a typed name stands for: itself, or the files its wildcards (* ?) in the last
// path component match, in name order. Empty when a wildcard matches nothing.
std::vector<std::wstring> ExpandDocumentName(const std::wstring& typed);

int RunList(const CliOptions& options);
int RunExtract(const CliOptions& options);

}  // namespace pictrove::cli
