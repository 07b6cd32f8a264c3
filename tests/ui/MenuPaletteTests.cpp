// HLS conversions, the percentage changes and the derived colours, checked against values
// worked out by hand with exact fractions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "ui/MenuPalette.h"

namespace pictrove {

void PrintTo(const Rgb& c, std::ostream* os) {
    *os << "rgb(" << int(c.red) << "," << int(c.green) << "," << int(c.blue) << ")";
}
void PrintTo(const Hls& c, std::ostream* os) {
    *os << "hls(" << c.hue << "," << c.lightness << "," << c.saturation << ")";
}

namespace {

constexpr Rgb C(int r, int g, int b) {
    return Rgb{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

TEST(MenuPalette, RgbToHlsWorkedValues) {
    const struct {
        Rgb rgb;
        Hls hls;
        const char* label;
    } cases[] = {
        {C(255, 0, 0), {0, 128, 255}, "red: lightness 127.5 rounds up"},
        {C(255, 255, 0), {43, 128, 255}, "yellow: red and green tie, 60 degrees = 42.5 rounds up"},
        {C(0, 255, 255), {128, 128, 255}, "cyan: green and blue tie"},
        {C(255, 0, 255), {213, 128, 255}, "magenta: red and blue tie"},
        {C(255, 0, 1), {255, 128, 255}, "just short of a full turn"},
        {C(1, 0, 255), {170, 128, 255}, "blue"},
        {C(10, 36, 106), {158, 58, 211}, "classic highlight, lower half"},
        {C(212, 208, 200), {28, 206, 31}, "classic face, upper half"},
        {C(0, 120, 215), {146, 108, 255}, "modern highlight"},
        {C(0, 0, 0), {0, 0, 0}, "black"},
        {C(255, 255, 255), {0, 255, 0}, "white"},
        {C(128, 128, 128), {0, 128, 0}, "gray keeps hue and saturation 0"},
        {C(127, 128, 128), {128, 128, 1}, "nearly gray, upper half divides by 510 - sum"},
    };
    for (const auto& c : cases) EXPECT_EQ(RgbToHls(c.rgb), c.hls) << c.label;
}

TEST(MenuPalette, HlsToRgbWorkedValues) {
    const struct {
        Hls hls;
        Rgb rgb;
        const char* label;
    } cases[] = {
        {{0, 128, 255}, C(255, 1, 1), "red back, lightness 128 is in the upper half"},
        {{43, 128, 255}, C(252, 255, 1), "yellow back"},
        {{255, 128, 255}, C(255, 1, 1), "hue 255 is a full turn: red again"},
        {{158, 58, 211}, C(10, 37, 106), "classic highlight back"},
        {{100, 77, 0}, C(77, 77, 77), "saturation 0 is the gray of the lightness whatever the hue"},
        {{0, 0, 200}, C(0, 0, 0), "lightness 0 is black"},
        {{0, 255, 200}, C(255, 255, 255), "lightness 255 is white"},
        {{300, 300, 300}, C(255, 255, 255), "out-of-range values are clamped"},
    };
    for (const auto& c : cases) EXPECT_EQ(HlsToRgb(c.hls), c.rgb) << c.label;
}

TEST(MenuPalette, RoundTripsAreExactForGraysAndCloseForColours) {
    for (int v = 0; v < 256; ++v) {
        const Rgb gray = C(v, v, v);
        EXPECT_EQ(RgbToHls(gray), (Hls{0, v, 0})) << v;
        EXPECT_EQ(HlsToRgb(RgbToHls(gray)), gray) << v;
    }
    // Hue has 256 steps of 1.4 degrees, so a saturated channel may move by a few units.
    int worst = 0;
    for (int r = 0; r < 256; r += 5) {
        for (int g = 0; g < 256; g += 5) {
            for (int b = 0; b < 256; b += 5) {
                const Rgb back = HlsToRgb(RgbToHls(C(r, g, b)));
                const int error = std::max({std::abs(back.red - r), std::abs(back.green - g), std::abs(back.blue - b)});
                worst = std::max(worst, error);
                ASSERT_LE(error, 4) << r << "," << g << "," << b;
            }
        }
    }
    EXPECT_GT(worst, 0) << "the grid should reach colours that hue steps cannot hit exactly";
    // HLS values that came from a conversion survive another round unchanged.
    for (const Rgb rgb : {C(10, 36, 106), C(212, 208, 200), C(0, 120, 215), C(51, 153, 255)}) {
        const Hls hls = RgbToHls(rgb);
        const Hls again = RgbToHls(HlsToRgb(hls));
        EXPECT_EQ(again.lightness, hls.lightness);
        EXPECT_LE(std::abs(again.hue - hls.hue), 1);
        EXPECT_LE(std::abs(again.saturation - hls.saturation), 1);
    }
}

TEST(MenuPalette, PercentChangesUseIntegerArithmeticAndKeepTheHue) {
    const Hls base{28, 206, 31};
    EXPECT_EQ(Lighter(base, 20), (Hls{28, 215, 31}));  // 206 + 49 * 20 / 100 = 215.8
    EXPECT_EQ(Lighter(base, 75), (Hls{28, 242, 31}));  // 206 + 36.75
    EXPECT_EQ(Lighter(base, 0), base);
    EXPECT_EQ(Lighter(base, 100).lightness, 255);
    EXPECT_EQ(Darker(base, 19), (Hls{28, 166, 31}));  // 206 * 81 / 100 = 166.86
    EXPECT_EQ(Darker(base, 100).lightness, 0);
    EXPECT_EQ(LessSaturated(Hls{158, 58, 211}, 71), (Hls{158, 58, 61}));  // 211 * 29 / 100 = 61.19
    EXPECT_EQ(LessSaturated(Hls{158, 58, 211}, 92), (Hls{158, 58, 16}));  // 16.88
    EXPECT_EQ(MoreSaturated(base, 1), (Hls{28, 206, 33}));                // 31 + 224 / 100
    EXPECT_EQ(MoreSaturated(Hls{0, 0, 200}, 1).saturation, 200);          // 55 / 100 = 0
    EXPECT_EQ(MoreSaturated(Hls{0, 0, 255}, 1).saturation, 255);
}

TEST(MenuPalette, ColorRefLayoutIsRedInTheLowByte) {
    EXPECT_EQ(C(0x12, 0x34, 0x56).ToColorRef(), 0x00563412u);
    EXPECT_EQ(Rgb::FromColorRef(0xFF563412u), C(0x12, 0x34, 0x56));
}

TEST(MenuPalette, DerivedColoursOfTwoSchemes) {
    const struct {
        SystemColors system;
        MenuColors menu;
        Rgb pressed, base, top, shadow;
        const char* label;
    } schemes[] = {
        {{C(212, 208, 200), C(64, 64, 64), C(10, 36, 106)},
         {C(220, 217, 210), C(244, 243, 240), C(102, 102, 102), C(183, 191, 211), C(212, 214, 218), C(166, 166, 166)},
         C(133, 147, 183),
         C(218, 215, 208),
         C(236, 235, 232),
         C(163, 154, 137),
         "classic"},
        {{C(240, 240, 240), C(105, 105, 105), C(0, 120, 215)},
         {C(243, 243, 243), C(251, 251, 251), C(135, 135, 135), C(200, 214, 224), C(223, 225, 227), C(194, 194, 194)},
         C(159, 185, 205),
         C(242, 242, 242),
         C(248, 248, 248),
         C(175, 175, 175),
         "modern"},
    };
    for (const auto& s : schemes) {
        const MenuColors menu = DeriveMenuColors(s.system);
        EXPECT_EQ(menu.gutter, s.menu.gutter) << s.label;
        EXPECT_EQ(menu.background, s.menu.background) << s.label;
        EXPECT_EQ(menu.frame, s.menu.frame) << s.label;
        EXPECT_EQ(menu.highlight, s.menu.highlight) << s.label;
        EXPECT_EQ(menu.checked, s.menu.checked) << s.label;
        EXPECT_EQ(menu.grayText, s.menu.grayText) << s.label;

        const ToolbarColors bar = DeriveToolbarColors(s.system);
        EXPECT_EQ(bar.frame, s.system.highlight) << s.label;
        EXPECT_EQ(bar.pressedFill, s.pressed) << s.label;
        EXPECT_EQ(bar.hotFill, s.menu.highlight) << s.label;
        EXPECT_EQ(bar.checkedFill, s.menu.checked) << s.label;
        EXPECT_EQ(bar.barBase, s.base) << s.label;
        EXPECT_EQ(bar.barTop, s.top) << s.label;
        EXPECT_EQ(bar.imageShadow, s.shadow) << s.label;
        EXPECT_EQ(bar.separator, s.menu.grayText) << s.label;
    }
}

TEST(MenuPalette, BarBaseRaisesSaturationByOnePercent) {
    // A dark saturated face where the raise shows: without it the base would be (30, 30, 118).
    const ToolbarColors bar = DeriveToolbarColors({C(17, 17, 68), C(0, 0, 0), C(0, 0, 128)});
    EXPECT_EQ(bar.barBase, C(29, 29, 119));
    EXPECT_EQ(bar.barTop, C(109, 109, 219));
    EXPECT_EQ(bar.imageShadow, C(12, 12, 50));
}

TEST(MenuPalette, ContrastRatioOfKnownPairs) {
    const struct {
        Rgb a, b;
        double ratio;
    } cases[] = {
        {C(0, 0, 0), C(255, 255, 255), 21.0},  // the most there is, either way round
        {C(255, 255, 255), C(0, 0, 0), 21.0},       {C(90, 90, 90), C(90, 90, 90), 1.0},
        {C(255, 255, 255), C(191, 191, 191), 1.84},  // white menu text on black lightened by 75 %
        {C(118, 118, 118), C(255, 255, 255), 4.54},  // the palest grey that passes on white
    };
    for (const auto& c : cases) EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01);
}

// face, dark shadow, highlight, menu, menu text, highlight text, gray text, button text.
constexpr SystemColors kHighContrastBlack{C(0, 0, 0),       C(255, 255, 255), C(26, 235, 255), C(0, 0, 0),
                                          C(255, 255, 255), C(0, 0, 0),       C(63, 242, 63),  C(255, 255, 255)};
constexpr SystemColors kModern{C(240, 240, 240), C(105, 105, 105), C(0, 120, 215),   C(240, 240, 240),
                               C(0, 0, 0),       C(255, 255, 255), C(109, 109, 109), C(0, 0, 0)};

TEST(MenuPalette, SystemColoursReplaceTintsThatWouldHideTheText) {
    SystemColors modernWithSwitch = kModern;
    modernWithSwitch.highContrast = true;
    SystemColors paleHighlight = kModern;  // white text on a light face is unreadable once tinted
    paleHighlight.menuText = C(255, 255, 255);
    const struct {
        SystemColors system;
        bool systemColours;
        const char* label;
    } cases[] = {
        {kModern, false, "an ordinary scheme keeps the design's tints"},
        {kHighContrastBlack, true, "high-contrast colours without the switch: the tints fall under 4.5"},
        {modernWithSwitch, true, "the high-contrast switch alone"},
        {paleHighlight, true, "light text on a light scheme"},
    };
    for (const auto& c : cases) {
        const MenuColors menu = DeriveMenuColors(c.system);
        const ToolbarColors bar = DeriveToolbarColors(c.system);
        EXPECT_EQ(menu.systemColors, c.systemColours) << c.label;
        EXPECT_EQ(bar.systemColors, c.systemColours) << c.label;
        EXPECT_GE(ContrastRatio(menu.text, menu.background), c.systemColours ? 1.0 : kMinimumTextContrast) << c.label;
        if (!c.systemColours) continue;
        EXPECT_EQ(menu.background, c.system.menu) << c.label;
        EXPECT_EQ(menu.text, c.system.menuText) << c.label;
        EXPECT_EQ(menu.highlight, c.system.highlight) << c.label;
        EXPECT_EQ(menu.selectedText, c.system.highlightText) << c.label;
        EXPECT_EQ(bar.barTop, c.system.buttonFace) << c.label << ": a flat bar";
    }
    const MenuColors black = DeriveMenuColors(kHighContrastBlack);
    EXPECT_GE(ContrastRatio(black.text, black.background), 21.0 - 0.01);
    EXPECT_GE(ContrastRatio(black.selectedText, black.highlight), kMinimumTextContrast);
}

TEST(MenuPalette, GrayTextIsAGrayEvenOfAColouredFace) {
    const MenuColors menu = DeriveMenuColors({C(200, 160, 120), C(0, 0, 0), C(0, 0, 128)});
    EXPECT_EQ(menu.grayText.red, menu.grayText.green);
    EXPECT_EQ(menu.grayText.green, menu.grayText.blue);
    EXPECT_EQ(menu.grayText.red, 160 * 81 / 100);
}

}  // namespace
}  // namespace pictrove
