// The images of an open document as the application asks for them: count, sizes and names from
// the list made at opening, pixels decoded on request into an image object of their own.
#pragma once

#include <memory>

#include "Module.h"
#include "OpenDocument.h"
#include "contracts/ReaderSlots.h"
#include "contracts/DocumentConditionContract.h"
#include "contracts/StoredPictureContract.h"

namespace pictrove::readers {

class CollectionObject final
    : public ComObject<ImageCollectionSlots, StoredPictureList, DocumentCondition, PicturePlaces> {
  public:
    explicit CollectionObject(std::shared_ptr<OpenDocument> document) : document_(std::move(document)) {}

    HRESULT STDMETHODCALLTYPE GetImageCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetImageWidth(int index, int* width) override;
    HRESULT STDMETHODCALLTYPE GetImageHeight(int index, int* height) override;
    HRESULT STDMETHODCALLTYPE GetImageName(int index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetImage(int index, IUnknown** image) override;

    // StoredPictureList
    HRESULT STDMETHODCALLTYPE GetStoredFormat(int index, int* format) override;
    HRESULT STDMETHODCALLTYPE GetKnownPixelType(int index, int* type) override;
    HRESULT STDMETHODCALLTYPE GetStoredBytes(int index, BYTE** bytes, ULONG* size) override;

    // PicturePlaces
    HRESULT STDMETHODCALLTYPE GetPageCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetImagePages(int index, int* pages, int capacity, int* count) override;
    HRESULT STDMETHODCALLTYPE GetPlacementCount(int index, int* count) override;
    HRESULT STDMETHODCALLTYPE GetPlacement(int index, int placement, PicturePlacement* out) override;

    // DocumentCondition
    HRESULT STDMETHODCALLTYPE GetCondition(int* condition) override;

  private:
    const ImageEntry* Entry(int index) const;

    const std::shared_ptr<OpenDocument> document_;
};

}  // namespace pictrove::readers
