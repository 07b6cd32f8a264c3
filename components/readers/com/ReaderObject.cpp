// Opening a document through its format's source.
#include "ReaderObject.h"

#include "CollectionObject.h"
#include "MappedFile.h"
#include "common/Handles.h"

namespace pictrove::readers {
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
        const HRESULT read = MapDocumentFile(path, request.bytes);
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
