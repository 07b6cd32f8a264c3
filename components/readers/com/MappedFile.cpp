// Mapping a document file instead of reading it: a 2 GB document then costs address space and
// the system's file cache, not 2 GB of the process's own memory.
#include "MappedFile.h"

#include <cstdint>
#include <memory>

#include "common/Handles.h"

namespace pictrove::readers {
namespace {

// The parsers count offsets in 32 bits in places; larger files are refused, not misread.
constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 31;

class MappedView final : public ByteOwner {
  public:
    MappedView(const void* view, std::size_t size) : view_(view), size_(size) {}
    ~MappedView() override { UnmapViewOfFile(view_); }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    std::span<const std::uint8_t> Bytes() const override { return {static_cast<const std::uint8_t*>(view_), size_}; }

  private:
    const void* view_;
    std::size_t size_;
};

}  // namespace

HRESULT MapDocumentFile(const wchar_t* path, FileBytes& bytes) {
    bytes = FileBytes();
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return HRESULT_FROM_WIN32(GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxFileSize) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    // An empty file cannot be mapped; it is handed on as no bytes for the reader to refuse.
    if (size.QuadPart == 0) return S_OK;
    // The mapping keeps the file open; our handles to it can go once the view exists.
    UniqueHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return HRESULT_FROM_WIN32(GetLastError());
    const void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    bytes = FileBytes(std::make_shared<const MappedView>(view, static_cast<std::size_t>(size.QuadPart)));
    return S_OK;
}

}  // namespace pictrove::readers
