// IW44 decoding: slices of bit planes per band of the 32x32 blocks' coefficients, then the
// inverse lifting transform of the interpolating (-1 9 9 -1) wavelet, scale by scale, and the
// colour conversion from the chunk's luminance and chrominance.
#include "Iw44Decoder.h"

#include <algorithm>
#include <cstdlib>

#include "model/ByteReader.h"

namespace pictrove::readers::djvu {
namespace {

constexpr int kBands = 10;
constexpr int kBlockCoefficients = 1024;
// First bucket and bucket count of each band; band 0 is the coarsest.
constexpr int kBandFirst[kBands] = {0, 1, 2, 3, 4, 8, 12, 16, 32, 48};
constexpr int kBandCount[kBands] = {1, 1, 1, 1, 4, 4, 4, 16, 16, 16};
// Starting quantisation thresholds: per coefficient of band 0, then per band.
constexpr int kQuant[16] = {0x004000, 0x008000, 0x008000, 0x010000, 0x010000, 0x010000, 0x020000, 0x020000,
                            0x020000, 0x040000, 0x040000, 0x040000, 0x080000, 0x040000, 0x040000, 0x080000};

enum CoefficientState : std::uint8_t { kZero = 1, kActive = 2, kNew = 4, kUnknown = 8 };

// Where a block's coefficient number lands inside its 32x32 square: the bits of the number
// alternate between column and row, coarsest first.
struct Place {
    std::uint8_t row = 0;
    std::uint8_t column = 0;
};
const std::array<Place, kBlockCoefficients>& Places() {
    static const auto places = [] {
        std::array<Place, kBlockCoefficients> table{};
        for (int i = 0; i < kBlockCoefficients; ++i) {
            int row = 0;
            int column = 0;
            for (int level = 0; level < 5; ++level) {
                column |= ((i >> (2 * level)) & 1) << (4 - level);
                row |= ((i >> (2 * level + 1)) & 1) << (4 - level);
            }
            table[i] = {static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(column)};
        }
        return table;
    }();
    return places;
}

// The inverse lifting steps along one line of samples, step apart, count of them.
void LiftBack(int* line, std::ptrdiff_t step, int count) {
    auto at = [&](int k) -> int& { return line[k * step]; };
    auto odd = [&](int k) { return k >= 0 && k < count ? at(k) : 0; };
    for (int k = 0; k < count; k += 2) {
        const int a = odd(k - 1) + odd(k + 1);
        const int b = odd(k - 3) + odd(k + 3);
        at(k) -= (9 * a - b + 16) >> 5;
    }
    for (int k = 1; k < count; k += 2) {
        if (k >= 3 && k + 3 < count) {
            const int a = at(k - 1) + at(k + 1);
            const int b = at(k - 3) + at(k + 3);
            at(k) += (9 * a - b + 8) >> 4;
        } else {
            const int a = at(k - 1) + (k + 1 < count ? at(k + 1) : at(k - 1));
            at(k) += (a + 1) >> 1;
        }
    }
}

// The steps of LiftBack down every column of a scale at once, a row of samples at a time:
// the samples of one column lie a plane's width apart, and lifting a column at a time missed
// the cache on every sample of a large picture.
void LiftColumns(int* plane, std::size_t planeWidth, int scale, int width, int rows) {
    const auto row = [&](int k) { return plane + static_cast<std::size_t>(k) * scale * planeWidth; };
    for (int k = 0; k < rows; k += 2) {
        int* out = row(k);
        const int* above = k >= 1 ? row(k - 1) : nullptr;
        const int* below = k + 1 < rows ? row(k + 1) : nullptr;
        const int* above3 = k >= 3 ? row(k - 3) : nullptr;
        const int* below3 = k + 3 < rows ? row(k + 3) : nullptr;
        for (int x = 0; x < width; x += scale) {
            const int a = (above ? above[x] : 0) + (below ? below[x] : 0);
            const int b = (above3 ? above3[x] : 0) + (below3 ? below3[x] : 0);
            out[x] -= (9 * a - b + 16) >> 5;
        }
    }
    for (int k = 1; k < rows; k += 2) {
        int* out = row(k);
        const int* above = row(k - 1);
        if (k >= 3 && k + 3 < rows) {
            const int* below = row(k + 1);
            const int* above3 = row(k - 3);
            const int* below3 = row(k + 3);
            for (int x = 0; x < width; x += scale) {
                const int a = above[x] + below[x];
                const int b = above3[x] + below3[x];
                out[x] += (9 * a - b + 8) >> 4;
            }
        } else {
            const int* below = k + 1 < rows ? row(k + 1) : above;
            for (int x = 0; x < width; x += scale) out[x] += (above[x] + below[x] + 1) >> 1;
        }
    }
}

}  // namespace

void Iw44Image::Map::Init(int width, int height) {
    blocksWide = (width + 31) / 32;
    blocksHigh = (height + 31) / 32;
    blocks.clear();
    blocks.resize(static_cast<std::size_t>(blocksWide) * blocksHigh);
    int q = 0;
    for (int i = 0; i < 4; ++i) quantLow[i] = kQuant[q++];
    for (int group = 0; group < 3; ++group, ++q) {
        for (int i = 0; i < 4; ++i) quantLow[4 + group * 4 + i] = kQuant[q];
    }
    quantHigh[0] = 0;
    for (int band = 1; band < kBands; ++band) quantHigh[band] = kQuant[q++];
}

bool Iw44Image::Map::DecodeSlice(ZpDecoder& zp) {
    if (bit < 0) return true;
    bool empty = true;
    if (band == 0) {
        for (int threshold : quantLow) empty = empty && !(threshold > 0 && threshold < 0x8000);
    } else {
        empty = !(quantHigh[band] > 0 && quantHigh[band] < 0x8000);
    }
    if (!empty) {
        // Every slice visits every block: data that runs out on the way cannot describe a
        // picture of this size, and the blocks left would only cost time.
        const int count = blocksWide * blocksHigh;
        for (int block = 0; block < count; ++block) {
            if (zp.Exhausted()) return false;
            DecodeBuckets(zp, block, kBandFirst[band], kBandCount[band]);
        }
    }
    quantHigh[band] >>= 1;
    if (band == 0) {
        for (int& threshold : quantLow) threshold >>= 1;
    }
    if (++band == kBands) {
        band = 0;
        ++bit;
        if (quantHigh[kBands - 1] == 0) bit = -1;
    }
    return true;
}

void Iw44Image::Map::DecodeBuckets(ZpDecoder& zp, int block, int firstBucket, int buckets) {
    static const std::int16_t kNone[kBlockCoefficients] = {};
    std::unique_ptr<std::int16_t[]>& stored = blocks[static_cast<std::size_t>(block)];
    std::int16_t* coefficient = stored.get();  // null while every coefficient is zero
    const std::int16_t* known = coefficient ? coefficient : kNone;
    // A block with no coefficient yet, in a band of 16 buckets: its one decision says whether
    // any becomes new, most often not, and then its states need not be worked out.
    const bool rootDecided = !coefficient && buckets == 16;
    if (rootDecided && !zp.Decode(rootContext)) return;
    std::uint8_t bucketState[16];
    std::uint8_t state[16][16];
    int blockState = 0;
    for (int b = 0; b < buckets; ++b) {
        const std::int16_t* c = known + (firstBucket + b) * 16;
        int bucket = 0;
        for (int i = 0; i < 16; ++i) {
            std::uint8_t s = c[i] ? kActive : kUnknown;
            // Band 0 codes a coefficient only once its own threshold has come into range.
            if (band == 0 && !(quantLow[i] > 0 && quantLow[i] < 0x8000)) s = kZero;
            state[b][i] = s;
            bucket |= s;
        }
        bucketState[b] = static_cast<std::uint8_t>(bucket);
        blockState |= bucket;
    }

    if (buckets < 16 || (blockState & kActive) || rootDecided) {
        blockState |= kNew;
    } else if ((blockState & kUnknown) && zp.Decode(rootContext)) {
        blockState |= kNew;
    }

    if (blockState & kNew) {
        for (int b = 0; b < buckets; ++b) {
            if (!(bucketState[b] & kUnknown)) continue;
            int context = 0;
            if (band > 0) {
                // The four coefficients of the coarser band this bucket refines.
                const std::int16_t* parent = known + ((firstBucket + b) << 2);
                context = (parent[0] != 0) + (parent[1] != 0) + (parent[2] != 0);
                if (context < 3 && parent[3] != 0) ++context;
            }
            if (blockState & kActive) context |= 4;
            if (zp.Decode(bucketContexts[band][context])) bucketState[b] |= kNew;
        }
        int threshold = quantHigh[band];
        for (int b = 0; b < buckets; ++b) {
            if (!(bucketState[b] & kNew)) continue;
            int unknown = 0;
            for (int i = 0; i < 16; ++i) unknown += (state[b][i] & kUnknown) ? 1 : 0;
            for (int i = 0; i < 16; ++i) {
                if (!(state[b][i] & kUnknown)) continue;
                if (band == 0) threshold = quantLow[i];
                int context = std::min(unknown, 7);
                if (bucketState[b] & kActive) context |= 8;
                if (zp.Decode(startContexts[context])) {
                    state[b][i] |= kNew;
                    const int half = threshold >> 1;
                    const int value = threshold + half - (half >> 2);
                    if (!coefficient) {
                        stored.reset(new std::int16_t[kBlockCoefficients]());
                        coefficient = stored.get();
                    }
                    coefficient[(firstBucket + b) * 16 + i] = static_cast<std::int16_t>(zp.DecodeIw() ? -value : value);
                }
                if (state[b][i] & kNew) {
                    unknown = 0;
                } else if (unknown > 0) {
                    --unknown;
                }
            }
        }
    }

    if (blockState & kActive) {
        int threshold = quantHigh[band];
        for (int b = 0; b < buckets; ++b) {
            if (!(bucketState[b] & kActive)) continue;
            std::int16_t* c = coefficient + (firstBucket + b) * 16;  // active: allocated
            for (int i = 0; i < 16; ++i) {
                if (!(state[b][i] & kActive)) continue;
                if (band == 0) threshold = quantLow[i];
                int value = std::abs(static_cast<int>(c[i]));
                if (value <= 3 * threshold) {
                    value += threshold >> 2;
                    value += zp.Decode(mantissaContext) ? (threshold >> 1) : -threshold + (threshold >> 1);
                } else {
                    value += zp.DecodeIw() ? (threshold >> 1) : -threshold + (threshold >> 1);
                }
                c[i] = static_cast<std::int16_t>(c[i] > 0 ? value : -value);
            }
        }
    }
}

std::vector<std::int16_t> Iw44Image::Map::Reconstruct(int width, int height, bool halfResolution) const {
    const int planeWidth = blocksWide * 32;
    std::vector<int> plane(static_cast<std::size_t>(planeWidth) * blocksHigh * 32, 0);
    const auto& places = Places();
    for (int by = 0; by < blocksHigh; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            const std::int16_t* c = blocks[static_cast<std::size_t>(by) * blocksWide + bx].get();
            if (!c) continue;
            int* origin = plane.data() + static_cast<std::size_t>(by) * 32 * planeWidth + bx * 32;
            for (int i = 0; i < kBlockCoefficients; ++i) {
                origin[static_cast<std::size_t>(places[i].row) * planeWidth + places[i].column] = c[i];
            }
        }
    }
    const int finest = halfResolution ? 2 : 1;
    for (int scale = 16; scale >= finest; scale /= 2) {
        const int columns = (width - 1) / scale + 1;
        const int rows = (height - 1) / scale + 1;
        LiftColumns(plane.data(), static_cast<std::size_t>(planeWidth), scale, width, rows);
        for (int y = 0; y < height; y += scale) {
            LiftBack(plane.data() + static_cast<std::size_t>(y) * planeWidth, scale, columns);
        }
    }
    // Coefficient rows run from the bottom of the picture up; pixels go out from the top.
    std::vector<std::int16_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const int up = height - 1 - y;
        const int sourceY = halfResolution ? up & ~1 : up;
        for (int x = 0; x < width; ++x) {
            const int sourceX = halfResolution ? x & ~1 : x;
            const int value = (plane[static_cast<std::size_t>(sourceY) * planeWidth + sourceX] + 32) >> 6;
            pixels[static_cast<std::size_t>(y) * width + x] = static_cast<std::int16_t>(std::clamp(value, -128, 127));
        }
    }
    return pixels;
}

bool Iw44Image::DecodeChunk(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < 2 || chunk[0] != nextSerial_) return false;
    const int slices = chunk[1];
    std::size_t start = 2;
    if (nextSerial_ == 0) {
        if (chunk.size() < 9) return false;
        const bool colour = (chunk[2] & 0x80) == 0;
        const int width = LoadU16BE(chunk.data() + 4);
        const int height = LoadU16BE(chunk.data() + 6);
        if (!IsAcceptableSize(width, height) || width > maxWidth_ || height > maxHeight_) return false;
        width_ = width;
        height_ = height;
        // Coefficients of three maps and the plane they are rebuilt in, kept within the
        // pictures' memory bound.
        const std::uint64_t padded = std::uint64_t((width_ + 31) / 32) * ((height_ + 31) / 32) * kBlockCoefficients;
        if (padded * (3 * sizeof(std::int16_t) + sizeof(int)) > 3 * kMaxImageBytes) {
            NoteLimitBreach(LimitBreach::kPixels);
            return false;
        }
        chromaDelay_ = chunk[8] & 0x7f;
        chromaHalf_ = (chunk[8] & 0x80) == 0;
        start = 9;
        maps_.resize(colour ? 3 : 1);
        for (Map& map : maps_) map.Init(width_, height_);
    }
    if (nextSerial_ == 255 || maps_.empty()) return false;
    const bool first = nextSerial_ == 0;
    ++nextSerial_;
    ZpDecoder zp(chunk.subspan(start));
    for (int i = 0; i < slices; ++i) {
        bool whole = maps_[0].DecodeSlice(zp);
        if (whole && maps_.size() == 3 && slicesDone_ >= chromaDelay_) {
            whole = maps_[1].DecodeSlice(zp) && maps_[2].DecodeSlice(zp);
        }
        ++slicesDone_;
        if (!whole || zp.Exhausted()) {
            // Every slice visits every block, so a first chunk whose data runs out before the
            // slices it declares cannot describe a layer of its size (a flushed chunk never
            // does): there is no layer, and nothing of the declared size is allocated for it.
            if (first) maps_.clear();
            return false;
        }
    }
    return true;
}

std::optional<DecodedImage> Iw44Image::Render() const {
    if (maps_.empty()) return std::nullopt;
    const auto luminance = maps_[0].Reconstruct(width_, height_, false);
    if (maps_.size() == 1) {
        auto image = DecodedImage::Allocate(PixelType::kGray8, width_, height_);
        if (!image) return std::nullopt;
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = image->Row(y);
            // Grey pictures code ink, not light.
            for (int x = 0; x < width_; ++x)
                row[x] = static_cast<std::uint8_t>(127 - luminance[std::size_t(y) * width_ + x]);
        }
        return image;
    }
    const auto blue = maps_[1].Reconstruct(width_, height_, chromaHalf_);
    const auto red = maps_[2].Reconstruct(width_, height_, chromaHalf_);
    auto image = DecodedImage::Allocate(PixelType::kBgr24, width_, height_);
    if (!image) return std::nullopt;
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = image->Row(y);
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = std::size_t(y) * width_ + x;
            const int l = luminance[i];
            const int b = blue[i];
            const int r = red[i];
            const int t1 = b >> 2;
            const int t2 = r + (r >> 1);
            const int t3 = l + 128 - t1;
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(l + 128 + t2, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(t3 - (t2 >> 1), 0, 255));
            row[3 * x + 0] = static_cast<std::uint8_t>(std::clamp(t3 + (b << 1), 0, 255));
        }
    }
    return image;
}

}  // namespace pictrove::readers::djvu
