// Fit, zoom and scroll arithmetic of the image view.
#include "components/imageview/ViewGeometry.h"

#include <cmath>

namespace pictrove::imageview {

namespace {

// Slack for scales computed by division, so a side that should fill the view is not a pixel short.
constexpr double kScaleSlack = 1e-9;

}  // namespace

int ScaledExtent(int size, double scale) {
    if (size <= 0) return 0;
    const double extent = std::floor(size * scale * (1 + kScaleSlack));
    return static_cast<int>(std::clamp(extent, 1.0, 2147483647.0));
}

double FitScale(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return 1.0;
    const double sx = static_cast<double>(std::max(areaWidth, 1)) / imageWidth;
    const double sy = static_cast<double>(std::max(areaHeight, 1)) / imageHeight;
    return std::min({1.0, sx, sy});
}

ScrollBars LayoutScrollBars(int areaWidth,
                            int areaHeight,
                            int scaledWidth,
                            int scaledHeight,
                            int barWidth,
                            int barHeight) {
    ScrollBars bars;
    bars.horizontal = scaledWidth > areaWidth;
    bars.vertical = scaledHeight > areaHeight;
    if (bars.horizontal && !bars.vertical) bars.vertical = scaledHeight > areaHeight - barHeight;
    if (bars.vertical && !bars.horizontal) bars.horizontal = scaledWidth > areaWidth - barWidth;
    bars.viewWidth = std::max(0, areaWidth - (bars.vertical ? barWidth : 0));
    bars.viewHeight = std::max(0, areaHeight - (bars.horizontal ? barHeight : 0));
    return bars;
}

void ViewGeometry::SetImageSize(int width, int height) {
    imageWidth_ = std::max(0, width);
    imageHeight_ = std::max(0, height);
    fitted_ = true;
    scrollX_ = scrollY_ = 0;
    Relayout();
}

void ViewGeometry::SetArea(int width, int height, int barWidth, int barHeight) {
    areaWidth_ = std::max(0, width);
    areaHeight_ = std::max(0, height);
    barWidth_ = std::max(0, barWidth);
    barHeight_ = std::max(0, barHeight);
    Relayout();
}

double ViewGeometry::FitScale() const {
    return imageview::FitScale(imageWidth_, imageHeight_, areaWidth_, areaHeight_);
}

int ViewGeometry::MaxScrollX() const {
    return std::max(0, scaledWidth_ - bars_.viewWidth);
}

int ViewGeometry::MaxScrollY() const {
    return std::max(0, scaledHeight_ - bars_.viewHeight);
}

PixelRect ViewGeometry::ImageRect() const {
    if (!HasImage()) return {};
    const int left = scaledWidth_ <= bars_.viewWidth ? (bars_.viewWidth - scaledWidth_) / 2 : -scrollX_;
    const int top = scaledHeight_ <= bars_.viewHeight ? (bars_.viewHeight - scaledHeight_) / 2 : -scrollY_;
    return {left, top, left + scaledWidth_, top + scaledHeight_};
}

PixelRect ViewGeometry::VisiblePart() const {
    const PixelRect image = ImageRect();
    const PixelRect view{0, 0, bars_.viewWidth, bars_.viewHeight};
    PixelRect shown = image.Intersect(view);
    if (shown.Empty()) return {};
    return {shown.left - image.left, shown.top - image.top, shown.right - image.left, shown.bottom - image.top};
}

void ViewGeometry::Relayout() {
    if (!HasImage()) {
        scale_ = 1.0;
        scaledWidth_ = scaledHeight_ = 0;
        bars_ = ScrollBars{false, false, areaWidth_, areaHeight_};
        scrollX_ = scrollY_ = 0;
        return;
    }
    if (fitted_) scale_ = FitScale();
    scaledWidth_ = ScaledExtent(imageWidth_, scale_);
    scaledHeight_ = ScaledExtent(imageHeight_, scale_);
    bars_ = LayoutScrollBars(areaWidth_, areaHeight_, scaledWidth_, scaledHeight_, barWidth_, barHeight_);
    scrollX_ = std::clamp(scrollX_, 0, MaxScrollX());
    scrollY_ = std::clamp(scrollY_, 0, MaxScrollY());
}

bool ViewGeometry::Fit() {
    if (!HasImage()) return false;
    const bool changed = !fitted_;
    fitted_ = true;
    scrollX_ = scrollY_ = 0;
    Relayout();
    return changed;
}

bool ViewGeometry::ZoomTo(double scale, double anchorX, double anchorY) {
    if (!HasImage() || !(scale > 0)) return false;
    scale = std::clamp(scale, std::min(FitScale(), scale_), kMaxZoom);
    const PixelRect before = ImageRect();
    // The picture point (in picture pixels) under the anchor.
    const double pointX = (anchorX - before.left) / scaledWidth_ * imageWidth_;
    const double pointY = (anchorY - before.top) / scaledHeight_ * imageHeight_;
    const double oldScale = scale_;
    const int oldX = scrollX_, oldY = scrollY_;
    const bool wasFitted = fitted_;
    fitted_ = false;
    scale_ = scale;
    Relayout();
    const double newX = pointX * scaledWidth_ / imageWidth_ - anchorX;
    const double newY = pointY * scaledHeight_ / imageHeight_ - anchorY;
    scrollX_ = std::clamp(static_cast<int>(std::lround(newX)), 0, MaxScrollX());
    scrollY_ = std::clamp(static_cast<int>(std::lround(newY)), 0, MaxScrollY());
    return wasFitted || scale_ != oldScale || scrollX_ != oldX || scrollY_ != oldY;
}

bool ViewGeometry::ZoomIn(double anchorX, double anchorY) {
    if (!HasImage() || scale_ >= kMaxZoom) return false;
    double next = scale_ * kZoomStep;
    // Every way up passes through 100 %.
    if (scale_ < 1.0 - kScaleSlack && next > 1.0) next = 1.0;
    return ZoomTo(std::min(next, kMaxZoom), anchorX, anchorY);
}

bool ViewGeometry::ZoomOut(double anchorX, double anchorY) {
    if (!HasImage()) return false;
    double next = scale_ / kZoomStep;
    if (scale_ > 1.0 + kScaleSlack && next < 1.0) next = 1.0;
    if (next <= FitScale() * (1 + kScaleSlack)) return Fit();
    return ZoomTo(next, anchorX, anchorY);
}

bool ViewGeometry::ScrollTo(int x, int y) {
    const int newX = std::clamp(x, 0, MaxScrollX());
    const int newY = std::clamp(y, 0, MaxScrollY());
    const bool changed = newX != scrollX_ || newY != scrollY_;
    scrollX_ = newX;
    scrollY_ = newY;
    return changed;
}

}  // namespace pictrove::imageview
