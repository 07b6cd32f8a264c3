// Output names that ask the reader for the image name, and folder creation on Windows drives.
#include "extract/OutputNaming.h"

#include <windows.h>

#include <vector>

#include "contracts/ReaderContract.h"
#include "extract/StoredPictureFile.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "common/Handles.h"

namespace pictrove {

namespace {

constexpr size_t kLongestFolder = 248;  // CreateDirectoryW's limit (MAX_PATH minus an 8.3 name)

unsigned long SystemLogicalDrives() {
    return GetLogicalDrives();
}

unsigned SystemDriveType(const wchar_t* root) {
    return GetDriveTypeW(root);
}

std::vector<std::wstring> SplitFolder(const std::wstring& folder) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) end = folder.size();
        if (end > start) pieces.push_back(folder.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

int CollectionPlanSource::ImageCount() {
    if (count_ < 0) {
        count_ = 0;
        if (collection_) collection_->GetImageCount(&count_);
    }
    return count_;
}

std::wstring CollectionPlanSource::ImageName(int index) {
    ScopedBstr name;
    if (collection_) collection_->GetImageName(index, name.Out());
    std::wstring imageName(name.Get() ? name.Get() : L"", name.Length());
    if (imageName.empty()) imageName = FormatUiString(IDS_DEFAULT_IMAGE_NAME, {static_cast<long long>(index)});
    return imageName;
}

int CollectionPlanSource::StoredFormat(int index) {
    return StoredFormatOfImage(collection_, index);
}

std::wstring BuildOutputPath(ImageCollection* collection,
                             const std::wstring& folder,
                             const std::wstring& fileTemplate,
                             int index,
                             const std::wstring& padFormat) {
    return ComposeOutputPath(folder, fileTemplate, index, padFormat, CollectionPlanSource(collection).ImageName(index));
}

const DriveQueries& SystemDriveQueries() {
    static const DriveQueries kSystem{&SystemLogicalDrives, &SystemDriveType};
    return kSystem;
}

bool OutputFileExists(const std::wstring& path) {
    return GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(const std::wstring& folder) {
    return MakeFolderPath(folder, SystemDriveQueries());
}

bool MakeFolderPath(const std::wstring& folder, const DriveQueries& drives) {
    if (folder.empty() || folder.size() > kLongestFolder) return false;
    const std::vector<std::wstring> pieces = SplitFolder(folder);
    // Only "X:" may lead: this refuses network shares (\\server) and relative folders.
    if (pieces.empty() || pieces[0].size() < 2 || pieces[0][1] != L':') return false;

    wchar_t letter = pieces[0][0];
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter < L'A' || letter > L'Z') return false;
    if ((drives.logicalDrives() & (1ul << (letter - L'A'))) == 0) return false;

    // With its backslash: "X:" alone would name the current folder of the drive, not its root.
    const std::wstring root = pieces[0] + L"\\";
    switch (drives.driveType(root.c_str())) {
        case DRIVE_REMOVABLE:
        case DRIVE_FIXED:
        case DRIVE_REMOTE:
            break;
        default:
            return false;
    }

    std::wstring path = pieces[0] + L"\\";
    for (size_t i = 1; i < pieces.size(); ++i) {
        path += pieces[i];
        path += L'\\';
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
    }
    return true;
}

}  // namespace pictrove
