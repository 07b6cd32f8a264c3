// Where the picture sits in the view: the fitted scale, zoom around a point, scrolling, and
// which scroll bars the view needs. Pure arithmetic on sizes, so it is tested without windows.
#pragma once

#include "components/imageview/DisplayImage.h"

namespace pictrove::imageview {

inline constexpr double kZoomStep = 1.25;
inline constexpr double kMaxZoom = 32.0;

// Pixels of an image side at a scale: never 0, and a side that fills the view exactly stays exact.
int ScaledExtent(int size, double scale);

// Largest scale at which the image fits the area, never above 1 (small pictures stay at 100 %).
double FitScale(int imageWidth, int imageHeight, int areaWidth, int areaHeight);

struct ScrollBars {
    bool horizontal = false;
    bool vertical = false;
    int viewWidth = 0;  // what is left of the area for the picture
    int viewHeight = 0;
};

// Which bars a scaled picture needs in an area, given the bars' thickness. A bar for one axis
// takes room from the other, which may then need its bar too.
ScrollBars LayoutScrollBars(int areaWidth,
                            int areaHeight,
                            int scaledWidth,
                            int scaledHeight,
                            int barWidth,
                            int barHeight);

class ViewGeometry {
  public:
    // A new picture (0 × 0 for none): back to the fitted view.
    void SetImageSize(int width, int height);
    // The control's whole area (scroll bars included) and the system's bar thickness.
    void SetArea(int width, int height, int barWidth, int barHeight);

    bool HasImage() const { return imageWidth_ > 0 && imageHeight_ > 0; }
    bool Fitted() const { return fitted_; }
    double Scale() const { return scale_; }
    double FitScale() const;
    int ScaledWidth() const { return scaledWidth_; }
    int ScaledHeight() const { return scaledHeight_; }
    const ScrollBars& Bars() const { return bars_; }
    int ViewWidth() const { return bars_.viewWidth; }
    int ViewHeight() const { return bars_.viewHeight; }
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }
    int MaxScrollX() const;
    int MaxScrollY() const;
    // The scaled picture in view coordinates: centred on an axis where it is smaller than the
    // view, shifted by the scroll position where it is larger.
    PixelRect ImageRect() const;
    // The part of the scaled picture the view shows, in scaled-picture coordinates.
    PixelRect VisiblePart() const;

    // Back to the fitted view. Returns whether anything changed.
    bool Fit();
    // Zooms so that the picture point under (anchorX, anchorY) of the view stays there.
    bool ZoomTo(double scale, double anchorX, double anchorY);
    bool ZoomIn(double anchorX, double anchorY);
    bool ZoomOut(double anchorX, double anchorY);
    bool ScrollTo(int x, int y);
    bool ScrollBy(int dx, int dy) { return ScrollTo(scrollX_ + dx, scrollY_ + dy); }

  private:
    void Relayout();

    int imageWidth_ = 0;
    int imageHeight_ = 0;
    int areaWidth_ = 0;
    int areaHeight_ = 0;
    int barWidth_ = 0;
    int barHeight_ = 0;
    bool fitted_ = true;
    double scale_ = 1.0;
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
    ScrollBars bars_;
    int scrollX_ = 0;
    int scrollY_ = 0;
};

}  // namespace pictrove::imageview
