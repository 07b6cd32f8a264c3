// The MQ binary arithmetic decoder (the adaptive coder of JBIG2 and JPEG 2000): decisions
// decoded from a byte stream under per-context adaptive probability states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pictrove::readers::codecs {

// Adaptive states of a set of contexts: per context the probability index (bits 1..7) and the
// more probable symbol (bit 0), all starting at index 0 with MPS 0.
class MqContexts {
  public:
    explicit MqContexts(std::size_t count = 0) : states_(count, 0) {}
    void Reset(std::size_t count) { states_.assign(count, 0); }
    std::size_t Size() const { return states_.size(); }
    std::uint8_t& operator[](std::size_t index) { return states_[index]; }

  private:
    std::vector<std::uint8_t> states_;
};

class MqDecoder {
  public:
    struct QeState {
        std::uint16_t qe;
        std::uint8_t nmps;
        std::uint8_t nlps;
        std::uint8_t switchMps;
    };
    // The probability states, indexed by a context's state >> 1. States hold only indices
    // 0..46 (the table's own next states), so the index never leaves the table.
    static const QeState kStates[47];

    explicit MqDecoder(std::span<const std::uint8_t> data);

    // One decision (0 or 1) under the context whose state is given. Inline: the decoders call
    // it once per pixel.
    int Decode(std::uint8_t& state) {
        const QeState& entry = kStates[state >> 1];
        const std::uint32_t qe = entry.qe;
        int mps = state & 1;
        int decision = 0;
        a_ -= qe;
        if ((c_ >> 16) < qe) {
            // The lower sub-interval (with the conditional exchange of MPS and LPS).
            if (a_ < qe) {
                decision = mps;
                state = static_cast<std::uint8_t>((entry.nmps << 1) | mps);
            } else {
                decision = 1 - mps;
                if (entry.switchMps) mps = 1 - mps;
                state = static_cast<std::uint8_t>((entry.nlps << 1) | mps);
            }
            a_ = qe;
        } else {
            c_ -= qe << 16;
            if (a_ & 0x8000) return mps;
            if (a_ < qe) {
                decision = 1 - mps;
                if (entry.switchMps) mps = 1 - mps;
                state = static_cast<std::uint8_t>((entry.nlps << 1) | mps);
            } else {
                decision = mps;
                state = static_cast<std::uint8_t>((entry.nmps << 1) | mps);
            }
        }
        do {
            if (ct_ == 0) ByteIn();
            a_ <<= 1;
            c_ <<= 1;
            --ct_;
        } while ((a_ & 0x8000) == 0);
        return decision;
    }

    // Bytes consumed so far, counting the one being worked on.
    std::size_t Position() const { return position_; }
    // How many bytes were made up past the end of the data (as 0xFF). A well-formed stream
    // reads at most a couple beyond its end; many more mean the data was cut or damaged.
    std::size_t Overrun() const { return overrun_; }

  private:
    void ByteIn();
    std::uint8_t At(std::size_t index) const { return index < data_.size() ? data_[index] : 0xFF; }

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    std::size_t overrun_ = 0;
    std::uint32_t c_ = 0;
    std::uint32_t a_ = 0;
    int ct_ = 0;
};

}  // namespace pictrove::readers::codecs
