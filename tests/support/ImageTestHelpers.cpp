// Synthetic pictures and read-back helpers for the extraction tests.
#include "tests/support/ImageTestHelpers.h"

#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "tests/support/TestSupport.h"

namespace pictrove::test {

std::vector<BYTE> PatternBgra(int width, int height, bool withAlpha) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<BYTE>(x * 37 + y * 11));
            pixels.push_back(static_cast<BYTE>(x * 5 + y * 53 + 7));
            pixels.push_back(static_cast<BYTE>(x * 91 + y * 3 + 100));
            pixels.push_back(withAlpha ? static_cast<BYTE>((x + y) % 3 == 0 ? 0 : 255) : BYTE{255});
        }
    }
    return pixels;
}

std::vector<BYTE> PatternBgr(int width, int height) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<BYTE>(x * 29 + y * 7 + 1));
            pixels.push_back(static_cast<BYTE>(x * 13 + y * 61));
            pixels.push_back(static_cast<BYTE>(x * 3 + y * 17 + 200));
        }
    }
    return pixels;
}

std::vector<BYTE> PatternGray(int width, int height) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels.push_back(static_cast<BYTE>(x * 23 + y * 41));
    }
    return pixels;
}

std::vector<BYTE> SmoothBgr(int width, int height, int seed) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<BYTE>(20 + seed * 13 + x * 3));
            pixels.push_back(static_cast<BYTE>(200 - seed * 7 - y * 3));
            pixels.push_back(static_cast<BYTE>(60 + seed * 5 + x + y * 2));
        }
    }
    return pixels;
}

std::vector<BYTE> RampBgra(int width, int height) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<BYTE>(255 * x / std::max(1, width - 1)));
            pixels.push_back(static_cast<BYTE>(255 * y / std::max(1, height - 1)));
            pixels.push_back(static_cast<BYTE>(255 - 255 * (x + y) / std::max(1, width + height - 2)));
            pixels.push_back(255);
        }
    }
    return pixels;
}

std::vector<BYTE> LockedBytes(Gdiplus::Bitmap& bitmap, Gdiplus::PixelFormat format, int bytesPerPixel) {
    const int width = static_cast<int>(bitmap.GetWidth());
    const int height = static_cast<int>(bitmap.GetHeight());
    std::vector<BYTE> bytes;
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, format, &data) != Gdiplus::Ok) return bytes;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        bytes.insert(bytes.end(), row, row + static_cast<size_t>(width) * bytesPerPixel);
    }
    bitmap.UnlockBits(&data);
    return bytes;
}

DecodedImage DecodeFile(const std::wstring& path) {
    DecodedImage image;
    // Decode from a copy in memory so the file is not held open by GDI+ afterwards.
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    if (bytes.empty()) return image;
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) return image;
    {
        std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream));
        if (bitmap && bitmap->GetLastStatus() == Gdiplus::Ok) {
            image.width = static_cast<int>(bitmap->GetWidth());
            image.height = static_cast<int>(bitmap->GetHeight());
            image.dpiX = bitmap->GetHorizontalResolution();
            image.dpiY = bitmap->GetVerticalResolution();
            bitmap->GetRawFormat(&image.format);
            const std::vector<BYTE> raw = LockedBytes(*bitmap, PixelFormat32bppARGB, 4);
            image.argb = ToArgb(raw, 4);
            image.ok = image.argb.size() == static_cast<size_t>(image.width) * image.height;
        }
    }
    stream->Release();
    return image;
}

std::vector<std::uint32_t> ToArgb(const std::vector<BYTE>& pixels, int bytesPerPixel) {
    std::vector<std::uint32_t> argb;
    for (size_t i = 0; i + bytesPerPixel <= pixels.size(); i += static_cast<size_t>(bytesPerPixel)) {
        if (bytesPerPixel == 1) {
            argb.push_back(0xFF000000u | pixels[i] * 0x010101u);
        } else {
            const std::uint32_t alpha = bytesPerPixel == 4 ? pixels[i + 3] : 255u;
            argb.push_back((alpha << 24) | (static_cast<std::uint32_t>(pixels[i + 2]) << 16) |
                           (static_cast<std::uint32_t>(pixels[i + 1]) << 8) | pixels[i]);
        }
    }
    return argb;
}

int MaxChannelDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) return 256;
    int most = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int d = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
            most = std::max(most, d);
        }
    }
    return most;
}

double RmsDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const double d = static_cast<double>((a[i] >> shift) & 0xFF) - static_cast<double>((b[i] >> shift) & 0xFF);
            sum += d * d;
        }
    }
    return std::sqrt(sum / (3.0 * static_cast<double>(a.size())));
}

std::string FileSignature(const std::wstring& path, size_t length) {
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(std::min(length, bytes.size())));
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace pictrove::test
