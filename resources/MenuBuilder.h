// Menus from the selected language's "Menu" elements, else from the executable's resources.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "common/Handles.h"

namespace pictrove {

class LanguageResources;

// Builds menu id from the language into holder; false when the language does not describe it.
bool LoadMenuFromLanguage(const LanguageResources* language, UINT menuId, UniqueMenu& holder);

// The language's menu, else the executable's menu resource of that id.
UniqueMenu LoadMenuResource(UINT menuId);

// Appends one "MenuItem" (recursively for pop-ups); false when nothing was appended.
bool AppendMenuItemFromXml(HMENU target, IXMLDOMNode* item);

}  // namespace pictrove
