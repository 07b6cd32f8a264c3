// Pixel flips done in place, pixel by pixel for mirrors and with one spare row for row swaps.
#include "browse/PixelFlip.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pictrove {

namespace {

void SwapPixels(std::uint8_t* a, std::uint8_t* b, int bytesPerPixel) {
    for (int k = 0; k < bytesPerPixel; ++k) std::swap(a[k], b[k]);
}

void MirrorRow(std::uint8_t* row, int width, int bytesPerPixel) {
    for (int j = 0; j < width / 2; ++j) {
        SwapPixels(row + static_cast<std::ptrdiff_t>(j) * bytesPerPixel,
                   row + static_cast<std::ptrdiff_t>(width - 1 - j) * bytesPerPixel, bytesPerPixel);
    }
}

std::uint8_t* Row(std::uint8_t* bits, int y, int stride) {
    return bits + static_cast<std::ptrdiff_t>(y) * stride;
}

}  // namespace

void FlipPixels(std::uint8_t* bits, int width, int height, int stride, int bytesPerPixel, int mode) {
    if (!bits || width < 0 || height < 0 || bytesPerPixel <= 0) return;
    switch (mode) {
        case kFlipMirrorRows:
            for (int y = 0; y < height; ++y) MirrorRow(Row(bits, y, stride), width, bytesPerPixel);
            break;
        case kFlipReverseRows: {
            const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
            std::vector<std::uint8_t> spare(rowBytes);
            for (int i = 0; i < height / 2; ++i) {
                std::uint8_t* top = Row(bits, i, stride);
                std::uint8_t* bottom = Row(bits, height - 1 - i, stride);
                std::memcpy(spare.data(), top, rowBytes);
                std::memcpy(top, bottom, rowBytes);
                std::memcpy(bottom, spare.data(), rowBytes);
            }
            break;
        }
        case kFlipTurn180:
            for (int i = 0; i < height / 2; ++i) {
                std::uint8_t* top = Row(bits, i, stride);
                std::uint8_t* bottom = Row(bits, height - 1 - i, stride);
                for (int j = 0; j < width; ++j) {
                    SwapPixels(top + static_cast<std::ptrdiff_t>(j) * bytesPerPixel,
                               bottom + static_cast<std::ptrdiff_t>(width - 1 - j) * bytesPerPixel, bytesPerPixel);
                }
            }
            if (height % 2 == 1) MirrorRow(Row(bits, height / 2, stride), width, bytesPerPixel);
            break;
        default:
            break;
    }
}

void DecrementGrayRows(std::uint8_t* bits, int width, int height, int stride) {
    if (!bits || width < 0 || height < 0) return;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = Row(bits, y, stride);
        for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(row[x] - 1);
    }
}

}  // namespace pictrove
