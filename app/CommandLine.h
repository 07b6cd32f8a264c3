// The document path of the command line.
#pragma once

#include <string>
#include <string_view>

namespace pictrove {

// The whole command line after the program's name, with every leading and trailing double
// quote removed; blanks stay, so an unquoted path with blanks still names one file.
std::wstring DocumentPathFromCommandLine(std::wstring_view commandLine);

}  // namespace pictrove
