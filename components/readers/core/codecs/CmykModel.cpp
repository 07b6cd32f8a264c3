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

// The blend of the corners as one polynomial per channel and black plane: the terms are 1, c, m,
// cm, y, cy, my, cmy, so a pixel costs a few dozen multiplications instead of a walk over weights.
struct Polynomials {
    float terms[2][3][8];
};

constexpr Polynomials MakePolynomials() {
    Polynomials p{};
    for (int black = 0; black < 2; ++black) {
        for (int channel = 0; channel < 3; ++channel) {
            // Moebius inversion: the coefficient of a set of inks sums its corners with
            // alternating signs, so that the polynomial meets every corner exactly.
            for (int term = 0; term < 8; ++term) {
                float sum = 0;
                for (int corner = 0; corner < 8; ++corner) {
                    if ((corner & ~term) != 0) continue;
                    const int missing =
                        ((term & ~corner) & 1) + ((term & ~corner) >> 1 & 1) + ((term & ~corner) >> 2 & 1);
                    const Corner& colour = kCorners[black][corner];
                    const float value = channel == 0 ? colour.r : channel == 1 ? colour.g : colour.b;
                    sum += missing % 2 ? -value : value;
                }
                p.terms[black][channel][term] = sum;
            }
        }
    }
    return p;
}

constexpr Polynomials kPolynomials = MakePolynomials();

std::uint8_t ToLevel(float value) {
    if (value <= 0.0f) return 0;
    if (value >= 255.0f) return 255;
    return static_cast<std::uint8_t>(value + 0.5f);
}

}  // namespace

void CmykToRgb(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k, std::uint8_t rgb[3]) {
    constexpr float kScale = 1.0f / 255.0f;
    const float fc = c * kScale, fm = m * kScale, fy = y * kScale, fk = k * kScale;
    const float terms[8] = {1.0f, fc, fm, fc * fm, fy, fc * fy, fm * fy, fc * fm * fy};
    for (int channel = 0; channel < 3; ++channel) {
        float plane[2];
        for (int black = 0; black < 2; ++black) {
            const float* coefficient = kPolynomials.terms[black][channel];
            float sum = 0;
            for (int term = 0; term < 8; ++term) sum += coefficient[term] * terms[term];
            plane[black] = sum;
        }
        rgb[channel] = ToLevel(plane[0] + fk * (plane[1] - plane[0]));
    }
}

}  // namespace pictrove::readers::codecs
