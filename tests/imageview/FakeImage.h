// A reader image object for the image-view tests: pixels laid out as a reader would store them,
// its reference count open to inspection, and a count of live objects.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "contracts/ReaderContract.h"

namespace pictrove::test {

// Picture colour (as seen, top-down and left to right) of one pixel.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct FakeImageShape {
    int width = 0;
    int height = 0;
    int pixelType = kPixelBgr24;
    int layout = 0;
    int padding = 0;          // bytes after each stored row
    bool negativeStride = false;  // rows follow each other downwards in memory
    bool answersReaderImage = true;
};

class FakeImage final : public ReaderImage {
public:
    // Lays out the picture given by colourAt(x, y) as the shape's type and layout store it. Gray
    // types take the red channel as the level.
    static Microsoft::WRL::ComPtr<FakeImage> Make(const FakeImageShape& shape,
                                                  const std::function<Rgba(int x, int y)>& colourAt);
    // Objects not yet destroyed, across all tests.
    static LONG LiveObjects() { return live_; }

    // References held by others besides the caller's one (AddRef and Release are real).
    ULONG RefCount() {
        AddRef();
        return Release();
    }
    int SetPixelTypeCalls() const { return setPixelTypeCalls_; }
    std::vector<uint8_t>& Buffer() { return buffer_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override;
    HRESULT STDMETHODCALLTYPE SetPixelType(int type) override;
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override;
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override;
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override;
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override;
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override;

private:
    explicit FakeImage(const FakeImageShape& shape);
    ~FakeImage();

    static LONG live_;
    LONG refs_ = 1;
    FakeImageShape shape_;
    int stride_ = 0;
    std::vector<uint8_t> buffer_;
    int setPixelTypeCalls_ = 0;
};

}  // namespace pictrove::test
