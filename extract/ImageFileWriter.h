// Writing reader images to files with the program's own encoders (engine/writers): one routine
// for every file, a per-job writer, and the tally of images that could not be written.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "contracts/ReaderContract.h"
#include "engine/ExtractPlan.h"
#include "engine/writers/PictureEncoders.h"

namespace pictrove {

// What became of one image: written, or the system error code that says why not.
struct WriteOutcome {
    bool written = false;
    DWORD error = ERROR_INVALID_DATA;

    static WriteOutcome Written() { return {true, 0}; }
    static WriteOutcome Failed(DWORD error) { return {false, error}; }
    // A failure no later picture of the run escapes either.
    bool StopsRun() const { return !written && (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL); }
};

// The system error code of a writer's failure, so the messages stay the system's own texts.
DWORD WriteErrorCode(WriteError error);

// The file format an image type index is encoded as; the original format encodes the pictures
// without a stored form as PNG.
PictureFormat ImageTypeFormat(int typeIndex);

// The encoder the writers call; tests stand in for one that fails. Returns the encoder that was
// in place; nullptr restores EncodePicture.
using PictureEncoderFunction = EncodedPicture (*)(PictureFormat format, const ReaderImageFields& fields);
PictureEncoderFunction SetPictureEncoder(PictureEncoderFunction encoder);

// The string of an image type's list entry ("label|.extension").
UINT ImageTypeStringId(int typeIndex);

// The label of an image type as the type list shows it (its string before the bar).
std::wstring ImageTypeLabel(int typeIndex);

// Encodes the image as the type index's format at 96 dpi and writes the whole file, replacing
// an existing one; nothing is left under path when it fails. An image that cannot be read fails
// with ERROR_INVALID_DATA.
WriteOutcome SaveImageFile(IUnknown* image, int typeIndex, const std::wstring& path);

// Writes images of one collection in one format. Disabled (holding no collection) when there is
// no collection or the type index is unknown.
class ImageFileWriter {
  public:
    ImageFileWriter(ImageCollection* collection, int typeIndex);
    ImageFileWriter(const ImageFileWriter&) = delete;
    ImageFileWriter& operator=(const ImageFileWriter&) = delete;

    bool Enabled() const { return collection_ != nullptr; }
    int TypeIndex() const { return typeIndex_; }

    // Fails with ERROR_INVALID_DATA when the writer is disabled or the collection gives no image.
    WriteOutcome WriteImage(int index, const std::wstring& path);

  private:
    Microsoft::WRL::ComPtr<ImageCollection> collection_;
    int typeIndex_;
};

// Counts the images of a run that were not written and remembers the first of them.
class WriteFailures {
  public:
    void Record(const std::wstring& path, const WriteOutcome& outcome);
    int Count() const { return count_; }
    const std::wstring& FirstPath() const { return firstPath_; }
    DWORD FirstError() const { return firstError_; }

    // String 229 filled in: how many of total, the first path and the system's reason.
    std::wstring Message(int total) const;

  private:
    int count_ = 0;
    std::wstring firstPath_;
    DWORD firstError_ = 0;
};

}  // namespace pictrove
