// Image collection of an open document.
#include "CollectionObject.h"

#include <algorithm>

#include "ImageObject.h"
#include "StoredPictureAccess.h"

namespace pictrove::readers {

const ImageEntry* CollectionObject::Entry(int index) const {
    const auto& images = document_->source->Images();
    if (index < 0 || static_cast<std::size_t>(index) >= images.size()) return nullptr;
    return &images[static_cast<std::size_t>(index)];
}

HRESULT CollectionObject::GetImageCount(int* count) {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<int>(document_->source->Images().size());
    return S_OK;
}

HRESULT CollectionObject::GetCondition(int* condition) {
    if (condition == nullptr) return E_POINTER;
    *condition = document_->source->Damaged() ? kDocumentDamaged : kDocumentWhole;
    return S_OK;
}

HRESULT CollectionObject::GetImageWidth(int index, int* width) {
    if (width == nullptr) return E_POINTER;
    *width = 0;
    const ImageEntry* entry = Entry(index);
    if (entry == nullptr) return E_INVALIDARG;
    *width = entry->width;
    return S_OK;
}

HRESULT CollectionObject::GetImageHeight(int index, int* height) {
    if (height == nullptr) return E_POINTER;
    *height = 0;
    const ImageEntry* entry = Entry(index);
    if (entry == nullptr) return E_INVALIDARG;
    *height = entry->height;
    return S_OK;
}

HRESULT CollectionObject::GetImageName(int index, BSTR* name) {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    const ImageEntry* entry = Entry(index);
    if (entry == nullptr) return E_INVALIDARG;
    *name =
        SysAllocStringLen(reinterpret_cast<const OLECHAR*>(entry->name.data()), static_cast<UINT>(entry->name.size()));
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CollectionObject::GetImage(int index, IUnknown** image) {
    if (image == nullptr) return E_POINTER;
    *image = nullptr;
    if (Entry(index) == nullptr) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        std::optional<DecodedImage> decoded;
        LimitBreach breach = LimitBreach::kNone;
        bool undecodable = false;
        {
            std::lock_guard guard(document_->decodeLock);
            TakeLimitBreach();  // whatever an earlier call on this thread left
            decoded = document_->source->Decode(static_cast<std::size_t>(index));
            breach = TakeLimitBreach();
            if (!decoded) undecodable = document_->source->Stored(static_cast<std::size_t>(index)).undecodable;
        }
        if (!decoded) {
            if (breach == LimitBreach::kPixels) return kImageOverPixelLimit;
            if (breach == LimitBreach::kStreamBytes) return kImageOverStreamLimit;
            if (undecodable) return kImageKindNotDecoded;
            return E_FAIL;
        }
        *image =
            static_cast<ReaderImage*>(new ImageObject(std::move(*decoded), document_, static_cast<std::size_t>(index)));
        return S_OK;
    });
}

HRESULT CollectionObject::GetStoredFormat(int index, int* format) {
    if (format == nullptr) return E_POINTER;
    *format = kStoredNone;
    if (Entry(index) == nullptr) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        *format = static_cast<int>(StoredInfoOf(*document_, static_cast<std::size_t>(index)).format);
        return S_OK;
    });
}

HRESULT CollectionObject::GetKnownPixelType(int index, int* type) {
    if (type == nullptr) return E_POINTER;
    *type = -1;
    if (Entry(index) == nullptr) return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        const StoredInfo info = StoredInfoOf(*document_, static_cast<std::size_t>(index));
        if (!info.pixelType) return S_FALSE;
        *type = static_cast<int>(*info.pixelType);
        return S_OK;
    });
}

HRESULT CollectionObject::GetStoredBytes(int index, BYTE** bytes, ULONG* size) {
    if (bytes == nullptr || size == nullptr) return E_POINTER;
    *bytes = nullptr;
    *size = 0;
    if (Entry(index) == nullptr) return E_INVALIDARG;
    return CopyStoredBytes(*document_, static_cast<std::size_t>(index), bytes, size);
}

// The places were listed at opening and no longer change: no lock is needed to read them.
HRESULT CollectionObject::GetPageCount(int* count) {
    if (count == nullptr) return E_POINTER;
    *count = document_->source->PageCount();
    return S_OK;
}

HRESULT CollectionObject::GetImagePages(int index, int* pages, int capacity, int* count) {
    if (count == nullptr || (pages == nullptr && capacity > 0)) return E_POINTER;
    *count = 0;
    if (Entry(index) == nullptr || capacity < 0) return E_INVALIDARG;
    const std::vector<int>& listed = document_->source->Places(static_cast<std::size_t>(index)).pages;
    const std::size_t written = std::min(listed.size(), static_cast<std::size_t>(capacity));
    std::copy_n(listed.begin(), written, pages);
    *count = static_cast<int>(listed.size());
    return written == listed.size() ? S_OK : S_FALSE;
}

HRESULT CollectionObject::GetPlacementCount(int index, int* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (Entry(index) == nullptr) return E_INVALIDARG;
    *count = static_cast<int>(document_->source->Places(static_cast<std::size_t>(index)).placements.size());
    return S_OK;
}

HRESULT CollectionObject::GetPlacement(int index, int placement, PicturePlacement* out) {
    if (out == nullptr) return E_POINTER;
    *out = {};
    if (Entry(index) == nullptr) return E_INVALIDARG;
    const auto& placements = document_->source->Places(static_cast<std::size_t>(index)).placements;
    if (placement < 0 || static_cast<std::size_t>(placement) >= placements.size()) return E_INVALIDARG;
    const Placement& at = placements[static_cast<std::size_t>(placement)];
    *out = {at.page, at.x, at.y, at.width, at.height, at.ppiX, at.ppiY};
    return S_OK;
}

}  // namespace pictrove::readers
