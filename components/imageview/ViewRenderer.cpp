// Composition of the view from the cached scaled pixels.
#include "components/imageview/ViewRenderer.h"

namespace pictrove::imageview {

namespace {

// Scaled pictures up to this many pixels are cached whole; larger ones around the view only.
constexpr int64_t kWholeCachePixels = 4 * 1024 * 1024;

// A premultiplied pixel over an opaque colour.
inline uint32_t Over(uint32_t pixel, uint32_t under) {
    const uint32_t a = PixelA(pixel);
    if (a == 255) return pixel & 0xFFFFFF;
    const uint32_t rest = 255 - a;
    auto blend = [rest](uint32_t top, uint32_t bottom) {
        const uint32_t t = bottom * rest + 128;
        return top + ((t + (t >> 8)) >> 8);
    };
    return (blend(PixelR(pixel), PixelR(under)) << 16) | (blend(PixelG(pixel), PixelG(under)) << 8) |
           blend(PixelB(pixel), PixelB(under));
}

}  // namespace

void ViewRenderer::SetImage(DisplayImage image) {
    Clear();
    hasAlpha_ = image.hasAlpha;
    pyramid_.Build(std::move(image));
}

void ViewRenderer::Clear() {
    pyramid_.Clear();
    hasAlpha_ = false;
    scaledWidth_ = scaledHeight_ = 0;
    region_ = {};
    std::vector<uint32_t>().swap(scaled_);
}

void ViewRenderer::EnsureScaled(const ViewGeometry& geometry) {
    const PixelRect needed = geometry.VisiblePart();
    if (needed.Empty()) return;
    const int sw = geometry.ScaledWidth();
    const int sh = geometry.ScaledHeight();
    if (sw == scaledWidth_ && sh == scaledHeight_ && region_.Contains(needed)) return;

    PixelRect region{0, 0, sw, sh};
    if (static_cast<int64_t>(sw) * sh > kWholeCachePixels) {
        // Half a view of margin on every side, so small scroll steps reuse the cache.
        const int mx = std::max(needed.Width() / 2, 64);
        const int my = std::max(needed.Height() / 2, 64);
        region = PixelRect{needed.left - mx, needed.top - my, needed.right + mx, needed.bottom + my}.Intersect(region);
    }
    const DisplayImage& source = pyramid_.SourceFor(sw, sh);
    ScaleRegion(source, sw, sh, region, scaled_);
    scaledWidth_ = sw;
    scaledHeight_ = sh;
    region_ = region;
    ++scaleCount_;
}

void ViewRenderer::Render(const ViewGeometry& geometry,
                          uint32_t background,
                          uint32_t* target,
                          int width,
                          int height,
                          int stride) {
    if (!target || width <= 0 || height <= 0) return;
    background &= 0xFFFFFF;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = target + static_cast<size_t>(y) * stride;
        std::fill(row, row + width, background);
    }
    if (!HasImage() || !geometry.HasImage()) return;

    EnsureScaled(geometry);
    const PixelRect image = geometry.ImageRect();
    const PixelRect view{0, 0, std::min(width, geometry.ViewWidth()), std::min(height, geometry.ViewHeight())};
    const PixelRect shown = image.Intersect(view);
    if (shown.Empty() || scaled_.empty()) return;
    const int cacheWidth = region_.Width();
    for (int y = shown.top; y < shown.bottom; ++y) {
        const int py = y - image.top;  // row in the scaled picture
        const uint32_t* from = scaled_.data() + static_cast<size_t>(py - region_.top) * cacheWidth;
        const int skip = image.left + region_.left;  // view column of the cache's first pixel
        uint32_t* to = target + static_cast<size_t>(y) * stride;
        if (!hasAlpha_) {
            for (int x = shown.left; x < shown.right; ++x) to[x] = from[x - skip] & 0xFFFFFF;
        } else {
            for (int x = shown.left; x < shown.right; ++x)
                to[x] = Over(from[x - skip], CheckerAt(x - image.left, py, checkerCell_));
        }
    }
}

}  // namespace pictrove::imageview
