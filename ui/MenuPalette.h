// Colours of the menus and the toolbar, derived from the system colours in the HLS model so the
// look follows the user's colour scheme. The maths is portable; only ReadSystemColors touches
// the system.
#pragma once

#include <cstdint>

namespace pictrove {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;

    // COLORREF layout: 0x00BBGGRR.
    uint32_t ToColorRef() const { return red | (green << 8) | (static_cast<uint32_t>(blue) << 16); }
    static Rgb FromColorRef(uint32_t value) {
        return Rgb{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                   static_cast<uint8_t>((value >> 16) & 0xFF)};
    }
};

// Hue, lightness and saturation, each 0..255; hue 255 is just short of a full turn.
struct Hls {
    int hue = 0;
    int lightness = 0;
    int saturation = 0;

    bool operator==(const Hls&) const = default;
};

// Scaled values are rounded to the nearest step. A gray has hue 0 and saturation 0. When two
// channels share the maximum, blue decides before green, green before red.
Hls RgbToHls(Rgb color);
// Saturation 0 gives the gray of the lightness.
Rgb HlsToRgb(Hls color);

// Percentage changes in integer arithmetic; the hue never changes.
Hls Lighter(Hls color, int percent);        // L + (255 - L) * p / 100
Hls Darker(Hls color, int percent);         // L * (100 - p) / 100
Hls LessSaturated(Hls color, int percent);  // S * (100 - p) / 100
Hls MoreSaturated(Hls color, int percent);  // S + (255 - S) * p / 100

// The contrast of two colours as the accessibility guidelines measure it: (L1 + 0.05) / (L2 + 0.05)
// of their relative luminances, lighter over darker; 1 for equal colours, 21 for black on white.
double ContrastRatio(Rgb first, Rgb second);

// Below this, text is hard to read for many users; mixed colours that give less are not used.
inline constexpr double kMinimumTextContrast = 4.5;

// The system colours everything here is derived from.
struct SystemColors {
    Rgb buttonFace;             // COLOR_BTNFACE
    Rgb darkShadow;             // COLOR_3DDKSHADOW
    Rgb highlight;              // COLOR_HIGHLIGHT
    Rgb menu;                   // COLOR_MENU
    Rgb menuText;               // COLOR_MENUTEXT
    Rgb highlightText;          // COLOR_HIGHLIGHTTEXT
    Rgb grayText;               // COLOR_GRAYTEXT
    Rgb buttonText;             // COLOR_BTNTEXT
    bool highContrast = false;  // the user turned high contrast on
};

struct MenuColors {
    Rgb gutter;          // icon gutter of an item that is not highlighted
    Rgb background;      // rest of the item; inner lines of the pop-up frame
    Rgb frame;           // outer line of the pop-up frame
    Rgb highlight;       // box of the selected item
    Rgb checked;         // check box of an item neither selected nor grayed
    Rgb grayText;        // separator lines and grayed text
    Rgb menuFill;        // the pop-up's inside, around the items
    Rgb text;            // text of an item that is not grayed, and check marks
    Rgb selectedText;    // text of the selected item
    Rgb selectionFrame;  // line around the selected item and around check boxes
    // The system colours are used as they are: high contrast is on, or the mixed colours would
    // leave the menu text less readable than kMinimumTextContrast.
    bool systemColors = false;
};

struct ToolbarColors {
    Rgb frame;                  // frame of a hot or checked button
    Rgb pressedFill;            // hot button while the mouse button is down
    Rgb hotFill;                // hot button
    Rgb checkedFill;            // checked button that is not hot
    Rgb barBase;                // bottom of the gradient
    Rgb barTop;                 // top of the gradient
    Rgb imageShadow;            // silhouette under a lifted image
    Rgb separator;              // separator line
    bool systemColors = false;  // as the menus': no mixed colours, no gradient
};

// The mixed colours of the design, or the system colours themselves (see MenuColors::systemColors).
MenuColors DeriveMenuColors(const SystemColors& system);
ToolbarColors DeriveToolbarColors(const SystemColors& system);

// The current system colours (GetSysColor) and whether high contrast is on.
SystemColors ReadSystemColors();

}  // namespace pictrove
