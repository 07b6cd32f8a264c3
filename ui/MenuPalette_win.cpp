// The system colours the menu and toolbar colours are derived from.
#include "ui/MenuPalette.h"

#include <windows.h>

namespace pictrove {

SystemColors ReadSystemColors() {
    return SystemColors{Rgb::FromColorRef(GetSysColor(COLOR_BTNFACE)), Rgb::FromColorRef(GetSysColor(COLOR_3DDKSHADOW)),
                        Rgb::FromColorRef(GetSysColor(COLOR_HIGHLIGHT))};
}

}  // namespace pictrove
