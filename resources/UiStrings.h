// Every user-visible text by numeric id: the selected language first, then the executable's table.
#pragma once

#include <windows.h>
#include <initializer_list>
#include <string>

#include "resources/TextFormat.h"

namespace pictrove {

class LanguageResources;

// The language whose texts win over the built-in ones; null for the built-in texts alone.
// Set once at start-up, before any thread but the user-interface thread exists. Returns the
// language set before.
const LanguageResources* SetUiLanguage(const LanguageResources* language);
// The language set by SetUiLanguage; its dialogs and menus replace the built-in ones too.
const LanguageResources* UiLanguage();

// The executable's own string-table text; false when the table lacks the id.
bool LoadBuiltInString(UINT id, std::wstring& text);

bool LoadUiString(UINT id, std::wstring& text);
std::wstring LoadUiString(UINT id);

// Formats the text of an id with typed arguments. A language's text is used only when its
// conversions match the built-in text's in kind, number and order; otherwise the built-in text
// is, so a faulty translation cannot read past the arguments.
std::wstring FormatUiString(UINT id, std::initializer_list<FormatArg> args);

// The system's text for an error code, in the user's language, without the trailing line break;
// for the readers' limit refusals, our own text naming the limit.
std::wstring SystemErrorText(DWORD error);

// Message box with no owner and the program's error caption (string 207).
void ShowProgramMessage(const std::wstring& text, UINT icon);

}  // namespace pictrove
