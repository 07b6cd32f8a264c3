// Bounds-checked reading of little- and big-endian fields from a byte span. A read past the end
// yields zeros and marks the reader failed, so a parser can read a whole header and check once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pictrove::readers {

// Fields at a place already known to be inside the data.
inline std::uint16_t LoadU16LE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint16_t LoadU16BE(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t LoadU32LE(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline std::uint32_t LoadU32BE(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}
inline std::uint64_t LoadU64BE(const std::uint8_t* p) {
    return std::uint64_t{LoadU32BE(p)} << 32 | LoadU32BE(p + 4);
}

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t position = 0)
        : data_(data), position_(position), failed_(position > data.size()) {}

    bool Ok() const { return !failed_; }
    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return failed_ ? 0 : data_.size() - position_; }
    std::span<const std::uint8_t> Data() const { return data_; }

    std::uint8_t U8() { return static_cast<std::uint8_t>(ReadLE(1)); }
    std::uint16_t U16LE() { return static_cast<std::uint16_t>(ReadLE(2)); }
    std::uint32_t U32LE() { return static_cast<std::uint32_t>(ReadLE(4)); }
    std::uint16_t U16BE() { return static_cast<std::uint16_t>(ReadBE(2)); }
    std::uint32_t U32BE() { return static_cast<std::uint32_t>(ReadBE(4)); }

    // The next count bytes, or an empty span (and failure) when fewer remain.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        if (!Take(count)) return {};
        return data_.subspan(position_ - count, count);
    }
    bool Skip(std::size_t count) { return Take(count); }
    bool Seek(std::size_t position) {
        if (failed_ || position > data_.size()) {
            failed_ = true;
            return false;
        }
        position_ = position;
        return true;
    }

  private:
    bool Take(std::size_t count) {
        if (failed_ || count > data_.size() - position_) {
            failed_ = true;
            return false;
        }
        position_ += count;
        return true;
    }
    std::uint64_t ReadLE(std::size_t size) {
        if (!Take(size)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{data_[position_ - size + i]} << (8 * i);
        return value;
    }
    std::uint64_t ReadBE(std::size_t size) {
        if (!Take(size)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value = (value << 8) | data_[position_ - size + i];
        return value;
    }

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace pictrove::readers
