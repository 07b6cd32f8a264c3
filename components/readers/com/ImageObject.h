// One decoded picture handed to the application: it owns its pixel buffer, which stays valid
// for as long as the object lives, independent of the document it came from. It also tells how
// the picture is stored in its document, for as long as that document is open: the pixels must
// not keep a document (and its file) open.
#pragma once

#include <memory>

#include "model/DecodedImage.h"
#include "Module.h"
#include "OpenDocument.h"
#include "contracts/ReaderSlots.h"
#include "contracts/StoredPictureContract.h"

namespace pictrove::readers {

class ImageObject final : public ComObject<ReaderImageSlots, StoredPicture> {
  public:
    // document: where the picture came from, for its stored form; none for a picture without.
    explicit ImageObject(DecodedImage image, std::weak_ptr<OpenDocument> document = {}, std::size_t index = 0)
        : image_(std::move(image)), document_(std::move(document)), index_(index) {}

    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override;
    HRESULT STDMETHODCALLTYPE SetPixelType(int type) override;
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override;
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override;
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override;
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override;
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override;

    // StoredPicture
    HRESULT STDMETHODCALLTYPE GetStoredFormat(int* format) override;
    HRESULT STDMETHODCALLTYPE GetStoredBytes(BYTE** bytes, ULONG* size) override;

  private:
    DecodedImage image_;
    LONG volatile type_ = static_cast<LONG>(image_.type);  // changed by SetPixelType
    const std::weak_ptr<OpenDocument> document_;
    const std::size_t index_;
};

}  // namespace pictrove::readers
