// Pixel object of one decoded picture.
#include "ImageObject.h"

#include "StoredPictureAccess.h"

namespace pictrove::readers {

HRESULT ImageObject::GetPixelType(int* type) {
    if (type == nullptr) return E_POINTER;
    *type = static_cast<int>(InterlockedCompareExchange(&type_, 0, 0));
    return S_OK;
}

HRESULT ImageObject::SetPixelType(int type) {
    // The application turns gray-plus-one into gray after adjusting the bytes itself. A type with
    // another pixel size would make the buffer read out of bounds, so it is refused.
    if (type < 0 || type > 3) return E_INVALIDARG;
    if (BytesPerPixel(static_cast<PixelType>(type)) != BytesPerPixel(image_.type)) return E_INVALIDARG;
    InterlockedExchange(&type_, type);
    return S_OK;
}

HRESULT ImageObject::GetWidth(int* width) {
    if (width == nullptr) return E_POINTER;
    *width = image_.width;
    return S_OK;
}

HRESULT ImageObject::GetHeight(int* height) {
    if (height == nullptr) return E_POINTER;
    *height = image_.height;
    return S_OK;
}

HRESULT ImageObject::GetStride(int* stride) {
    if (stride == nullptr) return E_POINTER;
    *stride = image_.stride;
    return S_OK;
}

HRESULT ImageObject::GetLayout(int* layout) {
    if (layout == nullptr) return E_POINTER;
    *layout = image_.layout;
    return S_OK;
}

HRESULT ImageObject::GetBits(BYTE** bits) {
    if (bits == nullptr) return E_POINTER;
    *bits = image_.bytes.empty() ? nullptr : image_.bytes.data();
    return S_OK;
}

HRESULT ImageObject::GetStoredFormat(int* format) {
    if (format == nullptr) return E_POINTER;
    *format = kStoredNone;
    const std::shared_ptr<OpenDocument> document = document_.lock();
    if (!document) return CO_E_OBJNOTCONNECTED;
    return Guarded([&]() -> HRESULT {
        *format = static_cast<int>(StoredInfoOf(*document, index_).format);
        return S_OK;
    });
}

HRESULT ImageObject::GetStoredBytes(BYTE** bytes, ULONG* size) {
    const std::shared_ptr<OpenDocument> document = document_.lock();
    if (!document) {
        if (bytes == nullptr || size == nullptr) return E_POINTER;
        *bytes = nullptr;
        *size = 0;
        return CO_E_OBJNOTCONNECTED;
    }
    return CopyStoredBytes(*document, index_, bytes, size);
}

}  // namespace pictrove::readers
