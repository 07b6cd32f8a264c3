// One decoded picture handed to the application: it owns its pixel buffer, which stays valid
// for as long as the object lives, independent of the document it came from.
#pragma once

#include "DecodedImage.h"
#include "Module.h"
#include "contracts/ReaderSlots.h"

namespace pictrove::readers {

class ImageObject final : public ComObject<ReaderImageSlots> {
  public:
    explicit ImageObject(DecodedImage image) : image_(std::move(image)) {}

    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override;
    HRESULT STDMETHODCALLTYPE SetPixelType(int type) override;
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override;
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override;
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override;
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override;
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override;

  private:
    DecodedImage image_;
    LONG volatile type_ = static_cast<LONG>(image_.type);  // changed by SetPixelType
};

}  // namespace pictrove::readers
