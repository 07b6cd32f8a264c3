// IStream over a span: reading, seeking and describing only; every change is refused.
#include "SpanStream.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace pictrove::readers {
namespace {

class SpanStream final : public IStream {
  public:
    SpanStream(std::span<const std::uint8_t> bytes, std::uint64_t position) : bytes_(bytes), position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* read) override {
        if (buffer == nullptr && wanted != 0) return STG_E_INVALIDPOINTER;
        const std::uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const ULONG count = static_cast<ULONG>(std::min<std::uint64_t>(wanted, left));
        if (count != 0) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read != nullptr) *read = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written != nullptr) *written = 0;
        return STG_E_ACCESSDENIED;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET:
                break;
            case STREAM_SEEK_CUR:
                base = static_cast<std::int64_t>(position_);
                break;
            case STREAM_SEEK_END:
                base = static_cast<std::int64_t>(bytes_.size());
                break;
            default:
                return STG_E_INVALIDFUNCTION;
        }
        // Before the start is an error; past the end is allowed and reads nothing.
        if (move.QuadPart < -base) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<std::uint64_t>(base + move.QuadPart);
        if (newPosition != nullptr) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target,
                                     ULARGE_INTEGER wanted,
                                     ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        if (target == nullptr) return STG_E_INVALIDPOINTER;
        const std::uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        std::uint64_t count = std::min<std::uint64_t>(wanted.QuadPart, left);
        std::uint64_t done = 0;
        HRESULT result = S_OK;
        while (done < count) {
            const ULONG chunk = static_cast<ULONG>(std::min<std::uint64_t>(count - done, 1u << 20));
            ULONG wrote = 0;
            result = target->Write(bytes_.data() + position_ + done, chunk, &wrote);
            done += wrote;
            if (FAILED(result) || wrote < chunk) break;
        }
        position_ += done;
        if (read != nullptr) read->QuadPart = done;
        if (written != nullptr) written->QuadPart = done;
        return FAILED(result) ? result : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy == nullptr) return STG_E_INVALIDPOINTER;
        *copy = new (std::nothrow) SpanStream(bytes_, position_);
        return *copy == nullptr ? E_OUTOFMEMORY : S_OK;
    }

  private:
    ~SpanStream() = default;

    std::atomic<ULONG> references_{1};
    const std::span<const std::uint8_t> bytes_;
    std::uint64_t position_;
};

}  // namespace

IStream* CreateSpanStream(std::span<const std::uint8_t> bytes) {
    return new (std::nothrow) SpanStream(bytes, 0);
}

}  // namespace pictrove::readers
