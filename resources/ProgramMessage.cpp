// The program's own message box, in a unit of its own so that a program without windows that
// loads strings does not link it.
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

void ShowProgramMessage(const std::wstring& text, UINT icon) {
    const std::wstring caption = LoadUiString(IDS_ERROR_CAPTION);
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace pictrove
