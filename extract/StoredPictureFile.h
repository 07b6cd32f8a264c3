// Pictures written as stored in their documents ("Original format"): the stored format a reader
// tells through its private stored-picture interface, the extension that goes with it, and the
// stored bytes written out unchanged. Readers without the interface have no stored forms.
#pragma once

#include <windows.h>

#include <string>

#include "contracts/ReaderContract.h"
#include "contracts/StoredFormat.h"
#include "engine/OutputNames.h"
#include "extract/ImageFileWriter.h"

namespace pictrove {

// The StoredPictureFormat of image index; kStoredNone when the collection does not offer the
// interface, the picture has no stored form or the call fails.
int StoredFormatOfImage(ImageCollection* collection, int index);

// The pixel type the reader knows without decoding (-1 when it cannot tell).
int KnownPixelTypeOfImage(ImageCollection* collection, int index);

// Writes the stored bytes of image index to path, replacing a file there. Fails with
// ERROR_INVALID_DATA when the reader gives no bytes; a write that breaks off leaves no file
// (engine/writers/PictureFile.h).
WriteOutcome WriteStoredPicture(ImageCollection* collection, int index, const std::wstring& path);

}  // namespace pictrove
