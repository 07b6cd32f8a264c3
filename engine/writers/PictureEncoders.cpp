// One switch over the formats, and memory running out turned into a code.
#include "engine/writers/PictureEncoders.h"

#include <new>

#include "engine/writers/BmpWriter.h"
#include "engine/writers/GifWriter.h"
#include "engine/writers/JpegWriter.h"
#include "engine/writers/PngWriter.h"

namespace pictrove {

EncodedPicture EncodePicture(PictureFormat format, const ReaderImageFields& fields) {
    EncodedPicture encoded;
    ReaderImageFields checked = fields;
    if (CheckReaderImageFields(checked) != ReaderImageCheck::kOk) {
        encoded.error = WriteError::kInvalidData;
        return encoded;
    }
    try {
        switch (format) {
            case PictureFormat::kBmp:
                encoded.bytes = EncodeBmp(checked, kPictureDpi);
                break;
            case PictureFormat::kGif:
                encoded.bytes = EncodeGif(checked);
                break;
            case PictureFormat::kJpeg:
                encoded.bytes = EncodeJpeg(checked, kPictureDpi);
                break;
            case PictureFormat::kPng:
                encoded.bytes = EncodePng(checked, static_cast<float>(kPictureDpi));
                break;
        }
    } catch (const std::bad_alloc&) {
        encoded.bytes.clear();
        encoded.error = WriteError::kOutOfMemory;
        return encoded;
    }
    // Only PNG's deflate can fail for want of memory without throwing; the others fail on size.
    if (encoded.bytes.empty())
        encoded.error = format == PictureFormat::kPng ? WriteError::kOutOfMemory : WriteError::kInvalidData;
    return encoded;
}

WriteError WriteEncodedPicture(PictureFormat format,
                               const ReaderImageFields& fields,
                               const std::filesystem::path& path) {
    const EncodedPicture encoded = EncodePicture(format, fields);
    if (encoded.error != WriteError::kNone) return encoded.error;
    return WritePictureFile(path, encoded.bytes);
}

}  // namespace pictrove
