// Checks a language's dialog layout before the user sees it: the same controls as the built-in
// dialog, sane rectangles, and every text fitting its control in the font it is drawn with.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "resources/DialogTemplateBuilder.h"

namespace pictrove {

// Reads the executable's own template of a dialog (the fallback layout) into a description.
bool ReadBuiltInDialog(UINT dialogId, DialogTemplateBuilder& description);

// Reads an extended dialog template; false when the bytes do not hold a whole one.
bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplateBuilder& description);

// Why a language's layout cannot stand in for the built-in one; empty when it can. The layout
// must have a size, child controls with a size inside the dialog, and exactly the built-in
// dialog's control ids, each of the same window class; unnamed (-1) controls are free.
std::wstring LayoutFault(const DialogTemplateBuilder& layout, const DialogTemplateBuilder& builtIn);

// A text that its window shows only in part.
struct ClippedText {
    int controlId = 0;  // 0 for the dialog's caption
    std::wstring text;
    int needed = 0;     // pixels the text takes (width, or height for wrapped text)
    int available = 0;  // pixels the control gives it
};

// Measures the texts of a live dialog, its caption and its controls' texts (statics, push
// buttons and the items of combo boxes), with each window's own font against its client area.
std::vector<ClippedText> FindClippedTexts(HWND dialog);

// Widens the push buttons of a live dialog that show their text only in part, as the system's own
// dialogs (task dialogs, message boxes) can lay them out with a measure of their own. A row of
// buttons keeps its right edge, the buttons left of a widened one move left, and the dialog grows
// when the row would pass its left margin.
void WidenClippedButtons(HWND dialog);

}  // namespace pictrove
