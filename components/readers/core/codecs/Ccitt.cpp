// CCITT Group 3 and Group 4 decoding.
#include "codecs/Ccitt.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace pictrove::readers::codecs {
namespace {

struct Code {
    std::string_view bits;
    int run;
};

// Terminating codes (runs 0..63) and make-up codes of ITU-T T.4.
constexpr Code kWhite[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},         {"1011", 4},
    {"1100", 5},         {"1110", 6},         {"1111", 7},         {"10011", 8},        {"10100", 9},
    {"00111", 10},       {"01000", 11},       {"001000", 12},      {"000011", 13},      {"110100", 14},
    {"110101", 15},      {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},     {"0101000", 24},
    {"0101011", 25},     {"0010011", 26},     {"0100100", 27},     {"0011000", 28},     {"00000010", 29},
    {"00000011", 30},    {"00011010", 31},    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},
    {"00010100", 35},    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},    {"00101101", 44},
    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},    {"00001011", 48},    {"01010010", 49},
    {"01010011", 50},    {"01010100", 51},    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},
    {"01011000", 55},    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},    {"11011", 64},
    {"10010", 128},      {"010111", 192},     {"0110111", 256},    {"00110110", 320},   {"00110111", 384},
    {"01100100", 448},   {"01100101", 512},   {"01101000", 576},   {"01100111", 640},   {"011001100", 704},
    {"011001101", 768},  {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280}, {"011011010", 1344},
    {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600}, {"011000", 1664},
    {"010011011", 1728},
};

constexpr Code kBlack[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
    {"0000001111", 64},
    {"000011001000", 128},
    {"000011001001", 192},
    {"000001011011", 256},
    {"000000110011", 320},
    {"000000110100", 384},
    {"000000110101", 448},
    {"0000001101100", 512},
    {"0000001101101", 576},
    {"0000001001010", 640},
    {"0000001001011", 704},
    {"0000001001100", 768},
    {"0000001001101", 832},
    {"0000001110010", 896},
    {"0000001110011", 960},
    {"0000001110100", 1024},
    {"0000001110101", 1088},
    {"0000001110110", 1152},
    {"0000001110111", 1216},
    {"0000001010010", 1280},
    {"0000001010011", 1344},
    {"0000001010100", 1408},
    {"0000001010101", 1472},
    {"0000001011010", 1536},
    {"0000001011011", 1600},
    {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// Make-up codes shared by both colours, for runs of 1792 and more.
constexpr Code kExtended[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr int kLookupBits = 13;

// A table indexed by the next 13 bits: the run and the code's length (0 when no code matches).
struct RunTable {
    std::array<std::int16_t, 1 << kLookupBits> run{};
    std::array<std::uint8_t, 1 << kLookupBits> length{};

    void Add(const Code& code) {
        unsigned value = 0;
        for (char c : code.bits) value = (value << 1) | (c == '1' ? 1u : 0u);
        const int size = static_cast<int>(code.bits.size());
        const unsigned first = value << (kLookupBits - size);
        for (unsigned i = 0; i < (1u << (kLookupBits - size)); ++i) {
            run[first + i] = static_cast<std::int16_t>(code.run);
            length[first + i] = static_cast<std::uint8_t>(size);
        }
    }
};

const RunTable& Table(bool black) {
    static const auto make = [](bool forBlack) {
        RunTable table;
        if (forBlack) {
            for (const auto& code : kBlack) table.Add(code);
        } else {
            for (const auto& code : kWhite) table.Add(code);
        }
        for (const auto& code : kExtended) table.Add(code);
        return table;
    };
    static const RunTable white = make(false);
    static const RunTable blackTable = make(true);
    return black ? blackTable : white;
}

class BitReader {
  public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}
    unsigned Peek(int count) const {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            const std::size_t bit = position_ + static_cast<std::size_t>(i);
            const unsigned b = bit / 8 < data_.size() ? (data_[bit / 8] >> (7 - bit % 8)) & 1 : 0;
            value = (value << 1) | b;
        }
        return value;
    }
    void Skip(int count) { position_ += static_cast<std::size_t>(count); }
    bool AtEnd() const { return position_ >= data_.size() * 8; }
    void Align() { position_ = (position_ + 7) / 8 * 8; }
    std::size_t BytesUsed() const { return std::min((position_ + 7) / 8, data_.size()); }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

// A whole run of one colour: make-up codes, then the terminating code. -1 on a bad code.
int ReadRun(BitReader& reader, bool black) {
    const RunTable& table = Table(black);
    int total = 0;
    for (int guard = 0; guard < 64; ++guard) {
        const unsigned index = reader.Peek(kLookupBits);
        const int length = table.length[index];
        if (length == 0) return -1;
        reader.Skip(length);
        const int run = table.run[index];
        total += run;
        if (run < 64) return total;
        if (total > kMaxCcittColumns) return -1;
    }
    return -1;
}

enum class Mode { kPass, kHorizontal, kVertical, kEol, kError };

Mode ReadMode(BitReader& reader, int& delta) {
    const unsigned bits = reader.Peek(7);
    if (bits >> 6 == 1) {
        reader.Skip(1);
        delta = 0;
        return Mode::kVertical;
    }
    if (bits >> 4 == 0b011) {
        reader.Skip(3);
        delta = 1;
        return Mode::kVertical;
    }
    if (bits >> 4 == 0b010) {
        reader.Skip(3);
        delta = -1;
        return Mode::kVertical;
    }
    if (bits >> 4 == 0b001) {
        reader.Skip(3);
        return Mode::kHorizontal;
    }
    if (bits >> 3 == 0b0001) {
        reader.Skip(4);
        return Mode::kPass;
    }
    if (bits >> 1 == 0b000011) {
        reader.Skip(6);
        delta = 2;
        return Mode::kVertical;
    }
    if (bits >> 1 == 0b000010) {
        reader.Skip(6);
        delta = -2;
        return Mode::kVertical;
    }
    if (bits == 0b0000011) {
        reader.Skip(7);
        delta = 3;
        return Mode::kVertical;
    }
    if (bits == 0b0000010) {
        reader.Skip(7);
        delta = -3;
        return Mode::kVertical;
    }
    if (reader.Peek(12) == 1) return Mode::kEol;
    return Mode::kError;
}

// Skips fill bits and one end-of-line code; true when an EOL was there.
bool SkipEol(BitReader& reader) {
    int zeros = 0;
    while (zeros < 4096 && !reader.AtEnd() && reader.Peek(12) == 0) {
        reader.Skip(1);
        ++zeros;
    }
    if (reader.Peek(12) == 1) {
        reader.Skip(12);
        return true;
    }
    return false;
}

void PaintRow(const std::vector<int>& changes, int columns, bool blackIs1, std::uint8_t* row) {
    const std::uint8_t whiteByte = blackIs1 ? 0x00 : 0xFF;
    std::fill(row, row + (columns + 7) / 8, whiteByte);
    // changes alternate white->black, black->white.
    for (std::size_t i = 0; i + 1 <= changes.size(); i += 2) {
        const int from = std::min(changes[i], columns);
        const int to = i + 1 < changes.size() ? std::min(changes[i + 1], columns) : columns;
        for (int x = from; x < to; ++x) {
            const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            if (blackIs1)
                row[x >> 3] |= bit;
            else
                row[x >> 3] &= static_cast<std::uint8_t>(~bit);
        }
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> CcittDecode(std::span<const std::uint8_t> data,
                                                     const CcittParams& params,
                                                     std::size_t* consumed) {
    const int columns = params.columns;
    if (columns < 1 || columns > kMaxCcittColumns) return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(columns + 7) / 8;
    // Every row takes at least one bit, which bounds the rows of an open-ended stream.
    const std::size_t maxRows = params.rows > 0 ? static_cast<std::size_t>(params.rows) : data.size() * 8 + 1;
    std::vector<std::uint8_t> out;
    BitReader reader(data);
    std::vector<int> reference = {columns, columns};
    std::vector<int> coding;
    int eolsInARow = 0;
    for (std::size_t row = 0; row < maxRows && !reader.AtEnd(); ++row) {
        bool twoD = params.k < 0;
        if (params.k >= 0) {
            // Aligned data puts its fill bits before the EOL, so the EOL ends on a byte boundary:
            // aligning first could cut into the code.
            const bool eol = SkipEol(reader);
            if (!eol && params.encodedByteAlign) reader.Align();
            if (eol) {
                // Two codes in a row end the block (six in Group 3's return to control).
                while (reader.Peek(params.k > 0 ? 13 : 12) == (params.k > 0 ? 3u : 1u) && eolsInARow < 8) {
                    reader.Skip(12);
                    ++eolsInARow;
                }
                if (eolsInARow > 0 && params.endOfBlock) break;
            }
            if (params.k > 0) {
                twoD = reader.Peek(1) == 0;
                reader.Skip(1);
            }
        } else if (params.encodedByteAlign) {
            reader.Align();
        }
        coding.clear();
        bool failed = false;
        if (!twoD) {
            int a0 = 0;
            bool black = false;
            while (a0 < columns) {
                const int run = ReadRun(reader, black);
                if (run < 0) {
                    failed = true;
                    break;
                }
                a0 = std::min(a0 + run, columns);
                coding.push_back(a0);
                black = !black;
            }
        } else {
            int a0 = -1;
            bool black = false;
            std::size_t b = 0;
            while (a0 < columns) {
                // b1: the first change on the reference line right of a0 with the colour a0 is not.
                while (b < reference.size() && (reference[b] <= a0 || (b % 2 == 1) != black)) ++b;
                const int b1 = b < reference.size() ? reference[b] : columns;
                const int b2 = b + 1 < reference.size() ? reference[b + 1] : columns;
                int delta = 0;
                const Mode mode = ReadMode(reader, delta);
                if (mode == Mode::kPass) {
                    a0 = b2;
                } else if (mode == Mode::kHorizontal) {
                    const int start = std::max(a0, 0);
                    const int run1 = ReadRun(reader, black);
                    const int run2 = run1 < 0 ? -1 : ReadRun(reader, !black);
                    if (run2 < 0) {
                        failed = true;
                        break;
                    }
                    const int a1 = std::min(start + run1, columns);
                    const int a2 = std::min(a1 + run2, columns);
                    coding.push_back(a1);
                    coding.push_back(a2);
                    a0 = a2;
                } else if (mode == Mode::kVertical) {
                    const int a1 = b1 + delta;
                    if (a1 < std::max(a0, 0) || a1 > columns) {
                        failed = true;
                        break;
                    }
                    coding.push_back(a1);
                    a0 = a1;
                    black = !black;
                } else {
                    if (mode == Mode::kEol && params.k < 0) eolsInARow = 1;
                    failed = true;
                    break;
                }
                // A change left of b may now lie right of a0 (after a step to the left).
                while (b > 0 && reference[b - 1] > a0) --b;
            }
        }
        if (failed) {
            if (coding.empty() || eolsInARow > 0) break;
            // Keep the partial row, then stop: what follows cannot be trusted.
        }
        const std::size_t at = out.size();
        out.resize(at + rowBytes);
        PaintRow(coding, columns, params.blackIs1, out.data() + at);
        if (failed) break;
        reference = coding;
        reference.push_back(columns);
        reference.push_back(columns);
        eolsInARow = 0;
    }
    // Group 4 data that others follow ends with its end-of-block code, which belongs to it.
    if (params.k < 0 && reader.Peek(24) == 0x001001) reader.Skip(24);
    if (consumed != nullptr) *consumed = reader.BytesUsed();
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace pictrove::readers::codecs
