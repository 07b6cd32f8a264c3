// Colour reduction for GIF output. Wu's method cuts the RGB cube into boxes along the plane that
// removes the most variance, guided by cumulative moments over a 32-level-per-channel histogram;
// each box's mean becomes a palette colour. Pixels then take their nearest palette colour.
#include "engine/writers/GifQuantizer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>

namespace pictrove {

namespace {

constexpr int kSide = 33;  // 32 histogram levels per channel plus a zero plane for the sums
constexpr int kCells = kSide * kSide * kSide;

constexpr int Cell(int r, int g, int b) {
    return (r * kSide + g) * kSide + b;
}

struct Pixel {
    std::uint8_t r, g, b, a;
};

Pixel ReadPixel(const PixelRows& rows, int x, int y) {
    const std::uint8_t* p =
        rows.bits + static_cast<std::ptrdiff_t>(y) * rows.stride + static_cast<std::ptrdiff_t>(x) * rows.bytesPerPixel;
    return {p[2], p[1], p[0], rows.bytesPerPixel == 4 ? p[3] : std::uint8_t{255}};
}

std::uint32_t Rgb(const Pixel& p) {
    return (static_cast<std::uint32_t>(p.r) << 16) | (static_cast<std::uint32_t>(p.g) << 8) | p.b;
}

struct Box {
    int r0 = 0, r1 = 0, g0 = 0, g1 = 0, b0 = 0, b1 = 0;
    int volume = 0;
};

enum class Axis { kRed, kGreen, kBlue };

// Cumulative colour moments: after Accumulate(), entry (r, g, b) holds the sums over every
// histogram cell with smaller or equal coordinates, so any box's sum takes eight lookups.
class Moments {
  public:
    Moments() : weight_(kCells), red_(kCells), green_(kCells), blue_(kCells), squares_(kCells) {}

    void Add(const Pixel& p) {
        const int cell = Cell((p.r >> 3) + 1, (p.g >> 3) + 1, (p.b >> 3) + 1);
        weight_[cell] += 1;
        red_[cell] += p.r;
        green_[cell] += p.g;
        blue_[cell] += p.b;
        squares_[cell] += static_cast<double>(p.r * p.r + p.g * p.g + p.b * p.b);
    }

    void Accumulate() {
        for (int r = 1; r < kSide; ++r) {
            std::array<std::int64_t, kSide> areaW{}, areaR{}, areaG{}, areaB{};
            std::array<double, kSide> areaS{};
            for (int g = 1; g < kSide; ++g) {
                std::int64_t lineW = 0, lineR = 0, lineG = 0, lineB = 0;
                double lineS = 0;
                for (int b = 1; b < kSide; ++b) {
                    const int cell = Cell(r, g, b);
                    lineW += weight_[cell];
                    lineR += red_[cell];
                    lineG += green_[cell];
                    lineB += blue_[cell];
                    lineS += squares_[cell];
                    areaW[b] += lineW;
                    areaR[b] += lineR;
                    areaG[b] += lineG;
                    areaB[b] += lineB;
                    areaS[b] += lineS;
                    const int below = Cell(r - 1, g, b);
                    weight_[cell] = weight_[below] + areaW[b];
                    red_[cell] = red_[below] + areaR[b];
                    green_[cell] = green_[below] + areaG[b];
                    blue_[cell] = blue_[below] + areaB[b];
                    squares_[cell] = squares_[below] + areaS[b];
                }
            }
        }
    }

    template <class T>
    static T Volume(const Box& c, const std::vector<T>& m) {
        return m[Cell(c.r1, c.g1, c.b1)] - m[Cell(c.r1, c.g1, c.b0)] - m[Cell(c.r1, c.g0, c.b1)] +
               m[Cell(c.r1, c.g0, c.b0)] - m[Cell(c.r0, c.g1, c.b1)] + m[Cell(c.r0, c.g1, c.b0)] +
               m[Cell(c.r0, c.g0, c.b1)] - m[Cell(c.r0, c.g0, c.b0)];
    }

    // The part of a box's sum that does not depend on where along the axis it is cut.
    static std::int64_t Bottom(const Box& c, Axis axis, const std::vector<std::int64_t>& m) {
        switch (axis) {
            case Axis::kRed:
                return -m[Cell(c.r0, c.g1, c.b1)] + m[Cell(c.r0, c.g1, c.b0)] + m[Cell(c.r0, c.g0, c.b1)] -
                       m[Cell(c.r0, c.g0, c.b0)];
            case Axis::kGreen:
                return -m[Cell(c.r1, c.g0, c.b1)] + m[Cell(c.r1, c.g0, c.b0)] + m[Cell(c.r0, c.g0, c.b1)] -
                       m[Cell(c.r0, c.g0, c.b0)];
            case Axis::kBlue:
                return -m[Cell(c.r1, c.g1, c.b0)] + m[Cell(c.r1, c.g0, c.b0)] + m[Cell(c.r0, c.g1, c.b0)] -
                       m[Cell(c.r0, c.g0, c.b0)];
        }
        return 0;
    }

    static std::int64_t Top(const Box& c, Axis axis, int position, const std::vector<std::int64_t>& m) {
        switch (axis) {
            case Axis::kRed:
                return m[Cell(position, c.g1, c.b1)] - m[Cell(position, c.g1, c.b0)] - m[Cell(position, c.g0, c.b1)] +
                       m[Cell(position, c.g0, c.b0)];
            case Axis::kGreen:
                return m[Cell(c.r1, position, c.b1)] - m[Cell(c.r1, position, c.b0)] - m[Cell(c.r0, position, c.b1)] +
                       m[Cell(c.r0, position, c.b0)];
            case Axis::kBlue:
                return m[Cell(c.r1, c.g1, position)] - m[Cell(c.r1, c.g0, position)] - m[Cell(c.r0, c.g1, position)] +
                       m[Cell(c.r0, c.g0, position)];
        }
        return 0;
    }

    // Weighted variance of the colours inside a box.
    double Variance(const Box& c) const {
        const double r = static_cast<double>(Volume(c, red_));
        const double g = static_cast<double>(Volume(c, green_));
        const double b = static_cast<double>(Volume(c, blue_));
        const double w = static_cast<double>(Volume(c, weight_));
        if (w <= 0) return 0;
        return Volume(c, squares_) - (r * r + g * g + b * b) / w;
    }

    // Best cut of a box along one axis: the position that maximises the sum of squared means
    // of the two halves (which minimises their summed variance). cut stays -1 when no
    // position leaves both halves non-empty.
    double Maximize(const Box& c, Axis axis, int first, int last, int& cut) const {
        const std::int64_t baseR = Bottom(c, axis, red_);
        const std::int64_t baseG = Bottom(c, axis, green_);
        const std::int64_t baseB = Bottom(c, axis, blue_);
        const std::int64_t baseW = Bottom(c, axis, weight_);
        const double wholeR = static_cast<double>(Volume(c, red_));
        const double wholeG = static_cast<double>(Volume(c, green_));
        const double wholeB = static_cast<double>(Volume(c, blue_));
        const double wholeW = static_cast<double>(Volume(c, weight_));
        double best = 0;
        cut = -1;
        for (int i = first; i < last; ++i) {
            double halfR = static_cast<double>(baseR + Top(c, axis, i, red_));
            double halfG = static_cast<double>(baseG + Top(c, axis, i, green_));
            double halfB = static_cast<double>(baseB + Top(c, axis, i, blue_));
            double halfW = static_cast<double>(baseW + Top(c, axis, i, weight_));
            if (halfW <= 0) continue;
            double score = (halfR * halfR + halfG * halfG + halfB * halfB) / halfW;
            halfR = wholeR - halfR;
            halfG = wholeG - halfG;
            halfB = wholeB - halfB;
            halfW = wholeW - halfW;
            if (halfW <= 0) continue;
            score += (halfR * halfR + halfG * halfG + halfB * halfB) / halfW;
            if (score > best) {
                best = score;
                cut = i;
            }
        }
        return best;
    }

    // Splits one into one and two; false when the box cannot be cut.
    bool Cut(Box& one, Box& two) const {
        int cutR = -1, cutG = -1, cutB = -1;
        const double maxR = Maximize(one, Axis::kRed, one.r0 + 1, one.r1, cutR);
        const double maxG = Maximize(one, Axis::kGreen, one.g0 + 1, one.g1, cutG);
        const double maxB = Maximize(one, Axis::kBlue, one.b0 + 1, one.b1, cutB);
        Axis axis;
        if (maxR >= maxG && maxR >= maxB) {
            axis = Axis::kRed;
            if (cutR < 0) return false;
        } else if (maxG >= maxR && maxG >= maxB) {
            axis = Axis::kGreen;
        } else {
            axis = Axis::kBlue;
        }
        two.r1 = one.r1;
        two.g1 = one.g1;
        two.b1 = one.b1;
        switch (axis) {
            case Axis::kRed:
                two.r0 = one.r1 = cutR;
                two.g0 = one.g0;
                two.b0 = one.b0;
                break;
            case Axis::kGreen:
                two.g0 = one.g1 = cutG;
                two.r0 = one.r0;
                two.b0 = one.b0;
                break;
            case Axis::kBlue:
                two.b0 = one.b1 = cutB;
                two.r0 = one.r0;
                two.g0 = one.g0;
                break;
        }
        one.volume = (one.r1 - one.r0) * (one.g1 - one.g0) * (one.b1 - one.b0);
        two.volume = (two.r1 - two.r0) * (two.g1 - two.g0) * (two.b1 - two.b0);
        return true;
    }

    // The box's mean colour as 0xFFRRGGBB; false for an empty box.
    bool Mean(const Box& c, std::uint32_t& argb) const {
        const std::int64_t w = Volume(c, weight_);
        if (w <= 0) return false;
        const auto channel = [&](const std::vector<std::int64_t>& m) {
            return static_cast<std::uint32_t>((Volume(c, m) + w / 2) / w);
        };
        argb = 0xFF000000u | (channel(red_) << 16) | (channel(green_) << 8) | channel(blue_);
        return true;
    }

  private:
    std::vector<std::int64_t> weight_, red_, green_, blue_;
    std::vector<double> squares_;
};

int Distance(std::uint32_t argb, int r, int g, int b) {
    const int dr = static_cast<int>((argb >> 16) & 0xFF) - r;
    const int dg = static_cast<int>((argb >> 8) & 0xFF) - g;
    const int db = static_cast<int>(argb & 0xFF) - b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

GifQuantizer::GifQuantizer(const PixelRows& source) : source_(source) {
    if (!source_.bits || source_.width <= 0 || source_.height <= 0) source_.width = source_.height = 0;

    // One pass finds transparency and the distinct opaque colours, up to one more than fits.
    bool transparent = false;
    std::unordered_set<std::uint32_t> distinct;
    bool tooMany = false;
    std::uint32_t previous = 0xFFFFFFFFu;
    for (int y = 0; y < source_.height; ++y) {
        for (int x = 0; x < source_.width; ++x) {
            const Pixel p = ReadPixel(source_, x, y);
            if (p.a == 0) {
                transparent = true;
                continue;
            }
            const std::uint32_t rgb = Rgb(p);
            if (tooMany || rgb == previous) continue;
            previous = rgb;
            distinct.insert(rgb);
            if (distinct.size() > static_cast<size_t>(kMaxColors)) tooMany = true;
        }
    }
    const int room = transparent ? kMaxColors - 1 : kMaxColors;

    if (!tooMany && distinct.size() <= static_cast<size_t>(room)) {
        exact_ = true;
        std::vector<std::uint32_t> colors(distinct.begin(), distinct.end());
        std::sort(colors.begin(), colors.end());
        for (std::uint32_t rgb : colors) {
            exactIndex_[rgb] = static_cast<std::uint8_t>(palette_.size());
            palette_.push_back(0xFF000000u | rgb);
        }
    } else {
        BuildReducedPalette(room);
    }
    opaqueColors_ = static_cast<int>(palette_.size());
    if (transparent) {
        transparentIndex_ = static_cast<int>(palette_.size());
        palette_.push_back(0x00000000u);
    }
    // A colour table holds at least two entries; an unused black fills a one-colour image's.
    while (palette_.size() < 2) palette_.push_back(0xFF000000u);
}

void GifQuantizer::BuildReducedPalette(int colors) {
    Moments moments;
    for (int y = 0; y < source_.height; ++y) {
        for (int x = 0; x < source_.width; ++x) {
            const Pixel p = ReadPixel(source_, x, y);
            if (p.a != 0) moments.Add(p);
        }
    }
    moments.Accumulate();

    std::vector<Box> boxes(static_cast<size_t>(colors));
    std::vector<double> variance(static_cast<size_t>(colors), 0.0);
    boxes[0].r1 = boxes[0].g1 = boxes[0].b1 = kSide - 1;
    boxes[0].volume = (kSide - 1) * (kSide - 1) * (kSide - 1);
    int count = colors;
    int next = 0;
    for (int i = 1; i < colors; ++i) {
        if (moments.Cut(boxes[next], boxes[i])) {
            variance[next] = boxes[next].volume > 1 ? moments.Variance(boxes[next]) : 0.0;
            variance[i] = boxes[i].volume > 1 ? moments.Variance(boxes[i]) : 0.0;
        } else {
            variance[next] = 0.0;
            --i;
        }
        next = 0;
        double most = variance[0];
        for (int k = 1; k <= i; ++k) {
            if (variance[k] > most) {
                most = variance[k];
                next = k;
            }
        }
        if (most <= 0.0) {
            count = i + 1;
            break;
        }
    }
    for (int k = 0; k < count; ++k) {
        std::uint32_t argb = 0;
        if (moments.Mean(boxes[k], argb)) palette_.push_back(argb);
    }
}

void GifQuantizer::Map(std::uint8_t* destination, std::ptrdiff_t destinationStride) const {
    if (!destination) return;
    // Nearest colours are looked up once per 6-bit-per-channel cell, at the cell's centre.
    constexpr int kCacheBits = 6;
    constexpr int kShift = 8 - kCacheBits;
    std::vector<std::int16_t> nearest;
    if (!exact_) nearest.assign(size_t{1} << (3 * kCacheBits), -1);

    const auto nearestIndex = [&](const Pixel& p) -> std::uint8_t {
        const size_t key = (static_cast<size_t>(p.r >> kShift) << (2 * kCacheBits)) |
                           (static_cast<size_t>(p.g >> kShift) << kCacheBits) | static_cast<size_t>(p.b >> kShift);
        if (nearest[key] < 0) {
            const int half = 1 << (kShift - 1);
            const int r = ((p.r >> kShift) << kShift) + half;
            const int g = ((p.g >> kShift) << kShift) + half;
            const int b = ((p.b >> kShift) << kShift) + half;
            int best = 0;
            int bestDistance = Distance(palette_[0], r, g, b);
            for (int i = 1; i < opaqueColors_; ++i) {
                const int d = Distance(palette_[static_cast<size_t>(i)], r, g, b);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            nearest[key] = static_cast<std::int16_t>(best);
        }
        return static_cast<std::uint8_t>(nearest[key]);
    };

    // Runs of one colour are common in pictures with few colours: skip the hash lookup for them.
    std::uint32_t lastRgb = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < source_.height; ++y) {
        std::uint8_t* out = destination + static_cast<std::ptrdiff_t>(y) * destinationStride;
        for (int x = 0; x < source_.width; ++x) {
            const Pixel p = ReadPixel(source_, x, y);
            if (p.a == 0) {
                out[x] = static_cast<std::uint8_t>(transparentIndex_);
            } else if (exact_) {
                const std::uint32_t rgb = Rgb(p);
                if (rgb != lastRgb) {
                    lastRgb = rgb;
                    lastIndex = exactIndex_.at(rgb);
                }
                out[x] = lastIndex;
            } else {
                out[x] = nearestIndex(p);
            }
        }
    }
}

}  // namespace pictrove
