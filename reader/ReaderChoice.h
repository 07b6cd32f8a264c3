// Which reader class opens a file: extension rules and the format table.
#pragma once

#include <string_view>

#include <wrl/client.h>

#include "contracts/ReaderContract.h"
#include "contracts/ReaderFormats.h"

namespace pictrove {

// Creates the reader for the path's format; null when the format is 0 or creation failed.
Microsoft::WRL::ComPtr<DocumentReader> CreateReaderForFile(std::wstring_view path);

}  // namespace pictrove
