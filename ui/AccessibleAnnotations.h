// Names and live regions for windows whose accessible objects the system's proxies already give
// (the list view, static text, our plain notice windows), set through oleacc's annotation service.
#pragma once

#include <windows.h>

#include <string>

namespace pictrove {

enum class LiveSetting : LONG { kPolite = 1, kAssertive = 2 };

// The name a screen reader gives the window, in place of whatever it would take from a label.
// Also set as the window text of controls that do not show theirs, for clients that read it.
bool AnnotateAccessibleName(HWND window, const std::wstring& name);
// Marks the window a live region: screen readers speak its name whenever it is announced.
bool MarkLiveRegion(HWND window, LiveSetting setting);
// Says the live region's text changed or appeared.
void AnnounceLiveRegion(HWND window);

}  // namespace pictrove
