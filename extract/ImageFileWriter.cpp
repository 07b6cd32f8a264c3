// Image files through the program's own encoders, written whole through a temporary name.
#include "extract/ImageFileWriter.h"

#include <atomic>

#include "contracts/ReaderImageFields.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

std::atomic<PictureEncoderFunction> g_encoder{&EncodePicture};

}  // namespace

DWORD WriteErrorCode(WriteError error) {
    switch (error) {
        case WriteError::kNone:
            return 0;
        case WriteError::kDiskFull:
            return ERROR_DISK_FULL;
        case WriteError::kAccessDenied:
            return ERROR_ACCESS_DENIED;
        case WriteError::kPathNotFound:
            return ERROR_PATH_NOT_FOUND;
        case WriteError::kOutOfMemory:
            return ERROR_NOT_ENOUGH_MEMORY;
        case WriteError::kInvalidData:
            return ERROR_INVALID_DATA;
        case WriteError::kWriteFault:
        default:
            return ERROR_WRITE_FAULT;
    }
}

PictureFormat ImageTypeFormat(int typeIndex) {
    switch (typeIndex) {
        case 0:
            return PictureFormat::kBmp;
        case 1:
            return PictureFormat::kGif;
        case 2:
            return PictureFormat::kJpeg;
        default:
            return PictureFormat::kPng;
    }
}

PictureEncoderFunction SetPictureEncoder(PictureEncoderFunction encoder) {
    return g_encoder.exchange(encoder ? encoder : &EncodePicture);
}

UINT ImageTypeStringId(int typeIndex) {
    return typeIndex == kOriginalImageType ? IDS_TYPE_ORIGINAL : IDS_TYPE_BMP + static_cast<UINT>(typeIndex);
}

std::wstring ImageTypeLabel(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= kImageTypeCount) return {};
    const std::wstring entry = LoadUiString(ImageTypeStringId(typeIndex));
    return entry.substr(0, entry.find(L'|'));
}

WriteOutcome SaveImageFile(IUnknown* image, int typeIndex, const std::wstring& path) {
    if (!image || typeIndex < 0 || typeIndex >= kImageTypeCount) return WriteOutcome::Failed(ERROR_INVALID_DATA);
    // Encoded from the reader's own rows, without a bitmap copy.
    Microsoft::WRL::ComPtr<ReaderImage> pixels;
    ReaderImageFields fields;
    if (FAILED(image->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(pixels.GetAddressOf()))) ||
        ReadReaderImage(pixels.Get(), fields) != ReaderImageCheck::kOk) {
        return WriteOutcome::Failed(ERROR_INVALID_DATA);
    }
    const EncodedPicture encoded = g_encoder.load()(ImageTypeFormat(typeIndex), fields);
    if (encoded.error != WriteError::kNone) return WriteOutcome::Failed(WriteErrorCode(encoded.error));
    // Long names from documents can make a path longer than MAX_PATH.
    const WriteError error = WritePictureFile(LongPathForm(path), encoded.bytes);
    return error == WriteError::kNone ? WriteOutcome::Written() : WriteOutcome::Failed(WriteErrorCode(error));
}

ImageFileWriter::ImageFileWriter(ImageCollection* collection, int typeIndex) : typeIndex_(typeIndex) {
    if (!collection || typeIndex < 0 || typeIndex >= kImageTypeCount) return;
    collection_ = collection;
}

WriteOutcome ImageFileWriter::WriteImage(int index, const std::wstring& path) {
    if (!collection_) return WriteOutcome::Failed(ERROR_INVALID_DATA);
    // A picture with a stored form goes out as stored; the others are encoded (as PNG).
    if (typeIndex_ == kOriginalImageType && StoredFormatOfImage(collection_.Get(), index) != kStoredNone)
        return WriteStoredPicture(collection_.Get(), index, path);
    Microsoft::WRL::ComPtr<IUnknown> image;
    const HRESULT result = collection_->GetImage(index, image.GetAddressOf());
    if (!image && IsImageLimitRefusal(result)) return WriteOutcome::Failed(static_cast<DWORD>(result));
    return SaveImageFile(image.Get(), typeIndex_, path);
}

void WriteFailures::Record(const std::wstring& path, const WriteOutcome& outcome) {
    if (outcome.written) return;
    if (count_++ == 0) {
        firstPath_ = path;
        firstError_ = outcome.error;
    }
}

std::wstring WriteFailures::Message(int total) const {
    return FormatUiString(IDS_WRITE_FAILED, {static_cast<long long>(count_), static_cast<long long>(total), firstPath_,
                                             SystemErrorText(firstError_)});
}

}  // namespace pictrove
