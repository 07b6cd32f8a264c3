// IW44 wavelet images: the backgrounds (BG44) and foreground colours (FG44) of pages and
// standalone photos (PM44 in colour, BM44 in grey). Each chunk adds slices of bit planes to
// the coefficients of one luminance and, for colour, two chrominance maps; a picture is drawn
// from whatever slices have arrived.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/DecodedImage.h"
#include "djvu/ZpDecoder.h"

namespace pictrove::readers::djvu {

class Iw44Image {
  public:
    Iw44Image() = default;
    // A layer of a page, never larger than the page: a first chunk that declares more is
    // damage, refused before its coefficients are allocated.
    Iw44Image(int maxWidth, int maxHeight) : maxWidth_(maxWidth), maxHeight_(maxHeight) {}

    // Adds one chunk's slices; false when it is damaged or does not follow the chunks before.
    bool DecodeChunk(std::span<const std::uint8_t> chunk);

    bool Empty() const { return maps_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Colour() const { return maps_.size() == 3; }

    // The picture at its own size: kBgr24 for colour, kGray8 for grey; nothing before the
    // first chunk.
    std::optional<DecodedImage> Render() const;

  private:
    struct Map {
        int blocksWide = 0;
        int blocksHigh = 0;
        // 1024 per block, in the block's coding order; a block is allocated with its first
        // coefficient, so what is held follows what the data has coded (each coefficient
        // costs its sign, a bit of even odds), not the size the chunk declares.
        std::vector<std::unique_ptr<std::int16_t[]>> blocks;
        std::array<int, 16> quantLow{};
        std::array<int, 10> quantHigh{};
        int band = 0;
        int bit = 0;  // -1 once every threshold has reached zero
        std::array<ZpContext, 32> startContexts{};
        std::array<std::array<ZpContext, 8>, 10> bucketContexts{};
        ZpContext mantissaContext = 0;
        ZpContext rootContext = 0;

        void Init(int width, int height);
        // False when the data ran out before every block had its turn.
        bool DecodeSlice(ZpDecoder& zp);
        void DecodeBuckets(ZpDecoder& zp, int block, int firstBucket, int buckets);
        // The plane at full size, rows from the top, in the signed range -128..127.
        std::vector<std::int16_t> Reconstruct(int width, int height, bool halfResolution) const;
    };

    std::vector<Map> maps_;  // Y, then Cb and Cr for colour
    int maxWidth_ = 0xFFFF;
    int maxHeight_ = 0xFFFF;
    int width_ = 0;
    int height_ = 0;
    int nextSerial_ = 0;
    int slicesDone_ = 0;
    int chromaDelay_ = 0;
    bool chromaHalf_ = false;
};

}  // namespace pictrove::readers::djvu
