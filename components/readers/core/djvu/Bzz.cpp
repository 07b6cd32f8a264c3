// BZZ blocks: a 24-bit block size, the frequency shift, then one move-to-front rank per byte
// of the transformed block, each coded with ZP contexts chosen by the previous rank.
#include "Bzz.h"

#include <array>

#include "ZpDecoder.h"

namespace pictrove::readers::djvu {
namespace {

constexpr int kRankContexts = 3;
constexpr int kFrequencySlots = 4;
// Encoders cut their input into blocks of at most 4 MiB (plus the end marker).
constexpr std::uint32_t kMaxBlockSize = (4u << 20) + 1;

// A number of bits bits, most significant first, each from the context tree at contexts.
int DecodeBinary(ZpDecoder& zp, ZpContext* contexts, int bits) {
    int n = 1;
    for (int i = 0; i < bits; ++i) n = (n << 1) | zp.Decode(contexts[n - 1]);
    return n - (1 << bits);
}

// Decodes one block into out (appended); false at the end of the data or on damage.
bool DecodeBlock(ZpDecoder& zp, std::vector<std::uint8_t>& out, std::size_t maxOutput, bool& ended) {
    std::uint32_t size = 0;
    for (int i = 0; i < 24; ++i) size = (size << 1) | static_cast<std::uint32_t>(zp.DecodeRaw());
    if (size == 0) {
        ended = true;
        return true;
    }
    if (size > kMaxBlockSize || size - 1 > maxOutput - out.size()) return false;
    int shift = 0;
    if (zp.DecodeRaw()) {
        ++shift;
        if (zp.DecodeRaw()) ++shift;
    }
    std::array<ZpContext, 300> contexts{};
    std::array<std::uint8_t, 256> mtf{};
    for (int i = 0; i < 256; ++i) mtf[i] = static_cast<std::uint8_t>(i);
    std::array<std::uint32_t, kFrequencySlots> frequency{};
    std::uint32_t add = 4;
    int rank = 3;
    std::size_t marker = size;  // where the end-of-block marker sits in the transformed block
    std::vector<std::uint8_t> block(size);
    for (std::uint32_t i = 0; i < size; ++i) {
        const int context = rank < kRankContexts - 1 ? rank : kRankContexts - 1;
        ZpContext* base = contexts.data();
        if (zp.Decode(base[context])) {
            rank = 0;
        } else if (base += kRankContexts, zp.Decode(base[context])) {
            rank = 1;
        } else {
            base += kRankContexts;
            rank = 256;
            for (int bits = 1, low = 2; bits <= 7; ++bits, low *= 2) {
                if (zp.Decode(base[0])) {
                    rank = low + DecodeBinary(zp, base + 1, bits);
                    break;
                }
                base += 1 << bits;
            }
        }
        if (zp.Exhausted()) return false;
        if (rank == 256) {
            if (marker != size) return false;  // a second marker
            marker = i;
            block[i] = 0;
            continue;
        }
        const std::uint8_t value = mtf[rank];
        block[i] = value;
        // Recently used ranks are kept in order of a decaying frequency.
        add += add >> shift;
        if (add > 0x10000000) {
            add >>= 24;
            for (auto& f : frequency) f >>= 24;
        }
        std::uint32_t weight = add;
        if (rank < kFrequencySlots) weight += frequency[rank];
        int k = rank;
        for (; k >= kFrequencySlots; --k) mtf[k] = mtf[k - 1];
        for (; k > 0 && weight >= frequency[k - 1]; --k) {
            mtf[k] = mtf[k - 1];
            frequency[k] = frequency[k - 1];
        }
        mtf[k] = value;
        frequency[k] = weight;
    }
    if (marker == size) return false;

    // Inverse Burrows-Wheeler transform; the marker stands for the empty suffix, first in order.
    std::vector<std::uint32_t> position(size);
    std::array<std::uint32_t, 256> count{};
    for (std::uint32_t i = 0; i < size; ++i) {
        if (i == marker) continue;
        const std::uint8_t c = block[i];
        position[i] = (std::uint32_t{c} << 24) | (count[c] & 0xffffff);
        ++count[c];
    }
    std::uint32_t last = 1;
    for (auto& c : count) {
        const std::uint32_t n = c;
        c = last;
        last += n;
    }
    std::size_t start = out.size();
    out.resize(start + size - 1);
    std::uint32_t row = 0;
    for (std::uint32_t remaining = size - 1; remaining > 0;) {
        if (row >= size || row == marker) return false;
        const std::uint32_t n = position[row];
        const std::uint8_t c = static_cast<std::uint8_t>(n >> 24);
        out[start + --remaining] = c;
        row = count[c] + (n & 0xffffff);
    }
    return row == marker;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeBzz(std::span<const std::uint8_t> data, std::size_t maxOutput) {
    ZpDecoder zp(data);
    std::vector<std::uint8_t> out;
    bool ended = false;
    while (!ended) {
        if (!DecodeBlock(zp, out, maxOutput, ended)) return std::nullopt;
        if (!ended && zp.Exhausted()) break;  // writers may leave out the final empty block
    }
    return out;
}

}  // namespace pictrove::readers::djvu
