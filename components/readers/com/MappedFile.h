// A document file mapped read-only into memory: the readers see its bytes without a private
// copy, and the mapping lives as long as any view of it.
#pragma once

#include <windows.h>

#include "model/FileBytes.h"

namespace pictrove::readers {

// The file's bytes (none for an empty file), or a failure status from the file system, or for
// a file larger than the readers take. Other programs may go on reading, writing and deleting
// the file while it is mapped.
HRESULT MapDocumentFile(const wchar_t* path, FileBytes& bytes);

}  // namespace pictrove::readers
