// Save As for one image of the open document.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "contracts/ReaderContract.h"

namespace pictrove {

// The Save dialog the Save As shows; a test captures what it is asked and answers it.
using SaveFileDialog = BOOL (*)(OPENFILENAMEW* dialog);
// Returns the dialog that was in place; nullptr restores GetSaveFileNameW.
SaveFileDialog SetSaveFileDialog(SaveFileDialog dialog);

// Asks for a path (the label as the proposed name, the platform's title, BMP first, the overwrite
// prompt on). A typed extension of the four types decides the format; otherwise the chosen
// filter does and its extension is appended, asking first when that name exists. Says so when
// there is no encoder for the type or the write fails.
void SaveSingleImage(ImageCollection* collection, int index, const std::wstring& label);

}  // namespace pictrove
