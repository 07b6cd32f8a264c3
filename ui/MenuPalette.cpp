// HLS colour maths in exact integer arithmetic, and the derived menu and toolbar colours.
#include "ui/MenuPalette.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pictrove {

namespace {

constexpr int kScale = 255;
// Hue is carried in degrees times 255 so the sixths of the circle stay exact.
constexpr int64_t kDegree = kScale;
constexpr int64_t kFullTurn = 360 * kDegree;

int Clamp(int value) {
    return std::clamp(value, 0, kScale);
}

// Rounds numerator / denominator to the nearest integer; both non-negative, denominator > 0.
int64_t RoundDiv(int64_t numerator, int64_t denominator) {
    return (2 * numerator + denominator) / (2 * denominator);
}

// One channel of the HLS-to-RGB conversion. m1 and m2 are scaled by 255 * 255 and hue by
// kDegree; the result is the channel 0..255.
int Channel(int64_t m1, int64_t m2, int64_t hue) {
    hue %= kFullTurn;
    if (hue < 0) hue += kFullTurn;
    constexpr int64_t kSixty = 60 * kDegree;
    int64_t value = 0;  // scaled by 255 * 255 * kSixty
    if (hue < kSixty) {
        value = m1 * kSixty + (m2 - m1) * hue;
    } else if (hue < 3 * kSixty) {
        value = m2 * kSixty;
    } else if (hue < 4 * kSixty) {
        value = m1 * kSixty + (m2 - m1) * (4 * kSixty - hue);
    } else {
        value = m1 * kSixty;
    }
    return Clamp(static_cast<int>(RoundDiv(value, kSixty * kScale)));
}

Rgb Transform(Rgb color, int lighterPercent, int lessSaturatedPercent) {
    Hls hls = RgbToHls(color);
    if (lighterPercent > 0) hls = Lighter(hls, lighterPercent);
    if (lighterPercent < 0) hls = Darker(hls, -lighterPercent);
    if (lessSaturatedPercent > 0) hls = LessSaturated(hls, lessSaturatedPercent);
    if (lessSaturatedPercent < 0) hls = MoreSaturated(hls, -lessSaturatedPercent);
    return HlsToRgb(hls);
}

}  // namespace

Hls RgbToHls(Rgb color) {
    const int red = color.red, green = color.green, blue = color.blue;
    const int maximum = std::max({red, green, blue});
    const int minimum = std::min({red, green, blue});
    const int sum = maximum + minimum;
    const int difference = maximum - minimum;
    Hls hls;
    hls.lightness = (sum + 1) / 2;
    if (difference == 0) return hls;

    // The lower half of the lightness scale divides by the sum, the upper half by its complement.
    const int spread = sum <= kScale ? sum : 2 * kScale - sum;
    hls.saturation = static_cast<int>(RoundDiv(int64_t{difference} * kScale, spread));

    // Hue in degrees times difference; blue wins a tie for the maximum, then green, then red.
    int64_t degrees = 0;
    if (blue == maximum) {
        degrees = 240 * difference + 60 * (red - green);
    } else if (green == maximum) {
        degrees = 120 * difference + 60 * (blue - red);
    } else {
        degrees = 60 * (green - blue);
        if (degrees < 0) degrees += 360 * difference;
    }
    hls.hue = Clamp(static_cast<int>(RoundDiv(degrees * kScale, 360 * int64_t{difference})));
    return hls;
}

Rgb HlsToRgb(Hls color) {
    const int lightness = Clamp(color.lightness);
    const int saturation = Clamp(color.saturation);
    if (saturation == 0) {
        const auto gray = static_cast<uint8_t>(lightness);
        return Rgb{gray, gray, gray};
    }
    // m2 and m1 of the standard conversion, scaled by 255 * 255.
    const int64_t m2 = lightness <= kScale / 2 ? int64_t{lightness} * (kScale + saturation)
                                               : int64_t{lightness + saturation} * kScale - lightness * saturation;
    const int64_t m1 = 2 * int64_t{lightness} * kScale - m2;
    const int64_t hue = int64_t{Clamp(color.hue)} * 360;  // degrees times 255
    return Rgb{static_cast<uint8_t>(Channel(m1, m2, hue + 120 * kDegree)), static_cast<uint8_t>(Channel(m1, m2, hue)),
               static_cast<uint8_t>(Channel(m1, m2, hue - 120 * kDegree))};
}

Hls Lighter(Hls color, int percent) {
    color.lightness = Clamp(color.lightness + (kScale - color.lightness) * percent / 100);
    return color;
}

Hls Darker(Hls color, int percent) {
    color.lightness = Clamp(color.lightness * (100 - percent) / 100);
    return color;
}

Hls LessSaturated(Hls color, int percent) {
    color.saturation = Clamp(color.saturation * (100 - percent) / 100);
    return color;
}

Hls MoreSaturated(Hls color, int percent) {
    color.saturation = Clamp(color.saturation + (kScale - color.saturation) * percent / 100);
    return color;
}

namespace {

// sRGB channel to linear light.
double Linear(uint8_t channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Rgb color) {
    return 0.2126 * Linear(color.red) + 0.7152 * Linear(color.green) + 0.0722 * Linear(color.blue);
}

MenuColors SystemMenuColors(const SystemColors& system) {
    MenuColors colors;
    colors.gutter = system.menu;
    colors.background = system.menu;
    colors.frame = system.menuText;
    colors.highlight = system.highlight;
    colors.checked = system.menu;
    colors.grayText = system.grayText;
    colors.menuFill = system.menu;
    colors.text = system.menuText;
    colors.selectedText = system.highlightText;
    colors.selectionFrame = system.highlight;
    colors.systemColors = true;
    return colors;
}

}  // namespace

double ContrastRatio(Rgb first, Rgb second) {
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

MenuColors DeriveMenuColors(const SystemColors& system) {
    if (system.highContrast) return SystemMenuColors(system);
    MenuColors colors;
    colors.gutter = Transform(system.buttonFace, 20, 0);
    colors.background = Transform(system.buttonFace, 75, 0);
    colors.frame = Transform(system.darkShadow, 20, 0);
    colors.highlight = Transform(system.highlight, 71, 71);
    colors.checked = Transform(system.highlight, 80, 92);
    Hls gray = Darker(RgbToHls(system.buttonFace), 19);
    gray.saturation = 0;
    colors.grayText = HlsToRgb(gray);
    colors.menuFill = system.menu;
    colors.text = system.menuText;
    // The selected item keeps the menu text: its box is a pale tint, not the highlight itself.
    colors.selectedText = system.menuText;
    colors.selectionFrame = system.highlight;
    // The tints lighten whatever the scheme gives; under a dark scheme's light text they fade
    // the text away, so such schemes get their own colours instead.
    if (ContrastRatio(colors.text, colors.background) < kMinimumTextContrast ||
        ContrastRatio(colors.text, colors.highlight) < kMinimumTextContrast) {
        return SystemMenuColors(system);
    }
    return colors;
}

ToolbarColors DeriveToolbarColors(const SystemColors& system) {
    const MenuColors menu = DeriveMenuColors(system);
    ToolbarColors colors;
    if (menu.systemColors) {
        colors.frame = system.buttonText;
        colors.pressedFill = system.highlight;
        colors.hotFill = system.highlight;
        colors.checkedFill = system.highlight;
        colors.barBase = system.buttonFace;
        colors.barTop = system.buttonFace;
        colors.imageShadow = system.highlight;  // no silhouette: it would only blur the picture
        colors.separator = system.buttonText;
        colors.systemColors = true;
        return colors;
    }
    colors.frame = system.highlight;
    colors.pressedFill = Transform(system.highlight, 51, 69);
    colors.hotFill = menu.highlight;
    colors.checkedFill = menu.checked;
    colors.barBase = Transform(system.buttonFace, 15, -1);
    colors.barTop = Transform(colors.barBase, 50, 0);
    colors.imageShadow = Transform(system.buttonFace, -27, 0);
    colors.separator = menu.grayText;
    return colors;
}

}  // namespace pictrove
