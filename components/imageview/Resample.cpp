// Area-averaging and nearest-pixel scaling, and the halving pyramid.
#include "components/imageview/Resample.h"

#include <cmath>

namespace pictrove::imageview {

namespace {

// Source pixels and weights that make up each target pixel along one axis.
struct AxisTaps {
    std::vector<int> first;   // per target pixel: first source index
    std::vector<int> count;   // per target pixel: number of source pixels
    std::vector<int> offset;  // per target pixel: start in weights
    std::vector<float> weights;
};

AxisTaps MakeTaps(int sourceSize, int targetSize, int from, int to) {
    AxisTaps taps;
    const int n = to - from;
    taps.first.resize(n);
    taps.count.resize(n);
    taps.offset.resize(n);
    if (targetSize > sourceSize) {
        // Enlarging: the source pixel under the target pixel's centre.
        taps.weights.assign(n, 1.0f);
        for (int i = 0; i < n; ++i) {
            const int t = from + i;
            const int s = static_cast<int>((static_cast<int64_t>(2 * t + 1) * sourceSize) / (2 * int64_t{targetSize}));
            taps.first[i] = std::min(s, sourceSize - 1);
            taps.count[i] = 1;
            taps.offset[i] = i;
        }
        return taps;
    }
    const double ratio = static_cast<double>(sourceSize) / targetSize;
    for (int i = 0; i < n; ++i) {
        const int t = from + i;
        const double a = static_cast<double>(t) * sourceSize / targetSize;
        const double b = static_cast<double>(t + 1) * sourceSize / targetSize;
        const int s0 = static_cast<int>(std::floor(a));
        const int s1 = std::min(sourceSize, static_cast<int>(std::ceil(b)));
        taps.first[i] = s0;
        taps.offset[i] = static_cast<int>(taps.weights.size());
        int used = 0;
        for (int s = s0; s < s1; ++s) {
            const double covered = std::min(b, s + 1.0) - std::max(a, static_cast<double>(s));
            if (covered <= 0) continue;
            taps.weights.push_back(static_cast<float>(covered / ratio));
            ++used;
        }
        taps.count[i] = used;
    }
    return taps;
}

inline uint32_t ToChannel(float value) {
    const int v = static_cast<int>(value + 0.5f);
    return static_cast<uint32_t>(std::clamp(v, 0, 255));
}

}  // namespace

void ScaleRegion(const DisplayImage& source,
                 int targetWidth,
                 int targetHeight,
                 const PixelRect& region,
                 std::vector<uint32_t>& out) {
    out.clear();
    if (source.Empty() || targetWidth <= 0 || targetHeight <= 0) return;
    const PixelRect area = region.Intersect({0, 0, targetWidth, targetHeight});
    if (area.Empty()) return;
    const int outWidth = area.Width();
    out.resize(static_cast<size_t>(outWidth) * area.Height());

    // Same size: a plain copy of the region.
    if (targetWidth == source.width && targetHeight == source.height) {
        for (int y = area.top; y < area.bottom; ++y) {
            const uint32_t* from = source.Row(y) + area.left;
            std::copy(from, from + outWidth, out.data() + static_cast<size_t>(y - area.top) * outWidth);
        }
        return;
    }

    const AxisTaps columns = MakeTaps(source.width, targetWidth, area.left, area.right);
    const AxisTaps rows = MakeTaps(source.height, targetHeight, area.top, area.bottom);
    std::vector<float> accumulator(static_cast<size_t>(outWidth) * 4);
    std::vector<float> line(static_cast<size_t>(outWidth) * 4);

    for (int y = 0; y < area.Height(); ++y) {
        std::fill(accumulator.begin(), accumulator.end(), 0.0f);
        for (int k = 0; k < rows.count[y]; ++k) {
            const uint32_t* sourceRow = source.Row(rows.first[y] + k);
            const float rowWeight = rows.weights[rows.offset[y] + k];
            // Horizontal pass of this source row into the target columns.
            for (int x = 0; x < outWidth; ++x) {
                const uint32_t* p = sourceRow + columns.first[x];
                const float* w = columns.weights.data() + columns.offset[x];
                float b = 0, g = 0, r = 0, a = 0;
                for (int i = 0; i < columns.count[x]; ++i) {
                    const uint32_t px = p[i];
                    b += w[i] * static_cast<float>(px & 0xFF);
                    g += w[i] * static_cast<float>((px >> 8) & 0xFF);
                    r += w[i] * static_cast<float>((px >> 16) & 0xFF);
                    a += w[i] * static_cast<float>(px >> 24);
                }
                float* acc = accumulator.data() + 4 * x;
                acc[0] += rowWeight * b;
                acc[1] += rowWeight * g;
                acc[2] += rowWeight * r;
                acc[3] += rowWeight * a;
            }
        }
        uint32_t* target = out.data() + static_cast<size_t>(y) * outWidth;
        for (int x = 0; x < outWidth; ++x) {
            const float* acc = accumulator.data() + 4 * x;
            const uint32_t a = ToChannel(acc[3]);
            // Averages of premultiplied pixels stay premultiplied; rounding must not lift a
            // channel above its alpha.
            target[x] = MakePixel(a, std::min(a, ToChannel(acc[2])), std::min(a, ToChannel(acc[1])),
                                  std::min(a, ToChannel(acc[0])));
        }
    }
}

DisplayImage HalveImage(const DisplayImage& source) {
    DisplayImage half;
    if (source.Empty()) return half;
    half.width = std::max(1, source.width / 2);
    half.height = std::max(1, source.height / 2);
    half.hasAlpha = source.hasAlpha;
    half.pixels.resize(static_cast<size_t>(half.width) * half.height);
    // A single row or column is paired with itself.
    const int dx = source.width > 1 ? 1 : 0;
    const int dy = source.height > 1 ? 1 : 0;
    for (int y = 0; y < half.height; ++y) {
        const uint32_t* top = source.Row(dy ? 2 * y : y);
        const uint32_t* bottom = top + static_cast<size_t>(dy) * source.width;
        uint32_t* target = half.Row(y);
        for (int x = 0; x < half.width; ++x) {
            const int sx = dx ? 2 * x : x;
            const uint32_t p0 = top[sx], p1 = top[sx + dx], p2 = bottom[sx], p3 = bottom[sx + dx];
            // Two channels at a time, each in its own 16-bit lane.
            const uint32_t even =
                (p0 & 0x00FF00FF) + (p1 & 0x00FF00FF) + (p2 & 0x00FF00FF) + (p3 & 0x00FF00FF) + 0x00020002;
            const uint32_t odd = ((p0 >> 8) & 0x00FF00FF) + ((p1 >> 8) & 0x00FF00FF) + ((p2 >> 8) & 0x00FF00FF) +
                                 ((p3 >> 8) & 0x00FF00FF) + 0x00020002;
            target[x] = ((even >> 2) & 0x00FF00FF) | (((odd >> 2) & 0x00FF00FF) << 8);
        }
    }
    return half;
}

void ImagePyramid::Build(DisplayImage full) {
    levels_.clear();
    if (full.Empty()) return;
    levels_.push_back(std::move(full));
    // Stop once a level is small; below that, shrinking straight from it is cheap anyway.
    constexpr int64_t kSmallestLevelPixels = 256 * 256;
    while (true) {
        const DisplayImage& last = levels_.back();
        if (last.width < 2 || last.height < 2) break;
        if (static_cast<int64_t>(last.width) * last.height <= kSmallestLevelPixels) break;
        DisplayImage next = HalveImage(last);
        levels_.push_back(std::move(next));
    }
}

const DisplayImage& ImagePyramid::SourceFor(int targetWidth, int targetHeight) const {
    for (size_t i = levels_.size(); i-- > 1;) {
        if (levels_[i].width >= targetWidth && levels_[i].height >= targetHeight) return levels_[i];
    }
    return levels_.front();
}

}  // namespace pictrove::imageview
