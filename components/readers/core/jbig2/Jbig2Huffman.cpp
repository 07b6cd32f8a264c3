// Huffman tables and decoding.
#include "Jbig2Huffman.h"

#include <array>

namespace pictrove::readers::jbig2 {
namespace {

using L = HuffmanLine;

HuffmanLine Low(int prefix, std::int32_t low) {
    return {prefix, 32, low, HuffmanLine::kLower};
}
HuffmanLine Up(int prefix, std::int32_t low) {
    return {prefix, 32, low, HuffmanLine::kUpper};
}
HuffmanLine Oob(int prefix) {
    return {prefix, 0, 0, HuffmanLine::kOob};
}

std::vector<HuffmanLine> StandardLines(int number) {
    switch (number) {
        case 1:
            return {L{1, 4, 0}, L{2, 8, 16}, L{3, 16, 272}, Up(3, 65808)};
        case 2:
            return {L{1, 0, 0}, L{2, 0, 1}, L{3, 0, 2}, L{4, 3, 3}, L{5, 6, 11}, Up(6, 75), Oob(6)};
        case 3:
            return {L{8, 8, -256}, L{1, 0, 0},   L{2, 0, 1}, L{3, 0, 2}, L{4, 3, 3},
                    L{5, 6, 11},   Low(8, -257), Up(7, 75),  Oob(6)};
        case 4:
            return {L{1, 0, 1}, L{2, 0, 2}, L{3, 0, 3}, L{4, 3, 4}, L{5, 6, 12}, Up(5, 76)};
        case 5:
            return {L{7, 8, -255}, L{1, 0, 1},  L{2, 0, 2},   L{3, 0, 3},
                    L{4, 3, 4},    L{5, 6, 12}, Low(7, -256), Up(6, 76)};
        case 6:
            return {L{5, 10, -2048}, L{4, 9, -1024}, L{4, 8, -512}, L{4, 7, -256}, L{5, 6, -128},
                    L{5, 5, -64},    L{4, 5, -32},   L{2, 7, 0},    L{3, 7, 128},  L{3, 8, 256},
                    L{4, 9, 512},    L{4, 10, 1024}, Low(6, -2049), Up(6, 2048)};
        case 7:
            return {L{4, 9, -1024}, L{3, 8, -512}, L{4, 7, -256},  L{5, 6, -128}, L{5, 5, -64},
                    L{4, 5, -32},   L{4, 5, 0},    L{5, 5, 32},    L{5, 6, 64},   L{4, 7, 128},
                    L{3, 8, 256},   L{3, 9, 512},  L{3, 10, 1024}, Low(5, -1025), Up(5, 2048)};
        case 8:
            return {L{8, 3, -15}, L{9, 1, -7},  L{8, 1, -5},  L{9, 0, -3},   L{7, 0, -2}, L{4, 0, -1}, L{2, 1, 0},
                    L{5, 0, 2},   L{6, 0, 3},   L{3, 4, 4},   L{6, 1, 20},   L{4, 4, 22}, L{4, 5, 38}, L{5, 6, 70},
                    L{5, 7, 134}, L{6, 7, 262}, L{7, 8, 390}, L{6, 10, 646}, Low(9, -16), Up(9, 1670), Oob(2)};
        case 9:
            return {L{8, 4, -31}, L{9, 2, -15}, L{8, 2, -11}, L{9, 1, -7},    L{7, 1, -5}, L{4, 1, -3}, L{2, 2, -1},
                    L{5, 1, 3},   L{6, 1, 5},   L{3, 5, 7},   L{6, 2, 39},    L{4, 5, 43}, L{4, 6, 75}, L{5, 7, 139},
                    L{5, 8, 267}, L{6, 8, 523}, L{7, 9, 779}, L{6, 11, 1291}, Low(9, -32), Up(9, 3339), Oob(2)};
        case 10:
            return {L{7, 4, -21}, L{8, 0, -5},  L{7, 0, -4},  L{5, 0, -3},  L{2, 2, -2},    L{5, 0, 2},
                    L{6, 0, 3},   L{7, 0, 4},   L{8, 0, 5},   L{2, 6, 6},   L{5, 5, 70},    L{6, 5, 102},
                    L{6, 6, 134}, L{6, 7, 198}, L{6, 8, 326}, L{6, 9, 582}, L{6, 10, 1094}, L{7, 11, 2118},
                    Low(8, -22),  Up(8, 4166),  Oob(2)};
        case 11:
            return {L{1, 0, 1},  L{2, 1, 2},  L{4, 0, 4},  L{4, 1, 5},  L{5, 1, 7},  L{5, 2, 9}, L{6, 2, 13},
                    L{7, 2, 17}, L{7, 3, 21}, L{7, 4, 29}, L{7, 5, 45}, L{7, 6, 77}, Up(7, 141)};
        case 12:
            return {L{1, 0, 1},  L{2, 0, 2},  L{3, 1, 3},  L{5, 0, 5},  L{5, 1, 6},  L{6, 1, 8}, L{7, 0, 10},
                    L{7, 1, 11}, L{7, 2, 13}, L{7, 3, 17}, L{7, 4, 25}, L{8, 5, 41}, Up(8, 73)};
        case 13:
            return {L{1, 0, 1},  L{3, 0, 2},  L{4, 0, 3},  L{5, 0, 4},  L{4, 1, 5},  L{3, 3, 7}, L{6, 1, 15},
                    L{6, 2, 17}, L{6, 3, 21}, L{6, 4, 29}, L{6, 5, 45}, L{7, 6, 77}, Up(7, 141)};
        case 14:
            return {L{3, 0, -2}, L{3, 0, -1}, L{1, 0, 0}, L{3, 0, 1}, L{3, 0, 2}};
        case 15:
            return {L{7, 4, -24}, L{6, 2, -8}, L{5, 1, -4}, L{4, 0, -2}, L{3, 0, -1}, L{1, 0, 0}, L{3, 0, 1},
                    L{4, 0, 2},   L{5, 1, 3},  L{6, 2, 5},  L{7, 4, 9},  Low(7, -25), Up(7, 25)};
        default:
            return {};
    }
}

}  // namespace

std::optional<HuffmanTable> HuffmanTable::Build(std::vector<HuffmanLine> lines) {
    HuffmanTable table;
    std::array<std::uint32_t, 33> counts = {};
    for (const auto& line : lines) {
        if (line.prefixLength < 0 || line.prefixLength > 32 || line.rangeLength < 0 || line.rangeLength > 32) {
            return std::nullopt;
        }
        if (line.prefixLength > 0) ++counts[static_cast<std::size_t>(line.prefixLength)];
        if (line.kind == HuffmanLine::kOob && line.prefixLength > 0) table.hasOob_ = true;
    }
    std::uint64_t first = 0;
    for (int length = 1; length <= 32; ++length) {
        const std::uint64_t before = length > 1 ? counts[static_cast<std::size_t>(length - 1)] : 0;
        first = (first + before) << 1;
        if (first + counts[static_cast<std::size_t>(length)] > (std::uint64_t{1} << length)) return std::nullopt;
        table.firstCode_[length] = static_cast<std::uint32_t>(first);
    }
    table.lines_ = std::move(lines);
    for (std::size_t i = 0; i < table.lines_.size(); ++i) {
        const int length = table.lines_[i].prefixLength;
        if (length > 0) table.byLength_[length].push_back(static_cast<std::uint32_t>(i));
    }
    return table;
}

const HuffmanTable& HuffmanTable::Standard(int number) {
    static const std::array<HuffmanTable, 15> tables = [] {
        std::array<HuffmanTable, 15> built;
        for (int i = 0; i < 15; ++i) {
            if (auto table = Build(StandardLines(i + 1))) built[static_cast<std::size_t>(i)] = std::move(*table);
        }
        return built;
    }();
    return tables[static_cast<std::size_t>(number >= 1 && number <= 15 ? number - 1 : 0)];
}

std::optional<HuffmanTable> HuffmanTable::Parse(std::span<const std::uint8_t> data) {
    if (data.size() < 9) return std::nullopt;
    const int flags = data[0];
    const bool oob = flags & 1;
    const int prefixBits = ((flags >> 1) & 7) + 1;
    const int rangeBits = ((flags >> 4) & 7) + 1;
    auto int32At = [&](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(data[at]) << 24 | data[at + 1] << 16 |
                                         data[at + 2] << 8 | data[at + 3]);
    };
    const std::int64_t low = int32At(1);
    const std::int64_t high = int32At(5);
    if (low >= high) return std::nullopt;
    BitStream bits(data.subspan(9));
    std::vector<HuffmanLine> lines;
    std::int64_t current = low;
    while (current < high) {
        if (lines.size() >= kMaxHuffmanLines || bits.Overrun()) return std::nullopt;
        HuffmanLine line;
        line.prefixLength = static_cast<int>(bits.Bits(prefixBits));
        line.rangeLength = static_cast<int>(bits.Bits(rangeBits));
        if (line.rangeLength > 31) return std::nullopt;
        line.rangeLow = static_cast<std::int32_t>(current);
        lines.push_back(line);
        current += std::int64_t{1} << line.rangeLength;
    }
    lines.push_back(Low(static_cast<int>(bits.Bits(prefixBits)), static_cast<std::int32_t>(low - 1)));
    lines.push_back(Up(static_cast<int>(bits.Bits(prefixBits)), static_cast<std::int32_t>(high)));
    if (oob) lines.push_back(Oob(static_cast<int>(bits.Bits(prefixBits))));
    if (bits.Overrun()) return std::nullopt;
    return Build(std::move(lines));
}

std::optional<std::int32_t> HuffmanTable::Decode(BitStream& bits, bool& failed) const {
    std::uint32_t code = 0;
    for (int length = 1; length <= 32; ++length) {
        code = (code << 1) | static_cast<std::uint32_t>(bits.Bit());
        const auto& candidates = byLength_[length];
        if (candidates.empty() || code < firstCode_[length]) continue;
        const std::uint32_t index = code - firstCode_[length];
        if (index >= candidates.size()) continue;
        const HuffmanLine& line = lines_[candidates[index]];
        if (bits.Overrun()) break;
        switch (line.kind) {
            case HuffmanLine::kOob:
                return std::nullopt;
            case HuffmanLine::kLower:
                return static_cast<std::int32_t>(std::int64_t{line.rangeLow} - bits.Bits(32));
            case HuffmanLine::kUpper:
                return static_cast<std::int32_t>(std::int64_t{line.rangeLow} + bits.Bits(32));
            case HuffmanLine::kNormal:
                return static_cast<std::int32_t>(std::int64_t{line.rangeLow} + bits.Bits(line.rangeLength));
        }
    }
    failed = true;
    return std::nullopt;
}

}  // namespace pictrove::readers::jbig2
