// What a screen reader learns of the toolbar: the bar (role tool bar, named by its owner) and its
// buttons and separators as children numbered from 1 in group order, with the tooltip as a
// button's name and its enabled and checked bits as states.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <cstddef>

namespace pictrove {

class Toolbar;

// The answer to WM_GETOBJECT for OBJID_CLIENT (0 for other objects, which the system serves).
LRESULT AnswerToolbarGetObject(HWND toolbar, WPARAM wParam, LPARAM lParam);

// The child id of an item of a group, as the accessible object numbers it.
LONG ToolbarChildId(const Toolbar& toolbar, int group, size_t index);

}  // namespace pictrove
