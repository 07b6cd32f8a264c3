// The bytes of a document as the readers see them: a read-only view that shares ownership of
// whatever holds them. On Windows that is a mapping of the file, so a large document costs
// address space, not private memory; elsewhere (and for bytes made in memory) a vector. Copies
// share the same bytes, so a source keeps the document by copying the view, never the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace pictrove::readers {

// Whatever keeps the bytes alive; they never change or move while it lives.
class ByteOwner {
  public:
    virtual ~ByteOwner() = default;
    virtual std::span<const std::uint8_t> Bytes() const = 0;
};

class FileBytes {
  public:
    using value_type = std::uint8_t;
    using const_iterator = const std::uint8_t*;
    using iterator = const_iterator;

    FileBytes() = default;
    // Takes the vector over (no copy when moved in).
    FileBytes(std::vector<std::uint8_t> bytes);  // NOLINT(google-explicit-constructor): bytes made in memory
    FileBytes(std::initializer_list<std::uint8_t> bytes) : FileBytes(std::vector<std::uint8_t>(bytes)) {}
    explicit FileBytes(std::shared_ptr<const ByteOwner> owner) : owner_(std::move(owner)) {
        if (!owner_) return;
        const std::span<const std::uint8_t> bytes = owner_->Bytes();
        data_ = bytes.data();
        size_ = bytes.size();
    }

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t& operator[](std::size_t i) const { return data_[i]; }
    const_iterator begin() const { return data_; }
    const_iterator end() const { return data_ + size_; }
    operator std::span<const std::uint8_t>() const { return {data_, size_}; }  // NOLINT

    // Replaces the view by an owned copy of [first, last).
    void assign(const std::uint8_t* first, const std::uint8_t* last) {
        *this = FileBytes(std::vector<std::uint8_t>(first, last));
    }
    void clear() { *this = FileBytes(); }

  private:
    std::shared_ptr<const ByteOwner> owner_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

namespace detail {

class VectorBytes final : public ByteOwner {
  public:
    explicit VectorBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::span<const std::uint8_t> Bytes() const override { return bytes_; }

  private:
    const std::vector<std::uint8_t> bytes_;
};

}  // namespace detail

inline FileBytes::FileBytes(std::vector<std::uint8_t> bytes)
    : FileBytes(bytes.empty() ? nullptr : std::make_shared<const detail::VectorBytes>(std::move(bytes))) {}

}  // namespace pictrove::readers
