// Command line handling.
#include "app/CommandLine.h"

namespace pictrove {

std::wstring DocumentPathFromCommandLine(std::wstring_view commandLine) {
    const size_t first = commandLine.find_first_not_of(L'"');
    if (first == std::wstring_view::npos) return {};
    const size_t last = commandLine.find_last_not_of(L'"');
    return std::wstring(commandLine.substr(first, last - first + 1));
}

}  // namespace pictrove
