// The system colours the menu and toolbar colours are derived from, and the high-contrast switch.
#include "ui/MenuPalette.h"

#include <windows.h>

namespace pictrove {

SystemColors ReadSystemColors() {
    const auto color = [](int index) { return Rgb::FromColorRef(GetSysColor(index)); };
    HIGHCONTRASTW contrast{sizeof(contrast)};
    const bool highContrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                              (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    return SystemColors{color(COLOR_BTNFACE),  color(COLOR_3DDKSHADOW), color(COLOR_HIGHLIGHT),
                        color(COLOR_MENU),     color(COLOR_MENUTEXT),   color(COLOR_HIGHLIGHTTEXT),
                        color(COLOR_GRAYTEXT), color(COLOR_BTNTEXT),    highContrast};
}

}  // namespace pictrove
