// Stored pictures through the readers' private interface, written byte for byte.
#include "extract/StoredPictureFile.h"

#include <wrl/client.h>

#include <memory>

#include "contracts/StoredPictureContract.h"
#include "engine/writers/PictureFile.h"
#include "extract/OutputNaming.h"

namespace pictrove {

namespace {

Microsoft::WRL::ComPtr<StoredPictureList> StoredList(ImageCollection* collection) {
    Microsoft::WRL::ComPtr<StoredPictureList> list;
    if (collection) collection->QueryInterface(kIidStoredPictureList, reinterpret_cast<void**>(list.GetAddressOf()));
    return list;
}

struct CoTaskMemDeleter {
    void operator()(BYTE* block) const { CoTaskMemFree(block); }
};

}  // namespace

int StoredFormatOfImage(ImageCollection* collection, int index) {
    const auto list = StoredList(collection);
    int format = kStoredNone;
    if (!list || FAILED(list->GetStoredFormat(index, &format))) return kStoredNone;
    return format > kStoredNone && format < kStoredFormatCount ? format : kStoredNone;
}

int KnownPixelTypeOfImage(ImageCollection* collection, int index) {
    const auto list = StoredList(collection);
    int type = -1;
    if (!list || list->GetKnownPixelType(index, &type) != S_OK) return -1;
    return ReaderBytesPerPixel(type) != 0 ? type : -1;
}

WriteOutcome WriteStoredPicture(ImageCollection* collection, int index, const std::wstring& path) {
    const auto list = StoredList(collection);
    if (!list) return WriteOutcome::Failed(ERROR_INVALID_DATA);
    BYTE* raw = nullptr;
    ULONG size = 0;
    const HRESULT result = list->GetStoredBytes(index, &raw, &size);
    const std::unique_ptr<BYTE, CoTaskMemDeleter> bytes(raw);
    if (result != S_OK || !bytes || size == 0) return WriteOutcome::Failed(ERROR_INVALID_DATA);

    const WriteError error = WritePictureFile(LongPathForm(path), bytes.get(), size);
    return error == WriteError::kNone ? WriteOutcome::Written() : WriteOutcome::Failed(WriteErrorCode(error));
}

}  // namespace pictrove
