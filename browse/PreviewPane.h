// The preview pane of the main window: the image-view control in its host window.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string>

#include "browse/ControlHost.h"

namespace pictrove {

// Creates the host as a child of parent and the image-view control in it. When the control
// cannot be created the host window is destroyed again and false tells that there is no preview.
bool CreatePreview(ControlHost& host, HWND parent, const RECT& rect);

// Hands an image object (or null) to the hosted control, with the wait cursor while it converts.
// Returns whether the control was reached. A note, when given, says in the pane why there is no
// picture; any earlier note goes. The picture's name becomes the control window's text, which
// the control tells screen readers with the picture's size.
bool ShowInPreview(ControlHost& host, IUnknown* image, const std::wstring& note = {}, const std::wstring& name = {});

}  // namespace pictrove
