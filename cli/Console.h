// Text to standard output and standard error: wide characters to a console, UTF-8 to a file or
// pipe, so names in any script survive both.
#pragma once

#include <string_view>

namespace pictrove::cli {

void WriteOut(std::wstring_view text);
void WriteErr(std::wstring_view text);

// True when standard error is a console window (where a progress line that rewrites itself
// belongs), false for a file or pipe.
bool ErrIsConsole();

}  // namespace pictrove::cli
