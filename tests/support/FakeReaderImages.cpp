// In-memory reader objects with call logs, reference counts and stored pixels in any layout.
#include "tests/support/FakeReaderImages.h"

#include <algorithm>
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

namespace {

// A fake stores even a pixel type the program does not know, one byte a pixel, so tests can
// hand such an image to the code that must refuse it.
int StoredBytesPerPixel(int pixelType) {
    const int known = ReaderBytesPerPixel(pixelType);
    return known != 0 ? known : 1;
}

// Stores a picture as a reader would: each pixel (x, y as seen) is written by put where the
// layout flags place it, rows stride bytes apart, padding left as 0xEE.
template <class PutPixel>
std::shared_ptr<std::vector<BYTE>> StoreRows(int pixelType,
                                             int width,
                                             int height,
                                             int stride,
                                             int layout,
                                             PutPixel put) {
    const int bpp = StoredBytesPerPixel(pixelType);
    auto stored = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(stride) * std::max(height, 0), BYTE{0xEE});
    for (int y = 0; y < height; ++y) {
        const int storedRow = (layout & kLayoutBottomUp) ? height - 1 - y : y;
        for (int x = 0; x < width; ++x) {
            const int storedColumn = (layout & kLayoutMirroredRows) ? width - 1 - x : x;
            put(x, y,
                stored->data() + static_cast<size_t>(storedRow) * stride + static_cast<size_t>(storedColumn) * bpp);
        }
    }
    return stored;
}

}  // namespace

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
      log_(log) {
    ++live_;
}

FakeReaderImage::~FakeReaderImage() {
    --live_;
}

FakeReaderImage* FakeReaderImage::FromRows(int pixelType,
                                           int width,
                                           int height,
                                           int stride,
                                           int layout,
                                           const std::vector<BYTE>& topDownPixels,
                                           CallLog* log) {
    const int bpp = StoredBytesPerPixel(pixelType);
    auto stored = StoreRows(pixelType, width, height, stride, layout, [&](int x, int y, BYTE* at) {
        std::memcpy(at, topDownPixels.data() + (static_cast<size_t>(y) * width + x) * bpp, static_cast<size_t>(bpp));
    });
    return new FakeReaderImage(pixelType, width, height, stride, layout, std::move(stored), log);
}

Microsoft::WRL::ComPtr<FakeReaderImage> FakeReaderImage::Make(const FakeImageShape& shape,
                                                              const std::function<Rgba(int x, int y)>& colourAt) {
    const int rowBytes = shape.width * StoredBytesPerPixel(shape.pixelType) + shape.padding;
    auto stored =
        StoreRows(shape.pixelType, shape.width, shape.height, rowBytes, shape.layout, [&](int x, int y, BYTE* p) {
            const Rgba colour = colourAt(x, y);
            switch (shape.pixelType) {
                case kPixelBgra32:
                    p[3] = colour.a;
                    [[fallthrough]];
                case kPixelBgr24:
                    p[0] = colour.b;
                    p[1] = colour.g;
                    p[2] = colour.r;
                    break;
                case kPixelGrayPlusOne8:
                    p[0] = static_cast<BYTE>(colour.r + 1);
                    break;
                default:
                    p[0] = colour.r;
                    break;
            }
        });
    int stride = rowBytes;
    size_t firstRow = 0;
    if (shape.negativeStride && !stored->empty()) {
        // Same rows, stored from the end of the buffer back to its start.
        std::vector<BYTE> reversed(stored->size());
        for (int r = 0; r < shape.height; ++r) {
            std::copy_n(stored->data() + static_cast<size_t>(r) * rowBytes, rowBytes,
                        reversed.data() + static_cast<size_t>(shape.height - 1 - r) * rowBytes);
        }
        stored->swap(reversed);
        stride = -rowBytes;
        firstRow = stored->size() - rowBytes;
    }
    auto image =
        Adopt(new FakeReaderImage(shape.pixelType, shape.width, shape.height, stride, shape.layout, std::move(stored)));
    image->firstRow_ = firstRow;
    image->answersReaderImage_ = shape.answersReaderImage;
    return image;
}

std::optional<HRESULT> FakeReaderImage::QueryInterfaceHook(REFIID iid, void**) {
    if (!IsEqualIID(iid, kIidReaderImage)) return std::nullopt;
    Log("QueryInterface(ReaderImage)");
    if (!answersReaderImage_) return E_NOINTERFACE;
    return std::nullopt;
}

ULONG FakeReaderImage::Release() {
    Log("Release");
    return ComObject::Release();
}

HRESULT FakeReaderImage::GetPixelType(int* type) {
    Log("GetPixelType");
    *type = pixelType_;
    return S_OK;
}

HRESULT FakeReaderImage::SetPixelType(int type) {
    Log(("SetPixelType(" + std::to_string(type) + ")").c_str());
    ++setPixelTypeCalls_;
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
    *bits = pixels_ && !pixels_->empty() ? pixels_->data() + firstRow_ : nullptr;
    return S_OK;
}

FakeImageCollection::~FakeImageCollection() {
    for (Entry& entry : entries_) {
        if (entry.image) entry.image->Release();
    }
}

void FakeImageCollection::Add(std::wstring name, IUnknown* image) {
    if (image) image->AddRef();
    entries_.push_back({std::move(name), image});
}

void FakeImageCollection::AddRefused(std::wstring name, HRESULT failure) {
    entries_.push_back({std::move(name), nullptr, failure});
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
    if (index < 0 || index >= static_cast<int>(entries_.size())) return E_INVALIDARG;
    const std::wstring& text = entries_[static_cast<size_t>(index)].name;
    *name = text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

HRESULT FakeImageCollection::GetImage(int index, IUnknown** image) {
    Log("GetImage(" + std::to_string(index) + ")");
    ++getImageCalls_;
    *image = nullptr;
    if (onGetImage_) onGetImage_(index);
    if (index < 0 || index >= static_cast<int>(entries_.size())) return E_INVALIDARG;
    IUnknown* found = entries_[static_cast<size_t>(index)].image;
    if (!found) return entries_[static_cast<size_t>(index)].failure;
    found->AddRef();
    *image = found;
    return S_OK;
}

void FakeImageCollection::SetStored(int index, int format, std::vector<BYTE> bytes, int knownPixelType) {
    offersStored_ = true;
    if (stored_.size() <= static_cast<size_t>(index)) stored_.resize(static_cast<size_t>(index) + 1);
    stored_[static_cast<size_t>(index)] = {format, std::move(bytes), knownPixelType};
}

std::optional<HRESULT> FakeImageCollection::QueryInterfaceHook(REFIID iid, void**) {
    if (IsEqualIID(iid, kIidStoredPictureList) && !offersStored_) return E_NOINTERFACE;
    return std::nullopt;
}

const FakeImageCollection::Stored* FakeImageCollection::StoredAt(int index) const {
    static const Stored kNone;
    if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
    return static_cast<size_t>(index) < stored_.size() ? &stored_[static_cast<size_t>(index)] : &kNone;
}

HRESULT FakeImageCollection::GetStoredFormat(int index, int* format) {
    Log("GetStoredFormat(" + std::to_string(index) + ")");
    *format = kStoredNone;
    const Stored* stored = StoredAt(index);
    if (!stored) return E_INVALIDARG;
    *format = stored->format;
    return S_OK;
}

HRESULT FakeImageCollection::GetKnownPixelType(int index, int* type) {
    Log("GetKnownPixelType(" + std::to_string(index) + ")");
    *type = -1;
    const Stored* stored = StoredAt(index);
    if (!stored) return E_INVALIDARG;
    *type = stored->knownPixelType;
    return stored->knownPixelType < 0 ? S_FALSE : S_OK;
}

HRESULT FakeImageCollection::GetStoredBytes(int index, BYTE** bytes, ULONG* size) {
    Log("GetStoredBytes(" + std::to_string(index) + ")");
    *bytes = nullptr;
    *size = 0;
    const Stored* stored = StoredAt(index);
    if (!stored) return E_INVALIDARG;
    if (stored->format == kStoredNone) return S_FALSE;
    if (stored->bytes.empty()) return E_FAIL;
    *bytes = static_cast<BYTE*>(CoTaskMemAlloc(stored->bytes.size()));
    if (!*bytes) return E_OUTOFMEMORY;
    std::copy(stored->bytes.begin(), stored->bytes.end(), *bytes);
    *size = static_cast<ULONG>(stored->bytes.size());
    return S_OK;
}

}  // namespace pictrove::test
