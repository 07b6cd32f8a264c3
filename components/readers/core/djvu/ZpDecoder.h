// The ZP adaptive binary arithmetic decoder every compressed DjVu chunk is coded with (BZZ,
// JB2 and IW44 all sit on it). Reads past the end of its data as 0xff bytes, as encoders
// expect when they flush; Exhausted() tells a caller that loops on the data to give up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pictrove::readers::djvu {

// One adaptive context: the index of its probability state.
using ZpContext = std::uint8_t;

class ZpDecoder {
  public:
    explicit ZpDecoder(std::span<const std::uint8_t> data);

    // A bit coded with an adaptive context, which it updates.
    int Decode(ZpContext& context) {
        const std::uint32_t z = a_ + kProbability[context];
        if (z <= fence_) {
            a_ = z;
            return context & 1;
        }
        return DecodeSlow(context, z);
    }
    // A bit of even odds, as BZZ codes its block sizes.
    int DecodeRaw() { return DecodeFixed(0x8000 + (a_ >> 1)); }
    // A bit of the fixed odds IW44 codes signs and large mantissas with.
    int DecodeIw() { return DecodeFixed(0x8000 + ((a_ + a_ + a_) >> 3)); }

    // Whether the decoder has run well past the end of its data: what follows is padding.
    bool Exhausted() const { return overrun_ > 64; }

    static const std::uint16_t kProbability[256];

  private:
    int DecodeSlow(ZpContext& context, std::uint32_t z);
    int DecodeFixed(std::uint32_t z);
    void Lps(std::uint32_t z);
    void Mps(std::uint32_t z);
    void Preload();

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    std::size_t overrun_ = 0;
    std::uint32_t a_ = 0;
    std::uint32_t code_ = 0;
    std::uint32_t fence_ = 0;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;  // bits of buffer_ not yet shifted into code_
};

}  // namespace pictrove::readers::djvu
