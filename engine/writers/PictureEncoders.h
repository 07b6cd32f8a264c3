// The picture file formats the program writes, each encoded in memory from a reader image, and
// the one call every front end writes an encoded picture with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "contracts/PixelModel.h"
#include "engine/writers/PictureFile.h"

namespace pictrove {

enum class PictureFormat : int { kBmp = 0, kGif = 1, kJpeg = 2, kPng = 3 };

// The resolution stamped into every file that has a field for it.
inline constexpr int kPictureDpi = 96;

struct EncodedPicture {
    std::vector<std::uint8_t> bytes;
    WriteError error = WriteError::kNone;  // kNone when bytes hold the file
};

// Encodes fields (checked, CheckReaderImageFields) as format. Fails with kInvalidData for
// fields that are not checked or too large for the format, kOutOfMemory when memory runs out.
EncodedPicture EncodePicture(PictureFormat format, const ReaderImageFields& fields);

// EncodePicture, then WritePictureFile.
WriteError WriteEncodedPicture(PictureFormat format,
                               const ReaderImageFields& fields,
                               const std::filesystem::path& path);

}  // namespace pictrove
