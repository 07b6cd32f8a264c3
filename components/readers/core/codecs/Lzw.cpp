// LZW decoding.
#include "codecs/Lzw.h"

#include <algorithm>
#include <vector>

namespace pictrove::readers::codecs {
namespace {

constexpr int kClear = 256;
constexpr int kEnd = 257;
constexpr int kFirstFree = 258;
constexpr int kTableSize = 4096;
constexpr int kMaxWidth = 12;

// Each entry is its prefix's string plus one byte; strings are written backwards from their end.
struct Table {
    std::vector<std::uint16_t> prefix = std::vector<std::uint16_t>(kTableSize);
    std::vector<std::uint8_t> last = std::vector<std::uint8_t>(kTableSize);
    std::vector<std::uint8_t> first = std::vector<std::uint8_t>(kTableSize);
    std::vector<std::uint16_t> length = std::vector<std::uint16_t>(kTableSize);

    Table() {
        for (int i = 0; i < 256; ++i) {
            last[i] = first[i] = static_cast<std::uint8_t>(i);
            length[i] = 1;
        }
    }

    // Writes the string of code, cut at the output's limit; false when it was cut.
    bool Write(int code, ByteSink& out) const {
        const std::size_t size = length[code];
        const std::size_t fits = std::min(size, out.Room());
        std::uint8_t* at = out.Extend(fits);
        std::size_t k = size;
        for (int c = code; k > 0; c = prefix[c]) {
            if (--k < fits) at[k] = last[c];
        }
        return fits == size;
    }
};

}  // namespace

DecodeResult LzwDecode(std::span<const std::uint8_t> in, ByteSink& out, const LzwOptions& options) {
    Table table;
    const int early = options.earlyChange ? 1 : 0;
    int width = 9;
    int next = kFirstFree;
    int previous = -1;
    std::uint32_t buffer = 0;
    int bits = 0;
    std::size_t i = 0;
    const auto end = [&](DecodeEnd how) { return DecodeResult{out.Written(), how}; };
    for (;;) {
        if (out.Full()) return end(DecodeEnd::kOutputFull);
        while (bits < width && i < in.size()) {
            buffer = (buffer << 8) | in[i++];
            bits += 8;
        }
        if (bits < width) return end(DecodeEnd::kInputEnd);
        const int code = static_cast<int>((buffer >> (bits - width)) & ((1u << width) - 1));
        bits -= width;
        if (code == kEnd) return end(DecodeEnd::kEndCode);
        if (code == kClear) {
            width = 9;
            next = kFirstFree;
            previous = -1;
            continue;
        }
        if (previous < 0 ? code > 255 : code > next) return end(DecodeEnd::kInvalidCode);
        // A full table takes no more entries until the next clear code.
        if (previous >= 0 && next < kTableSize) {
            // code == next is the string of previous plus its own first byte.
            table.prefix[next] = static_cast<std::uint16_t>(previous);
            table.last[next] = code < next ? table.first[code] : table.first[previous];
            table.first[next] = table.first[previous];
            table.length[next] = static_cast<std::uint16_t>(std::min(table.length[previous] + 1, kTableSize - 1));
            ++next;
            if (next + early >= (1 << width) && width < kMaxWidth) ++width;
        }
        if (!table.Write(code, out)) return end(DecodeEnd::kOutputCut);
        previous = code;
    }
}

}  // namespace pictrove::readers::codecs
