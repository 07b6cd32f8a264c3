// Loading images from memory through GDI+ and copying their pixels out.
#include "GdiplusImage.h"

#include "SpanStream.h"

#include "pictures/ImageHeader.h"

namespace pictrove::readers {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

class GraphicsOf {
  public:
    explicit GraphicsOf(GpImage* image) { GdipGetImageGraphicsContext(image, &graphics_); }
    ~GraphicsOf() {
        if (graphics_ != nullptr) GdipDeleteGraphics(graphics_);
    }
    GraphicsOf(const GraphicsOf&) = delete;
    GraphicsOf& operator=(const GraphicsOf&) = delete;
    GpGraphics* Get() const { return graphics_; }

  private:
    GpGraphics* graphics_ = nullptr;
};

std::optional<DecodedImage> CopyBitmap(GpBitmap* bitmap, int width, int height) {
    GpRect rect{0, 0, width, height};
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) return std::nullopt;
    const auto* bgra = static_cast<const std::uint8_t*>(data.Scan0);
    auto image = ImageFromBgra(bgra, data.Stride, width, height, NarrowestType(bgra, data.Stride, width, height));
    GdipBitmapUnlockBits(bitmap, &data);
    return image;
}

std::optional<DecodedImage> RenderMetafile(GpImage* metafile, int width, int height) {
    GpBitmap* canvas = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &canvas) != Ok) return std::nullopt;
    bool drawn = false;
    {
        GraphicsOf graphics(canvas);
        drawn = graphics.Get() != nullptr && GdipGraphicsClear(graphics.Get(), 0xFFFFFFFF) == Ok &&
                GdipDrawImageRectI(graphics.Get(), metafile, 0, 0, width, height) == Ok;
    }
    auto image = drawn ? CopyBitmap(canvas, width, height) : std::nullopt;
    GdipDisposeImage(canvas);
    return image;
}

}  // namespace

LoadedImage::LoadedImage(std::span<const std::uint8_t> bytes) : metafileSize_(MetafileSize(bytes)) {
    if (bytes.empty() || bytes.size() > MAXUINT) return;
    if (const auto info = ReadImageHeader(bytes);
        info && !WithinPixelLimit(std::uint64_t(info->width), std::uint64_t(info->height))) {
        oversized_ = std::pair{info->width, info->height};
        return;
    }
    // GDI+ reads the bytes where they lie: a page of a large mapped TIFF costs that page, not a
    // copy of the file. The stream is released by hand: MinGW's ComPtr::Attach adds a
    // reference, MSVC's does not.
    stream_ = CreateSpanStream(bytes);
    if (stream_ != nullptr && GdipLoadImageFromStream(stream_, &image_) != Ok) image_ = nullptr;
}

LoadedImage::~LoadedImage() {
    if (image_ != nullptr) GdipDisposeImage(image_);
    if (stream_ != nullptr) stream_->Release();
}

bool LoadedImage::Size(int& width, int& height) const {
    UINT w = 0;
    UINT h = 0;
    ImageType kind = ImageTypeUnknown;
    if (image_ == nullptr || GdipGetImageType(image_, &kind) != Ok) return false;
    if (kind == ImageTypeMetafile && metafileSize_) {
        // The decoder's own idea of a metafile's size follows the device it was recorded on
        // (or, for a Windows metafile, takes its logical units as pixels).
        width = metafileSize_->first;
        height = metafileSize_->second;
        return true;
    }
    if (GdipGetImageWidth(image_, &w) != Ok || GdipGetImageHeight(image_, &h) != Ok) return false;
    if (w > UINT(kMaxImageSide) || h > UINT(kMaxImageSide)) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return IsListableSize(width, height);
}

std::optional<DecodedImage> CopyImage(const LoadedImage& loaded) {
    int width = 0;
    int height = 0;
    // Checked before the decoder unpacks anything: it would hold the whole picture itself.
    if (!loaded || !loaded.Size(width, height) || !IsAcceptableSize(width, height)) return std::nullopt;
    GpImage* image = loaded.Get();
    ImageType kind = ImageTypeUnknown;
    GdipGetImageType(image, &kind);
    if (kind == ImageTypeMetafile) return RenderMetafile(image, width, height);
    if (kind != ImageTypeBitmap) return std::nullopt;
    return CopyBitmap(static_cast<GpBitmap*>(image), width, height);
}

}  // namespace pictrove::readers
