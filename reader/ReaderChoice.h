// Which reader class opens a file: extension rules and the format table.
#pragma once

#include <string>
#include <string_view>

#include <wrl/client.h>

#include "contracts/ReaderContract.h"

namespace pictrove {

// The extension that selects the reader: from the last '.' of the whole path, or from the dot
// before ".zip" so that story.fb2.zip yields ".fb2.zip". Empty when there is no dot.
std::wstring GetReaderExtension(std::wstring_view path);

// Format number 1..14 of the extension table, 0 when no row matches.
int ClassifyExtension(std::wstring_view extension);

// Every extension of the format table as one open-dialog pattern, in table order:
// "*.tif;*.tiff;*.djvu;...".
std::wstring SupportedFilesPattern();

// Creates the reader for the path's format; null when the format is 0 or creation failed.
Microsoft::WRL::ComPtr<DocumentReader> CreateReaderForFile(std::wstring_view path);

}  // namespace pictrove
