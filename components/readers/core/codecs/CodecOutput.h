// What the decoders of this folder share: a bounded place to write to, and how a decode ended.
// Each format decides from the end whether a short or damaged stream is still worth showing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace pictrove::readers::codecs {

enum class DecodeEnd {
    kOutputFull,   // the output's limit was reached between two codes
    kEndCode,      // the data's own end-of-data code
    kInputEnd,     // the input ran out between two codes
    kTruncated,    // the input ran out inside a code: what it had was written
    kOutputCut,    // a code would have written past the limit: what fitted was written
    kInvalidCode,  // a code the format does not allow at that point
};

struct DecodeResult {
    std::size_t written = 0;
    DecodeEnd end = DecodeEnd::kInputEnd;
};

// Where a decoder writes: a buffer of fixed size, or a vector that grows up to a limit (so a
// small stream cannot make the reader take gigabytes before it is found out).
class ByteSink {
  public:
    explicit ByteSink(std::span<std::uint8_t> buffer) : buffer_(buffer), limit_(buffer.size()) {}
    // Appends to vector, at most limit bytes.
    ByteSink(std::vector<std::uint8_t>& vector, std::size_t limit) : vector_(&vector), limit_(limit) {}

    std::size_t Written() const { return written_; }
    std::size_t Room() const { return limit_ - written_; }
    bool Full() const { return written_ >= limit_; }

    // The next count bytes (count <= Room()) for the caller to fill.
    std::uint8_t* Extend(std::size_t count) {
        std::uint8_t* at = nullptr;
        if (vector_ != nullptr) {
            const std::size_t size = vector_->size();
            vector_->resize(size + count);
            at = vector_->data() + size;
        } else {
            at = buffer_.data() + written_;
        }
        written_ += count;
        return at;
    }
    void Append(const std::uint8_t* data, std::size_t count) {
        if (count > 0) std::memcpy(Extend(count), data, count);
    }

  private:
    std::span<std::uint8_t> buffer_;
    std::vector<std::uint8_t>* vector_ = nullptr;
    std::size_t limit_ = 0;
    std::size_t written_ = 0;
};

}  // namespace pictrove::readers::codecs
