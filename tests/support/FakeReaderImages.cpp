// In-memory reader objects with call logs and reference counts.
#include "tests/support/FakeReaderImages.h"

#include <cstring>

namespace pictrove::test {

void CallLog::Add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
}

std::vector<std::string> CallLog::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

void CallLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

int ReaderBytesPerPixel(int pixelType) {
    switch (pixelType) {
        case 0:
            return 4;
        case 1:
            return 3;
        default:
            return 1;
    }
}

FakeReaderImage::FakeReaderImage(int pixelType,
                                 int width,
                                 int height,
                                 int stride,
                                 int layout,
                                 std::shared_ptr<std::vector<BYTE>> pixels,
                                 CallLog* log)
    : pixelType_(pixelType),
      width_(width),
      height_(height),
      stride_(stride),
      layout_(layout),
      pixels_(std::move(pixels)),
      log_(log) {}

FakeReaderImage* FakeReaderImage::FromRows(int pixelType,
                                           int width,
                                           int height,
                                           int stride,
                                           int layout,
                                           const std::vector<BYTE>& topDownPixels,
                                           CallLog* log) {
    const int bpp = ReaderBytesPerPixel(pixelType);
    auto stored = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(stride) * height, BYTE{0xEE});
    for (int y = 0; y < height; ++y) {
        const int storedRow = (layout & kLayoutBottomUp) ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const int storedColumn = (layout & kLayoutMirroredRows) ? width - 1 - x : x;
            std::memcpy(
                stored->data() + static_cast<size_t>(storedRow) * stride + static_cast<size_t>(storedColumn) * bpp,
                topDownPixels.data() + (static_cast<size_t>(y) * width + x) * bpp, static_cast<size_t>(bpp));
        }
    }
    return new FakeReaderImage(pixelType, width, height, stride, layout, std::move(stored), log);
}

HRESULT FakeReaderImage::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, kIidReaderImage)) {
        Log("QueryInterface(ReaderImage)");
        *out = static_cast<ReaderImage*>(this);
    } else if (IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IUnknown*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG FakeReaderImage::AddRef() {
    return ++refs_;
}

ULONG FakeReaderImage::Release() {
    Log("Release");
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT FakeReaderImage::GetPixelType(int* type) {
    Log("GetPixelType");
    *type = pixelType_;
    return S_OK;
}

HRESULT FakeReaderImage::SetPixelType(int type) {
    Log(("SetPixelType(" + std::to_string(type) + ")").c_str());
    pixelType_ = type;
    return S_OK;
}

HRESULT FakeReaderImage::GetWidth(int* width) {
    Log("GetWidth");
    *width = width_;
    return S_OK;
}

HRESULT FakeReaderImage::GetHeight(int* height) {
    Log("GetHeight");
    *height = height_;
    return S_OK;
}

HRESULT FakeReaderImage::GetStride(int* stride) {
    Log("GetStride");
    *stride = stride_;
    return S_OK;
}

HRESULT FakeReaderImage::GetLayout(int* layout) {
    Log("GetLayout");
    *layout = layout_;
    return S_OK;
}

HRESULT FakeReaderImage::GetBits(BYTE** bits) {
    Log("GetBits");
    *bits = pixels_ && !pixels_->empty() ? pixels_->data() : nullptr;
    return S_OK;
}

HRESULT FakeUnknown::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
}

ULONG FakeUnknown::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

FakeImageCollection::~FakeImageCollection() {
    for (Entry& entry : entries_) {
        if (entry.image)
            entry.image->Release();
    }
}

void FakeImageCollection::Add(std::wstring name, IUnknown* image) {
    if (image)
        image->AddRef();
    entries_.push_back({std::move(name), image});
}

HRESULT FakeImageCollection::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, kIidImageCollection) && !IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *out = static_cast<ImageCollection*>(this);
    AddRef();
    return S_OK;
}

ULONG FakeImageCollection::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT FakeImageCollection::GetImageCount(int* count) {
    Log("GetImageCount");
    *count = reportedCount_ >= 0 ? reportedCount_ : static_cast<int>(entries_.size());
    return S_OK;
}

HRESULT FakeImageCollection::GetImageWidth(int index, int* width) {
    *width = 0;
    return E_NOTIMPL;
}

HRESULT FakeImageCollection::GetImageHeight(int index, int* height) {
    *height = 0;
    return E_NOTIMPL;
}

HRESULT FakeImageCollection::GetImageName(int index, BSTR* name) {
    Log("GetImageName(" + std::to_string(index) + ")");
    *name = nullptr;
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        return E_INVALIDARG;
    const std::wstring& text = entries_[static_cast<size_t>(index)].name;
    *name = text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

HRESULT FakeImageCollection::GetImage(int index, IUnknown** image) {
    Log("GetImage(" + std::to_string(index) + ")");
    ++getImageCalls_;
    *image = nullptr;
    if (onGetImage_)
        onGetImage_(index);
    if (index < 0 || index >= static_cast<int>(entries_.size()))
        return E_INVALIDARG;
    IUnknown* found = entries_[static_cast<size_t>(index)].image;
    if (!found)
        return E_FAIL;
    found->AddRef();
    *image = found;
    return S_OK;
}

}  // namespace pictrove::test
