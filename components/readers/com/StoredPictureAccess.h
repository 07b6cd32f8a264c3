// The stored form of a picture of an open document, as the private stored-picture interfaces
// hand it out: serialised with decoding, bytes copied into a block the caller frees.
#pragma once

#include <windows.h>

#include <cstddef>

#include "OpenDocument.h"

namespace pictrove::readers {

// The stored info of image index (none for an index out of range); the document's lock is
// taken, as for decoding.
StoredInfo StoredInfoOf(OpenDocument& document, std::size_t index);

// The stored file of image index in a CoTaskMemAlloc block: S_OK; S_FALSE with null and 0 when
// the picture has no stored form; E_FAIL when its data cannot be read, E_OUTOFMEMORY.
HRESULT CopyStoredBytes(OpenDocument& document, std::size_t index, BYTE** bytes, ULONG* size);

}  // namespace pictrove::readers
