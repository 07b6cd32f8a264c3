// The Save As of one image: the common Save dialog, the type the name or the filter gives, and
// the question when the completed name already exists.
#include "extract/SaveAsDialog.h"

#include <wrl/client.h>

#include <cwchar>
#include <utility>

#include "extract/ExistingFilesQuestion.h"
#include "extract/ImageFileWriter.h"
#include "extract/OutputNaming.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

namespace {

BOOL SystemSaveFileDialog(OPENFILENAMEW* dialog) {
    return GetSaveFileNameW(dialog);
}

SaveFileDialog g_saveFileDialog = &SystemSaveFileDialog;

}  // namespace

SaveFileDialog SetSaveFileDialog(SaveFileDialog dialog) {
    return std::exchange(g_saveFileDialog, dialog ? dialog : &SystemSaveFileDialog);
}

void SaveSingleImage(ImageCollection* collection, int index, const std::wstring& label) {
    std::wstring filter = LoadUiString(IDS_SAVE_FILTER);
    for (wchar_t& c : filter) {
        if (c == L'|') c = L'\0';
    }
    wchar_t file[MAX_PATH] = L"";
    wcsncpy(file, label.c_str(), MAX_PATH - 1);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = L"bmp";
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_OVERWRITEPROMPT;
    if (!g_saveFileDialog(&dialog)) return;

    std::wstring path = file;
    int typeIndex = ImageTypeOfExtension(path);
    if (typeIndex < 0) {
        // The name says no image type ("picture", "v1.5"): the filter does, and the name gets
        // its extension so that the file says what it holds.
        typeIndex = static_cast<int>(dialog.nFilterIndex) - 1;
        if (typeIndex < 0 || typeIndex >= kImageTypeCount) return;
        path.append(ImageTypeExtension(typeIndex));
        // The dialog asked about the name as typed, not about this one.
        if (OutputFileExists(path)) {
            switch (AskAboutExistingFiles(dialog.hwndOwner, 1, path)) {
                case ExistingFilesChoice::kCancel:
                    return;
                case ExistingFilesChoice::kKeepBoth:
                    path = DistinctOutputPaths({path}, true, &OutputFileExists)[0];
                    break;
                case ExistingFilesChoice::kReplace:
                    break;
            }
        }
    }

    if (!collection) return;
    Microsoft::WRL::ComPtr<IUnknown> image;
    collection->GetImage(index, image.GetAddressOf());
    WriteFailures failures;
    failures.Record(path, SaveImageFile(image.Get(), typeIndex, path));
    if (failures.Count() > 0) ShowProgramMessage(failures.Message(1), MB_ICONINFORMATION);
}

}  // namespace pictrove
