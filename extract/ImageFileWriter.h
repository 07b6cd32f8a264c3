// Writing reader images to files with the GDI+ encoders: one routine for every file, a per-job
// writer, and the tally of images that could not be written.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "contracts/ReaderContract.h"
#include "engine/ExtractPlan.h"

namespace pictrove {

// The encoders of the image types (engine/ExtractPlan.h); the Save As filter has the first four.
// The original format encodes the pictures without a stored form as PNG, so its encoder is PNG's.
inline constexpr const wchar_t* kEncoderMimeTypes[kImageTypeCount] = {L"image/bmp", L"image/gif", L"image/jpeg",
                                                                      L"image/png", L"image/png"};
inline constexpr float kOutputDpi = 96.0f;

// What became of one image: written, or the system error code that says why not.
struct WriteOutcome {
    bool written = false;
    DWORD error = ERROR_INVALID_DATA;

    static WriteOutcome Written() { return {true, 0}; }
    static WriteOutcome Failed(DWORD error) { return {false, error}; }
};

// The class id of the installed encoder with exactly this MIME type (case-sensitive).
bool FindEncoderClsid(const wchar_t* mimeType, CLSID* clsid);

// The encoder search of the writers and the Save As; a test stands in for a system that lacks
// an encoder. Returns the search that was in place; nullptr restores FindEncoderClsid.
using EncoderLookup = bool (*)(const wchar_t* mimeType, CLSID* clsid);
EncoderLookup SetEncoderLookup(EncoderLookup lookup);

// The encoder of an image type index through the search in place; false when there is none.
bool FindImageTypeEncoder(int typeIndex, CLSID* clsid);

// The string of an image type's list entry ("label|.extension").
UINT ImageTypeStringId(int typeIndex);

// The label of an image type as the type list shows it (its string before the bar).
std::wstring ImageTypeLabel(int typeIndex);

// The MIME type of an installed encoder; false when no encoder has that class id.
bool FindEncoderMimeType(const CLSID& clsid, std::wstring& mimeType);

// Converts the image, stamps the resolution and saves it with the encoder, replacing an existing
// file. 24- and 32-bit pictures bound for the GIF encoder are reduced to a palette first, and a
// transparent palette entry is written into the file's graphic control extension after the
// save. An image that cannot be read fails with ERROR_INVALID_DATA.
WriteOutcome SaveImageFile(IUnknown* image, float dpi, const CLSID& encoder, const std::wstring& path);

// Writes images of one collection in one format. Disabled (holding no collection) when there is
// no collection or no encoder for the type.
class ImageFileWriter {
  public:
    ImageFileWriter(ImageCollection* collection, int typeIndex);
    ImageFileWriter(const ImageFileWriter&) = delete;
    ImageFileWriter& operator=(const ImageFileWriter&) = delete;

    bool Enabled() const { return collection_ != nullptr; }
    // True when there was a collection and a known type, but no encoder for it.
    bool MissingEncoder() const { return missingEncoder_; }
    int TypeIndex() const { return typeIndex_; }

    // Fails with ERROR_INVALID_DATA when the writer is disabled or the collection gives no image.
    WriteOutcome WriteImage(int index, const std::wstring& path);

    // The encoder the writer saves with; valid when Enabled().
    const CLSID& Encoder() const { return encoder_; }

  private:
    Microsoft::WRL::ComPtr<ImageCollection> collection_;
    int typeIndex_;
    CLSID encoder_{};
    bool missingEncoder_ = false;
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
