// Every user-visible text by numeric id: the selected language first, then the executable's table.
#pragma once

#include <windows.h>
#include <initializer_list>
#include <string>

#include "resources/TextFormat.h"

namespace pictrove {

// The executable's own string-table text; false when the table lacks the id.
bool LoadBuiltInString(UINT id, std::wstring& text);

bool LoadUiString(UINT id, std::wstring& text);
std::wstring LoadUiString(UINT id);

// Formats the text of an id with typed arguments. A text whose conversions do not fit the
// arguments falls back to the built-in text of the id, so a faulty translation cannot crash.
std::wstring FormatUiString(UINT id, std::initializer_list<FormatArg> args);

}  // namespace pictrove
