// GDI+ images loaded from bytes in memory and copied out as decoded images; shared by the
// common image files and the payload decoder that every other reader uses.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "model/DecodedImage.h"

namespace pictrove::readers {

// A GDI+ image loaded from bytes; GDI+ reads the stream lazily, so the stream lives as long,
// and the bytes must outlive the loaded image.
class LoadedImage {
  public:
    explicit LoadedImage(std::span<const std::uint8_t> bytes);
    ~LoadedImage();
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    Gdiplus::GpImage* Get() const { return image_; }
    explicit operator bool() const { return image_ != nullptr; }
    // The size a header declares for a picture over the pixel limit, which is then not handed
    // to the decoder at all (some decode the whole picture as they load it).
    std::optional<std::pair<int, int>> Oversized() const { return oversized_; }

    // The current frame's size, when it is an acceptable one; a metafile's physical size at
    // 96 dpi when its header gives one.
    bool Size(int& width, int& height) const;

  private:
    std::optional<std::pair<int, int>> metafileSize_;
    std::optional<std::pair<int, int>> oversized_;
    IStream* stream_ = nullptr;
    Gdiplus::GpImage* image_ = nullptr;
};

// The current frame's pixels in the narrowest type that keeps them all; metafiles are drawn on
// white at the size Size gives.
std::optional<DecodedImage> CopyImage(const LoadedImage& image);

}  // namespace pictrove::readers
