// The CMYK model against colour science done independently by Little CMS: every solid overprint
// must land where the coated-paper aims put it, and the blend between them must behave like ink.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "codecs/CmykModel.h"

namespace pictrove::readers::codecs {
namespace {

using Rgb = std::array<int, 3>;

Rgb Model(int c, int m, int y, int k) {
    std::uint8_t rgb[3] = {1, 2, 3};
    CmykToRgb(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(m), static_cast<std::uint8_t>(y),
              static_cast<std::uint8_t>(k), rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

// A Lab colour measured on paper, rendered media-relative (the paper becomes white) into sRGB by
// Little CMS: XYZ scaled by white over paper, then its own D50 to sRGB transform.
class PaperRelative {
  public:
    PaperRelative() {
        cmsHPROFILE xyz = cmsCreateXYZProfile();
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        transform_ = cmsCreateTransform(xyz, TYPE_XYZ_DBL, srgb, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsCloseProfile(xyz);
        cmsCloseProfile(srgb);
        paper_ = Xyz({95, 0, -2});
    }
    ~PaperRelative() { cmsDeleteTransform(transform_); }

    // Channels 0..255, unrounded; one also says whether the colour was out of the sRGB gamut.
    std::array<double, 3> ToSrgb(const cmsCIELab& lab) const {
        cmsCIEXYZ xyz = Xyz(lab);
        xyz.X *= cmsD50_XYZ()->X / paper_.X;
        xyz.Y *= cmsD50_XYZ()->Y / paper_.Y;
        xyz.Z *= cmsD50_XYZ()->Z / paper_.Z;
        double rgb[3];
        cmsDoTransform(transform_, &xyz, rgb, 1);
        return {std::clamp(rgb[0], 0.0, 1.0) * 255, std::clamp(rgb[1], 0.0, 1.0) * 255,
                std::clamp(rgb[2], 0.0, 1.0) * 255};
    }

  private:
    static cmsCIEXYZ Xyz(const cmsCIELab& lab) {
        cmsCIEXYZ xyz;
        cmsLab2XYZ(cmsD50_XYZ(), &xyz, &lab);
        return xyz;
    }

    cmsHTRANSFORM transform_ = nullptr;
    cmsCIEXYZ paper_{};
};

TEST(CmykModel, SolidOverprintsMatchCoatedPaperAimsThroughLittleCms) {
    const PaperRelative rendering;
    struct Aim {
        const char* ink;
        int c, m, y, k;
        cmsCIELab lab;
    };
    const Aim aims[] = {
        {"paper", 0, 0, 0, 0, {95, 0, -2}},      {"cyan", 255, 0, 0, 0, {55, -37, -50}},
        {"magenta", 0, 255, 0, 0, {48, 74, -3}}, {"yellow", 0, 0, 255, 0, {89, -5, 93}},
        {"red", 0, 255, 255, 0, {47, 68, 48}},   {"green", 255, 0, 255, 0, {50, -65, 27}},
        {"blue", 255, 255, 0, 0, {24, 22, -46}}, {"three colours", 255, 255, 255, 0, {23, 0, 0}},
        {"black", 0, 0, 0, 255, {16, 0, 0}},
    };
    for (const Aim& aim : aims) {
        SCOPED_TRACE(aim.ink);
        const auto want = rendering.ToSrgb(aim.lab);
        const Rgb got = Model(aim.c, aim.m, aim.y, aim.k);
        for (int channel = 0; channel < 3; ++channel) EXPECT_NEAR(got[channel], want[channel], 1.5) << channel;
    }
}

TEST(CmykModel, PaperIsWhiteAndFullInkIsNearBlack) {
    EXPECT_EQ(Model(0, 0, 0, 0), (Rgb{255, 255, 255}));
    for (int channel : Model(255, 255, 255, 255)) EXPECT_LE(channel, 5);
    // Solid black alone is the dark neutral of real black ink, not the black of the screen.
    const Rgb black = Model(0, 0, 0, 255);
    EXPECT_LE(std::max({black[0], black[1], black[2]}) - std::min({black[0], black[1], black[2]}), 2);
    EXPECT_GT(black[0], 25);
    EXPECT_LT(black[0], 60);
}

double Linear(int level) {
    const double v = level / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Luminance(const Rgb& rgb) {
    return 0.2126 * Linear(rgb[0]) + 0.7152 * Linear(rgb[1]) + 0.0722 * Linear(rgb[2]);
}

// More of any ink never gives visibly more light anywhere in the cube. One channel may rise (a
// green overprint reflects more blue than yellow alone), and yellow over magenta darkens by one
// L* only, as measured on press, so luminance may wobble by far less than a visible step.
TEST(CmykModel, AddingInkNeverLightens) {
    const int steps[] = {0, 1, 64, 127, 128, 200, 254, 255};
    for (int c : steps) {
        for (int m : steps) {
            for (int y : steps) {
                for (int k : steps) {
                    const double base = Luminance(Model(c, m, y, k));
                    const Rgb more[4] = {Model(std::min(c + 37, 255), m, y, k), Model(c, std::min(m + 37, 255), y, k),
                                         Model(c, m, std::min(y + 37, 255), k), Model(c, m, y, std::min(k + 37, 255))};
                    for (const Rgb& darker : more) {
                        ASSERT_LE(Luminance(darker), base + 0.003) << c << "," << m << "," << y << "," << k;
                    }
                }
            }
        }
    }
}

// Halftone tints print darker than the share of paper their dots cover: light scattered under
// the dots is caught by them too. A half tint reflects less light than halfway between paper and
// the solid (what an area-only blend in linear light would give), yet more than the solid.
TEST(CmykModel, TintsDarkenLikeHalftoneDots) {
    for (int ink = 0; ink < 4; ++ink) {
        SCOPED_TRACE(ink);
        int half[4] = {0, 0, 0, 0}, solid[4] = {0, 0, 0, 0};
        half[ink] = 128;
        solid[ink] = 255;
        const Rgb tint = Model(half[0], half[1], half[2], half[3]);
        const Rgb full = Model(solid[0], solid[1], solid[2], solid[3]);
        for (int channel = 0; channel < 3; ++channel) {
            if (full[channel] > 200) continue;  // this ink hardly absorbs that light
            EXPECT_LT(Linear(tint[channel]), (1.0 + Linear(full[channel])) / 2) << channel;
            EXPECT_GT(tint[channel], full[channel]) << channel;
        }
    }
    // Neighbouring ink amounts give neighbouring colours: no step larger than the corners allow.
    for (int v = 0; v < 255; ++v) {
        const Rgb a = Model(v, v / 2, 0, v / 3), b = Model(v + 1, (v + 1) / 2, 0, (v + 1) / 3);
        for (int channel = 0; channel < 3; ++channel) EXPECT_LE(std::abs(a[channel] - b[channel]), 2) << v;
    }
}

}  // namespace
}  // namespace pictrove::readers::codecs
