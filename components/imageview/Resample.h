// Scaling of display rasters: area averaging when shrinking (every source pixel counts, by the
// share of it that a target pixel covers), nearest pixel when enlarging so zoomed-in pixels stay
// sharp, and a pyramid of halved copies so a fitted view of a huge picture reads few pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "components/imageview/DisplayImage.h"

namespace pictrove::imageview {

// Computes the part `region` of source scaled to targetWidth × targetHeight. out receives
// region.Width() × region.Height() pixels, row by row. Each axis shrinks or grows on its own.
void ScaleRegion(const DisplayImage& source,
                 int targetWidth,
                 int targetHeight,
                 const PixelRect& region,
                 std::vector<uint32_t>& out);

// Each pixel the rounded mean of a 2 × 2 block; an odd last row or column is left out.
DisplayImage HalveImage(const DisplayImage& source);

// The full picture and its halved copies down to a small size.
class ImagePyramid {
  public:
    void Build(DisplayImage full);
    void Clear() { levels_.clear(); }
    bool Empty() const { return levels_.empty(); }
    const DisplayImage& Full() const { return levels_.front(); }
    size_t LevelCount() const { return levels_.size(); }
    const DisplayImage& Level(size_t index) const { return levels_[index]; }
    // The smallest level still at least as large as the target on both axes (the full picture
    // when enlarging), so shrinking from it averages at most about two pixels per axis.
    const DisplayImage& SourceFor(int targetWidth, int targetHeight) const;

  private:
    std::vector<DisplayImage> levels_;
};

}  // namespace pictrove::imageview
