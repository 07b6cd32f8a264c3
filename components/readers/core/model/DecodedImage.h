// One decoded picture in the pixel model the application understands: pixel type, size, row
// stride, layout flags and the bytes, owned by the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/Limits.h"
#include "contracts/PixelModel.h"

namespace pictrove::readers {

// The reader image interface's pixel types, typed for the core.
enum class PixelType : int {
    kBgra32 = kPixelBgra32,
    kBgr24 = kPixelBgr24,
    kGray8 = kPixelGray8,
    kGrayPlusOne8 = kPixelGrayPlusOne8,  // stored value = gray level + 1, modulo 256
};

// Layout bits are the contract's kLayoutMirroredRows and kLayoutBottomUp; none set is top-down.
inline constexpr int kLayoutTopDown = 0;

constexpr int BytesPerPixel(PixelType type) {
    return ReaderBytesPerPixel(static_cast<int>(type));
}

// Largest width or height accepted from any file; keeps width * height * 4 far from overflow
// and refuses absurd headers before any memory is taken. The pixels of one picture are bounded
// by kMaxPicturePixels (Limits.h), its bytes at four a pixel by kMaxImageBytes.
inline constexpr int kMaxImageSide = 65535;
inline constexpr std::uint64_t kMaxImageBytes = kMaxPicturePixels * 4;

struct DecodedImage {
    PixelType type = PixelType::kBgra32;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one stored row to the next, a multiple of 4
    int layout = kLayoutTopDown;
    std::vector<std::uint8_t> bytes;

    std::uint8_t* Row(int y) { return bytes.data() + static_cast<std::size_t>(y) * stride; }
    const std::uint8_t* Row(int y) const { return bytes.data() + static_cast<std::size_t>(y) * stride; }

    // A zero-filled image with rows padded to 4 bytes; nothing for sizes out of range.
    static std::optional<DecodedImage> Allocate(PixelType type, int width, int height);
};

// Whether an image of this size may be decoded at all; one over the pixel limit is noted.
bool IsAcceptableSize(int width, int height);
// Whether a picture of this size may be listed: one over the pixel limit still is, and fails
// only when decoded.
bool IsListableSize(int width, int height);

// The narrowest pixel type that holds a 32-bit blue, green, red, alpha picture without loss:
// kBgra32 when any pixel is not opaque, kGray8 when every pixel is gray, otherwise kBgr24.
// Decided from the pixels, since decoders disagree on the format they report (one hands out
// gray PNGs and GIF frames as 32-bit ARGB, another as indexed).
PixelType NarrowestType(const std::uint8_t* bgra, std::ptrdiff_t stride, int width, int height);

// Copies 32-bit blue, green, red, alpha rows into a new image of the given type: alpha is
// dropped for kBgr24, and kGray8 takes the green channel (the caller has checked the picture is
// gray). Row y starts at bgra + y * sourceStride; a negative stride walks upwards in memory.
std::optional<DecodedImage> ImageFromBgra(const std::uint8_t* bgra,
                                          std::ptrdiff_t sourceStride,
                                          int width,
                                          int height,
                                          PixelType type);

}  // namespace pictrove::readers
