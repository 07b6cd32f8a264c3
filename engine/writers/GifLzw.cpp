// Codes grow from minCodeSize + 1 bits to 12; when the table is full a clear code starts it
// again. Strings are found through an open-addressed table of (prefix code, next index) keys.
#include "engine/writers/GifLzw.h"

#include <algorithm>
#include <array>
#include <memory>

namespace pictrove {

namespace {

constexpr int kMaxBits = 12;
constexpr std::uint32_t kLastCode = (1u << kMaxBits) - 1;
constexpr std::size_t kSlots = 8192;  // twice the codes there can be, a power of two
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

// Codes packed least significant bit first, cut into sub-blocks of up to 255 bytes.
class CodeWriter {
  public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Put(std::uint32_t code, int bits) {
        buffer_ |= static_cast<std::uint64_t>(code) << held_;
        held_ += bits;
        while (held_ >= 8) {
            Byte(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            held_ -= 8;
        }
    }

    void Finish() {
        if (held_ > 0) Byte(static_cast<std::uint8_t>(buffer_));
        buffer_ = 0;
        held_ = 0;
        if (blockLength_ > 0) EmitBlock();
        out_.push_back(0);
    }

  private:
    void Byte(std::uint8_t value) {
        block_[blockLength_++] = value;
        if (blockLength_ == 255) EmitBlock();
    }
    void EmitBlock() {
        out_.push_back(static_cast<std::uint8_t>(blockLength_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + blockLength_);
        blockLength_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::array<std::uint8_t, 255> block_{};
    std::size_t blockLength_ = 0;
    std::uint64_t buffer_ = 0;
    int held_ = 0;
};

class StringTable {
  public:
    StringTable() { Clear(); }
    void Clear() { keys_.fill(kEmpty); }
    // The code of key, or -1 with slot set to where it would go.
    int Find(std::uint32_t key, std::size_t& slot) const {
        slot = (key * 2654435761u) >> (32 - 13);
        while (keys_[slot] != kEmpty) {
            if (keys_[slot] == key) return codes_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        return -1;
    }
    void Insert(std::size_t slot, std::uint32_t key, std::uint16_t code) {
        keys_[slot] = key;
        codes_[slot] = code;
    }

  private:
    std::array<std::uint32_t, kSlots> keys_;
    std::array<std::uint16_t, kSlots> codes_{};
};

static_assert(kSlots == 1u << 13, "the hash takes the top 13 bits");

}  // namespace

void AppendGifLzw(const std::uint8_t* indexes, std::size_t count, int minCodeSize, std::vector<std::uint8_t>& out) {
    minCodeSize = std::clamp(minCodeSize, 2, 8);
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    CodeWriter writer(out);
    auto table = std::make_unique<StringTable>();
    int bits = minCodeSize + 1;
    std::uint32_t nextCode = endCode + 1;
    // A code is written at the width in force; once the next free code reaches that width's
    // limit, the following codes take one bit more, the moment a decoder widens too.
    auto emit = [&](std::uint32_t code) {
        writer.Put(code, bits);
        if (nextCode >= (1u << bits) && bits < kMaxBits) ++bits;
    };
    emit(clearCode);
    if (count != 0) {
        std::uint32_t prefix = indexes[0];
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint32_t index = indexes[i];
            const std::uint32_t key = prefix << 8 | index;
            std::size_t slot = 0;
            const int found = table->Find(key, slot);
            if (found >= 0) {
                prefix = static_cast<std::uint32_t>(found);
                continue;
            }
            emit(prefix);
            prefix = index;
            if (nextCode >= kLastCode) {
                emit(clearCode);
                table->Clear();
                bits = minCodeSize + 1;
                nextCode = endCode + 1;
            } else {
                table->Insert(slot, key, static_cast<std::uint16_t>(nextCode++));
            }
        }
        emit(prefix);
    }
    emit(endCode);
    writer.Finish();
}

}  // namespace pictrove
