// Opening a document through its format's source.
#include "ReaderObject.h"

#include "CollectionObject.h"
#include "common/Handles.h"

namespace pictrove::readers {
namespace {

// Refuses files that could not be held in memory with room to spare for decoding.
constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 31;

}  // namespace

HRESULT ReadWholeFile(const wchar_t* path, std::vector<std::uint8_t>& bytes) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return HRESULT_FROM_WIN32(GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxFileSize) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, chunk, &read, nullptr)) {
            return HRESULT_FROM_WIN32(GetLastError());
        }
        if (read == 0) break;  // the file shrank while being read
        done += read;
    }
    bytes.resize(done);
    return S_OK;
}

std::optional<HRESULT> ReaderObject::QueryInterfaceHook(REFIID iid, void** object) {
    if (!IsEqualIID(iid, kIidImageCollection)) return std::nullopt;
    // The collection is an object of its own that shares the open document, so it goes on
    // working once the reader is released.
    return Guarded([&]() -> HRESULT {
        std::lock_guard guard(lock_);
        if (!document_) return E_NOINTERFACE;
        if (!collection_) {
            // Not ComPtr::Attach: MinGW's takes an extra reference there, unlike MSVC's.
            ImageCollection* made = new CollectionObject(document_);
            collection_ = made;
            made->Release();
        }
        collection_.CopyTo(reinterpret_cast<ImageCollection**>(object));
        return S_OK;
    });
}

HRESULT ReaderObject::SetPassword(BSTR password) {
    return Guarded([&]() -> HRESULT {
        std::lock_guard guard(lock_);
        password_.assign(reinterpret_cast<const char16_t*>(password ? password : L""), SysStringLen(password));
        return S_OK;
    });
}

HRESULT ReaderObject::Open(BSTR path) {
    return Guarded([&]() -> HRESULT {
        std::lock_guard guard(lock_);
        // Whatever was open is given up first: a failed Open leaves nothing open.
        document_.reset();
        collection_.Reset();
        if (path == nullptr || SysStringLen(path) == 0) return E_INVALIDARG;

        OpenRequest request;
        request.path.assign(reinterpret_cast<const char16_t*>(path), SysStringLen(path));
        request.password = password_;
        const HRESULT read = ReadWholeFile(path, request.bytes);
        if (FAILED(read)) return read;

        auto source = create_();
        switch (source->Open(std::move(request))) {
            case OpenStatus::kOpened:
                document_ = std::make_shared<OpenDocument>(std::move(source));
                return S_OK;
            case OpenStatus::kNeedsPassword:
                return kOpenNeedsPassword;
            case OpenStatus::kProtected:
                return kOpenProtectedUnreadable;
            case OpenStatus::kNotReadable:
                break;
        }
        return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
    });
}

}  // namespace pictrove::readers
