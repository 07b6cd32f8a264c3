// Draws the view into a 32-bit buffer: the window colour around the picture, a light
// checkerboard under pictures with alpha, and the picture at the view's scale. The scaled
// pixels are cached and only recomputed when the scale changes or scrolling leaves the cache.
#pragma once

#include <cstdint>
#include <vector>

#include "components/imageview/DisplayImage.h"
#include "components/imageview/Resample.h"
#include "components/imageview/ViewGeometry.h"

namespace pictrove::imageview {

inline constexpr uint32_t kCheckerLight = 0xFFFFFF;
inline constexpr uint32_t kCheckerDark = 0xCCCCCC;
// The side of a checkerboard cell at 96 dpi.
inline constexpr int kCheckerCell = 8;

// Checkerboard colour at a picture-relative position (0xRRGGBB), for cells of side cell.
inline uint32_t CheckerAt(int x, int y, int cell = kCheckerCell) {
    const bool odd = (((x >= 0 ? x : x - cell + 1) / cell) + ((y >= 0 ? y : y - cell + 1) / cell)) & 1;
    return odd ? kCheckerDark : kCheckerLight;
}

class ViewRenderer {
  public:
    // Takes the converted picture; builds its pyramid once.
    void SetImage(DisplayImage image);
    // Drops the picture and every cached pixel.
    void Clear();
    bool HasImage() const { return !pyramid_.Empty(); }
    const DisplayImage* Full() const { return pyramid_.Empty() ? nullptr : &pyramid_.Full(); }

    // Fills target (width × height pixels, rows `stride` pixels apart, top-down) with the view.
    // background is 0xRRGGBB. The image size in the geometry must be that of the picture.
    void Render(const ViewGeometry& geometry, uint32_t background, uint32_t* target, int width, int height, int stride);

    // The side of the checkerboard's cells in screen pixels, so it looks the same at any dpi.
    void SetCheckerCell(int cell) { checkerCell_ = cell > 0 ? cell : kCheckerCell; }
    int CheckerCell() const { return checkerCell_; }

    // How often scaled pixels were computed: the cache at work is what keeps repaints cheap.
    int ScaleCount() const { return scaleCount_; }

  private:
    void EnsureScaled(const ViewGeometry& geometry);

    ImagePyramid pyramid_;
    bool hasAlpha_ = false;
    // Scaled pixels of `region` of the picture scaled to scaledWidth_ × scaledHeight_.
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
    PixelRect region_;
    std::vector<uint32_t> scaled_;
    int scaleCount_ = 0;
    int checkerCell_ = kCheckerCell;
};

}  // namespace pictrove::imageview
