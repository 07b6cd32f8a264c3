// Shared helpers of the extraction tests: synthetic pictures, reading bitmaps and files back.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pictrove::test {

// Top-down BGRA pixels where every pixel differs from its neighbours.
std::vector<BYTE> PatternBgra(int width, int height, bool withAlpha);
std::vector<BYTE> PatternBgr(int width, int height);
std::vector<BYTE> PatternGray(int width, int height);
// Smooth top-down BGR pixels (JPEG keeps them close) for sizes up to 70 x 40; seed 0..3 shifts
// the colours.
std::vector<BYTE> SmoothBgr(int width, int height, int seed);
// A smooth two-dimensional colour ramp, opaque (more colours than a GIF palette holds).
std::vector<BYTE> RampBgra(int width, int height);

// The bitmap's pixels in its own format, top-down, meaningful bytes only.
std::vector<BYTE> LockedBytes(Gdiplus::Bitmap& bitmap, Gdiplus::PixelFormat format, int bytesPerPixel);

struct DecodedImage {
    bool ok = false;
    int width = 0;
    int height = 0;
    float dpiX = 0;
    float dpiY = 0;
    GUID format{};
    std::vector<std::uint32_t> argb;  // top-down
};
// Decodes a file with GDI+ into 32-bit ARGB.
DecodedImage DecodeFile(const std::wstring& path);

// BGRA bytes to ARGB words; 3-byte input is opaque, 1-byte input is gray.
std::vector<std::uint32_t> ToArgb(const std::vector<BYTE>& pixels, int bytesPerPixel);

// Largest difference of any channel between two pictures of equal size (alpha included).
int MaxChannelDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);
// Root mean square difference over the colour channels.
double RmsDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// The first bytes of a file, to tell formats apart without a decoder.
std::string FileSignature(const std::wstring& path, size_t length);

bool FileExists(const std::wstring& path);

}  // namespace pictrove::test
