// DjVu samples made by DjVuLibre's encoders during the build, and ddjvu's renderings of their
// pages (PBM, PGM or PPM) that the decoder is held to.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/DecodedImage.h"

#ifdef _WIN32
#include "tests/support/TestSupport.h"
#endif

namespace pictrove::test::djvu {

inline std::filesystem::path SampleFolder() {
#ifdef _WIN32
    return std::filesystem::path(test::ProgramFolder()) / L"readers-data" / L"djvu";
#else
    return PICTROVE_DJVU_SAMPLES;
#endif
}

inline std::vector<std::uint8_t> ReadSample(const std::filesystem::path& name) {
    std::ifstream stream(SampleFolder() / name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

// A reference rendering as 8-bit RGB (bilevel black 0, white 255).
struct Reference {
    int width = 0;
    int height = 0;
    bool bilevel = false;
    std::vector<std::uint8_t> rgb;
};

inline Reference ReadReference(const std::filesystem::path& name) {
    const auto file = ReadSample(name);
    Reference reference;
    std::size_t at = 0;
    auto number = [&]() {
        while (at < file.size() && (file[at] == ' ' || file[at] == '\n' || file[at] == '\r' || file[at] == '\t')) ++at;
        int value = 0;
        while (at < file.size() && file[at] >= '0' && file[at] <= '9') value = value * 10 + (file[at++] - '0');
        return value;
    };
    if (file.size() < 2 || file[0] != 'P') return reference;
    const char kind = static_cast<char>(file[1]);
    at = 2;
    reference.width = number();
    reference.height = number();
    if (kind != '4') number();
    ++at;
    const std::size_t pixels = static_cast<std::size_t>(reference.width) * reference.height;
    reference.rgb.resize(pixels * 3);
    reference.bilevel = kind == '4';
    const std::size_t rowBytes = (reference.width + 7) / 8;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint8_t r = 0, g = 0, b = 0;
        if (kind == '4') {
            const std::size_t y = i / reference.width, x = i % reference.width;
            const std::size_t byte = at + y * rowBytes + x / 8;
            const bool ink = byte < file.size() && (file[byte] >> (7 - x % 8)) & 1;
            r = g = b = ink ? 0 : 255;
        } else if (kind == '5') {
            if (at + i < file.size()) r = g = b = file[at + i];
        } else if (at + 3 * i + 2 < file.size()) {
            r = file[at + 3 * i], g = file[at + 3 * i + 1], b = file[at + 3 * i + 2];
        }
        reference.rgb[3 * i] = r, reference.rgb[3 * i + 1] = g, reference.rgb[3 * i + 2] = b;
    }
    return reference;
}

// A picture's channel value at a pixel: red 0, green 1, blue 2 (grey pictures give one for all).
inline int Channel(const readers::DecodedImage& image, int x, int y, int channel) {
    const int bytes = readers::BytesPerPixel(image.type);
    const std::uint8_t* p = image.Row(y) + x * bytes;
    return bytes == 1 ? p[0] : p[2 - channel];
}

// Peak signal to noise ratio of a picture against a reference of the same size, in dB; 0 when
// the sizes differ, 99 when equal.
inline double Psnr(const readers::DecodedImage& image, const Reference& reference) {
    if (image.width != reference.width || image.height != reference.height || image.width == 0) return 0;
    double sum = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = Channel(image, x, y, c) - reference.rgb[(std::size_t(y) * image.width + x) * 3 + c];
                sum += d * d;
            }
        }
    }
    if (sum == 0) return 99;
    const double mse = sum / (3.0 * image.width * image.height);
    return 10 * std::log10(255.0 * 255.0 / mse);
}

// Pixels of a picture that differ from a bilevel reference (ink is any value below 128).
inline std::size_t BilevelDifferences(const readers::DecodedImage& image, const Reference& reference) {
    if (image.width != reference.width || image.height != reference.height) return SIZE_MAX;
    std::size_t differences = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool ink = Channel(image, x, y, 1) < 128;
            differences += ink != (reference.rgb[(std::size_t(y) * image.width + x) * 3] < 128);
        }
    }
    return differences;
}

}  // namespace pictrove::test::djvu
