// Reader image objects with stored pixels in any of the reader layouts.
#include "tests/imageview/FakeImage.h"

#include <cstdlib>

namespace pictrove::test {

LONG FakeImage::live_ = 0;

namespace {

int BytesOf(int type) {
    switch (type) {
        case kPixelBgra32:
            return 4;
        case kPixelBgr24:
            return 3;
        default:
            return 1;
    }
}

}  // namespace

FakeImage::FakeImage(const FakeImageShape& shape) : shape_(shape) {
    InterlockedIncrement(&live_);
}

FakeImage::~FakeImage() {
    InterlockedDecrement(&live_);
}

Microsoft::WRL::ComPtr<FakeImage> FakeImage::Make(const FakeImageShape& shape,
                                                  const std::function<Rgba(int x, int y)>& colourAt) {
    // MinGW's ComPtr::Attach adds a reference, unlike the original; take the new one directly.
    Microsoft::WRL::ComPtr<FakeImage> image;
    *image.GetAddressOf() = new FakeImage(shape);
    const int bytes = BytesOf(shape.pixelType);
    const int rowBytes = shape.width * bytes + shape.padding;
    image->buffer_.assign(static_cast<size_t>(rowBytes) * std::max(shape.height, 0), 0xEE);  // 0xEE marks padding
    for (int r = 0; r < shape.height; ++r) {
        const int y = (shape.layout & kLayoutBottomUp) ? shape.height - 1 - r : r;
        uint8_t* row = image->buffer_.data() + static_cast<size_t>(r) * rowBytes;
        for (int c = 0; c < shape.width; ++c) {
            const int x = (shape.layout & kLayoutMirroredRows) ? shape.width - 1 - c : c;
            const Rgba colour = colourAt(x, y);
            uint8_t* p = row + static_cast<size_t>(c) * bytes;
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
                    p[0] = static_cast<uint8_t>(colour.r + 1);
                    break;
                default:
                    p[0] = colour.r;
                    break;
            }
        }
    }
    image->stride_ = rowBytes;
    if (shape.negativeStride) {
        // Same rows, stored from the end of the buffer back to its start.
        std::vector<uint8_t> reversed(image->buffer_.size());
        for (int r = 0; r < shape.height; ++r) {
            std::copy_n(image->buffer_.data() + static_cast<size_t>(r) * rowBytes, rowBytes,
                        reversed.data() + static_cast<size_t>(shape.height - 1 - r) * rowBytes);
        }
        image->buffer_.swap(reversed);
        image->stride_ = -rowBytes;
    }
    return image;
}

HRESULT FakeImage::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown) || (shape_.answersReaderImage && IsEqualGUID(iid, kIidReaderImage))) {
        *out = static_cast<ReaderImage*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG FakeImage::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT FakeImage::GetPixelType(int* type) {
    *type = shape_.pixelType;
    return S_OK;
}

HRESULT FakeImage::SetPixelType(int type) {
    ++setPixelTypeCalls_;
    shape_.pixelType = type;
    return S_OK;
}

HRESULT FakeImage::GetWidth(int* width) {
    *width = shape_.width;
    return S_OK;
}

HRESULT FakeImage::GetHeight(int* height) {
    *height = shape_.height;
    return S_OK;
}

HRESULT FakeImage::GetStride(int* stride) {
    *stride = stride_;
    return S_OK;
}

HRESULT FakeImage::GetLayout(int* layout) {
    *layout = shape_.layout;
    return S_OK;
}

HRESULT FakeImage::GetBits(BYTE** bits) {
    if (buffer_.empty()) {
        *bits = nullptr;
    } else if (stride_ < 0) {
        // The first stored row is the last in memory.
        *bits = buffer_.data() + buffer_.size() + stride_;
    } else {
        *bits = buffer_.data();
    }
    return S_OK;
}

}  // namespace pictrove::test
