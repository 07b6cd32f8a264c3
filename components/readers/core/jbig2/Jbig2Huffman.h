// Huffman coding of JBIG2 integers: the bit reader, the fifteen standard tables and tables the
// data defines itself, with canonical codes assigned from the prefix lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::jbig2 {

// Bits most significant first; past the end it reads zeros and remembers that it did.
class BitStream {
  public:
    explicit BitStream(std::span<const std::uint8_t> data) : data_(data) {}
    int Bit() {
        const std::size_t byte = position_ >> 3;
        if (byte >= data_.size()) {
            overrun_ = true;
            ++position_;
            return 0;
        }
        const int bit = (data_[byte] >> (7 - (position_ & 7))) & 1;
        ++position_;
        return bit;
    }
    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 1) | static_cast<std::uint32_t>(Bit());
        return value;
    }
    void Align() { position_ = (position_ + 7) & ~std::size_t{7}; }
    std::size_t BytePosition() const { return (position_ + 7) >> 3; }
    void SkipBytes(std::size_t count) { position_ += count * 8; }
    bool Overrun() const { return overrun_ || (position_ >> 3) > data_.size(); }
    std::span<const std::uint8_t> Rest() const {
        const std::size_t at = BytePosition();
        return at < data_.size() ? data_.subspan(at) : std::span<const std::uint8_t>{};
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool overrun_ = false;
};

struct HuffmanLine {
    int prefixLength = 0;
    int rangeLength = 0;
    std::int32_t rangeLow = 0;
    enum Kind : std::uint8_t { kNormal, kLower, kUpper, kOob } kind = kNormal;
};

class HuffmanTable {
  public:
    // Builds the canonical codes; fails for lengths beyond 32 bits.
    static std::optional<HuffmanTable> Build(std::vector<HuffmanLine> lines);
    // The standard table B.number (1 to 15).
    static const HuffmanTable& Standard(int number);
    // A table the data defines (its segment's data); nothing when damaged.
    static std::optional<HuffmanTable> Parse(std::span<const std::uint8_t> data);

    // The value, nothing for the out-of-band value; failed is set on a code the table lacks
    // or on data that ran out.
    std::optional<std::int32_t> Decode(BitStream& bits, bool& failed) const;
    bool HasOutOfBand() const { return hasOob_; }

  private:
    std::vector<HuffmanLine> lines_;
    // Per code length: the first code and the lines with that length in code order.
    std::uint32_t firstCode_[33] = {};
    std::vector<std::uint32_t> byLength_[33];
    bool hasOob_ = false;
};

// Most lines a table of the data may have.
inline constexpr std::size_t kMaxHuffmanLines = 4096;

}  // namespace pictrove::readers::jbig2
