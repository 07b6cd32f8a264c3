// Stored pictures of an open document for the COM objects.
#include "StoredPictureAccess.h"

#include <cstring>
#include <limits>

#include "Module.h"

namespace pictrove::readers {

StoredInfo StoredInfoOf(OpenDocument& document, std::size_t index) {
    if (index >= document.source->Images().size()) return {};
    std::lock_guard guard(document.decodeLock);
    return document.source->Stored(index);
}

HRESULT CopyStoredBytes(OpenDocument& document, std::size_t index, BYTE** bytes, ULONG* size) {
    if (bytes == nullptr || size == nullptr) return E_POINTER;
    *bytes = nullptr;
    *size = 0;
    if (index >= document.source->Images().size()) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        std::optional<std::vector<std::uint8_t>> stored;
        {
            std::lock_guard guard(document.decodeLock);
            if (document.source->Stored(index).format == StoredFormat::kNone) return S_FALSE;
            stored = document.source->StoredBytes(index);
        }
        if (!stored || stored->empty()) return E_FAIL;
        if (stored->size() > std::numeric_limits<ULONG>::max()) return E_OUTOFMEMORY;
        auto* block = static_cast<BYTE*>(CoTaskMemAlloc(stored->size()));
        if (block == nullptr) return E_OUTOFMEMORY;
        std::memcpy(block, stored->data(), stored->size());
        *bytes = block;
        *size = static_cast<ULONG>(stored->size());
        return S_OK;
    });
}

}  // namespace pictrove::readers
