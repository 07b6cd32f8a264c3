// Writing reader images to files with the GDI+ encoders: one routine for every file, a per-job
// writer, the single-image Save As, and the tally of images that could not be written.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <wrl/client.h>

#include <string>

#include "contracts/ReaderContract.h"

namespace pictrove {

// Image type index 0..3 (BMP, GIF, JPEG, PNG): the order of the settings, the type list and the
// Save As filter.
inline constexpr int kImageTypeCount = 4;
inline constexpr const wchar_t* kEncoderMimeTypes[kImageTypeCount] = {L"image/bmp", L"image/gif", L"image/jpeg",
                                                                      L"image/png"};
inline constexpr float kOutputDpi = 96.0f;

// What became of one image: written, or the system error code that says why not.
struct WriteOutcome {
    bool written = false;
    DWORD error = 0;
};

// The class id of the installed encoder with exactly this MIME type (case-sensitive).
bool FindEncoderClsid(const wchar_t* mimeType, CLSID* clsid);

// The encoder search of the writers and the Save As; a test stands in for a system that lacks
// an encoder. Returns the search that was in place; nullptr restores FindEncoderClsid.
using EncoderLookup = bool (*)(const wchar_t* mimeType, CLSID* clsid);
EncoderLookup SetEncoderLookup(EncoderLookup lookup);

// The label of an image type as the type list shows it (string 216 + type before its bar).
std::wstring ImageTypeLabel(int typeIndex);

// The MIME type of an installed encoder; false when no encoder has that class id.
bool FindEncoderMimeType(const CLSID& clsid, std::wstring& mimeType);

// Converts the image, stamps the resolution and saves it with the encoder, replacing an existing
// file. Returns true when a bitmap was made, whether or not the save succeeded; outcome says
// whether the file was written. 24- and 32-bit pictures bound for the GIF encoder are reduced
// to a palette first, and a transparent palette entry is written into the file's graphic
// control extension after the save.
bool SaveImageFile(IUnknown* image, float dpi, const CLSID& encoder, const std::wstring& path);
bool SaveImageFile(IUnknown* image, float dpi, const CLSID& encoder, const std::wstring& path, WriteOutcome& outcome);

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

    // True when the collection gave the image and it went to SaveImageFile.
    bool WriteImage(int index, const std::wstring& path);
    bool WriteImage(int index, const std::wstring& path, WriteOutcome& outcome);

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
    // One information box with no owner, when anything failed.
    void Report(int total) const;

  private:
    int count_ = 0;
    std::wstring firstPath_;
    DWORD firstError_ = 0;
};

// The Save dialog the Save As shows; a test captures what it is asked and answers it.
using SaveFileDialog = BOOL (*)(OPENFILENAMEW* dialog);
// Returns the dialog that was in place; nullptr restores GetSaveFileNameW.
SaveFileDialog SetSaveFileDialog(SaveFileDialog dialog);

// Save As for one image: asks for a path (the label as the proposed name, the platform's title,
// BMP first, the overwrite prompt on). A typed extension of the four types decides the format;
// otherwise the chosen filter does and its extension is appended, asking first when that name
// exists. Says so when there is no encoder for the type or the write fails.
void SaveSingleImage(ImageCollection* collection, int index, const std::wstring& label);

}  // namespace pictrove
