// The program's built-in English texts natively, taken from the same string table as the
// Windows programs' resources when the program is built.
#pragma once

#include <string_view>

namespace pictrove::cli {

// The text of a string table entry by its identifier's name ("IDS_TYPE_PNG"); empty when the
// table has no such entry.
std::wstring_view EnglishString(std::string_view id);

}  // namespace pictrove::cli
