// Documents through the reader components; pictures written by the window's writers.
#include "cli/win/ComPlatform.h"

#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwctype>

#include "common/GdiplusHolders.h"
#include "common/Handles.h"
#include "contracts/ReaderImageFields.h"
#include "extract/ImageFileWriter.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "cli/ReasonTexts.h"
#include "reader/DocumentSession.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove::cli {

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

OpenStatus StatusOf(DocumentOpenStatus status) {
    switch (status) {
        case DocumentOpenStatus::kOpened:
            return OpenStatus::kOpened;
        case DocumentOpenStatus::kNoReader:
            return OpenStatus::kNoReader;
        case DocumentOpenStatus::kNeedsPassword:
            return OpenStatus::kNeedsPassword;
        case DocumentOpenStatus::kWrongPassword:
            return OpenStatus::kWrongPassword;
        case DocumentOpenStatus::kProtected:
            return OpenStatus::kProtected;
        case DocumentOpenStatus::kUnreadable:
            return OpenStatus::kUnreadable;
        case DocumentOpenStatus::kDamaged:
        case DocumentOpenStatus::kNoCollection:
            return OpenStatus::kDamaged;
        case DocumentOpenStatus::kNoImages:
            return OpenStatus::kNoImages;
    }
    return OpenStatus::kDamaged;
}

// The COM apartment and the GDI+ session of a thread that reads and writes pictures.
struct ThreadHold {
    ScopedCoInit com{COINIT_MULTITHREADED};
    ScopedGdiplus gdiplus;
};

// An opened reader's collection.
class ComDocument : public CliDocument {
  public:
    explicit ComDocument(ComPtr<ImageCollection> collection, int count)
        : collection_(std::move(collection)), count_(count) {}

    int ImageCount() override { return count_; }
    std::wstring ImageName(int index) override {
        ScopedBstr name;
        if (FAILED(collection_->GetImageName(index, name.Out())) || !name.Get()) return {};
        return std::wstring(name.Get(), name.Length());
    }
    int ImageWidth(int index) override {
        int width = 0;
        collection_->GetImageWidth(index, &width);
        return width;
    }
    int ImageHeight(int index) override {
        int height = 0;
        collection_->GetImageHeight(index, &height);
        return height;
    }
    int StoredFormat(int index) override { return StoredFormatOfImage(collection_.Get(), index); }
    // The reader tells the pixel type from the headers where they settle it; for the other
    // pictures only the decoded image knows it.
    int PixelType(int index) override {
        int type = KnownPixelTypeOfImage(collection_.Get(), index);
        if (type >= 0) return type;
        ComPtr<IUnknown> object;
        collection_->GetImage(index, object.GetAddressOf());
        ComPtr<ReaderImage> image;
        if (object) object->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(image.GetAddressOf()));
        if (image) image->GetPixelType(&type);
        return type;
    }
    PictureResult Write(const PlannedPicture& picture, int typeIndex) override {
        WriteOutcome outcome;
        if (picture.stored) {
            outcome = WriteStoredPicture(collection_.Get(), picture.index, picture.path);
        } else {
            ComPtr<IUnknown> image;
            const HRESULT result = collection_->GetImage(picture.index, image.GetAddressOf());
            // A picture over a limit says so in its failure line rather than calling its data bad.
            if (!image && IsImageLimitRefusal(result))
                outcome = WriteOutcome::Failed(static_cast<DWORD>(result));
            else
                outcome = SaveImageFile(image.Get(), typeIndex, picture.path);
        }
        return {outcome.written, outcome.error, outcome.StopsRun()};
    }

  private:
    ComPtr<ImageCollection> collection_;
    int count_;
};

}  // namespace

OpenedDocument ComPlatform::Open(const std::wstring& path, const std::optional<std::wstring>& password) {
    DocumentOpenResult opened = OpenDocumentFile(path, [&password]() { return password; });
    OpenedDocument result;
    result.status = StatusOf(opened.status);
    result.damaged = opened.damaged;
    result.systemError = opened.systemError;
    if (opened.collection) result.document = std::make_unique<ComDocument>(opened.collection, opened.imageCount);
    return result;
}

std::shared_ptr<void> ComPlatform::EnterThread() {
    return std::make_shared<ThreadHold>();
}

std::wstring ComPlatform::FolderPath(const std::wstring& typed) {
    std::wstring folder = typed;
    if (const DWORD needed = GetFullPathNameW(typed.c_str(), 0, nullptr, nullptr); needed != 0) {
        folder.assign(needed, L'\0');
        folder.resize(GetFullPathNameW(typed.c_str(), needed, folder.data(), nullptr));
    }
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::vector<std::wstring> ComPlatform::ExpandDocumentName(const std::wstring& typed) {
    const size_t separator = typed.find_last_of(L"\\/:");
    const size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    if (typed.find_first_of(L"*?", nameStart) == std::wstring::npos) return {typed};
    const std::wstring folder = typed.substr(0, nameStart);
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW(typed.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(folder + data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(found.begin(), found.end(),
              [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
    return found;
}

bool ComPlatform::MakeFolder(const std::wstring& folder) {
    return MakeFolderPath(folder);
}

// The same words as the native command line for the codes the program gives; the system's for
// the rest.
std::wstring ComPlatform::ReasonText(std::uint32_t reason) {
    const std::wstring text = SystemReasonText(reason);
    return text.empty() ? SystemErrorText(reason) : text;
}

std::wstring ComPlatform::DefaultImageName(int index) {
    return FormatUiString(IDS_DEFAULT_IMAGE_NAME, {static_cast<long long>(index)});
}

std::wstring ComPlatform::ImageTypeLabel(int typeIndex) {
    return pictrove::ImageTypeLabel(typeIndex);
}

}  // namespace pictrove::cli
