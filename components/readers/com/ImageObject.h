// One decoded picture handed to the application: it owns its pixel buffer, which stays valid
// for as long as the object lives, independent of the document it came from.
#pragma once

#include "DecodedImage.h"
#include "Module.h"
#include "contracts/ReaderContract.h"

namespace pictrove::readers {

class ImageObject final : public ComObject<ReaderImage> {
public:
    explicit ImageObject(DecodedImage image) : image_(std::move(image)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

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
    DecodedImage image_;
    LONG volatile type_ = static_cast<LONG>(image_.type);  // changed by SetPixelType
};

}  // namespace pictrove::readers
