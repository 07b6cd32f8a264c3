// The window-free steps of opening a document.
#include "reader/DocumentSession.h"

#include "common/Handles.h"
#include "reader/ReaderChoice.h"

namespace pictrove {

using Microsoft::WRL::ComPtr;

bool PassPassword(DocumentReader& reader, const std::wstring& password) {
    ComPtr<DocumentPassword> target;
    reader.QueryInterface(kIidDocumentPassword, reinterpret_cast<void**>(target.GetAddressOf()));
    if (!target) return false;
    ScopedBstr secret(password.c_str());
    target->SetPassword(secret.Get());
    // Our copy of the password is wiped as soon as the reader has it.
    if (secret.Get()) SecureZeroMemory(secret.Get(), secret.Length() * sizeof(wchar_t));
    return true;
}

DWORD ReadFailure(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    char first = 0;
    DWORD read = 0;
    if (!ReadFile(file.Get(), &first, 1, &read, nullptr)) return GetLastError();
    return 0;
}

DocumentOpenResult OpenDocumentFile(const std::wstring& path, const PasswordSource& password) {
    DocumentOpenResult result;
    ComPtr<DocumentReader> reader = CreateReaderForFile(path);
    if (!reader) {
        result.status = DocumentOpenStatus::kNoReader;
        return result;
    }
    const ScopedBstr bstrPath(path.c_str());
    HRESULT opened = reader->Open(bstrPath.Get());
    if (opened == kOpenNeedsPassword) {
        std::optional<std::wstring> given = password ? password() : std::nullopt;
        if (!given || given->empty()) {
            result.status = DocumentOpenStatus::kNeedsPassword;
            return result;
        }
        // A reader that asks for a password but takes none is refused below like a damaged file.
        if (PassPassword(*reader.Get(), *given)) {
            opened = reader->Open(bstrPath.Get());
            if (opened != S_OK) {
                result.status = DocumentOpenStatus::kWrongPassword;
                return result;
            }
        }
        SecureZeroMemory(given->data(), given->size() * sizeof(wchar_t));
    }
    if (opened == kOpenProtectedUnreadable) {
        result.status = DocumentOpenStatus::kProtected;
        return result;
    }
    if (opened != S_OK) {
        result.systemError = ReadFailure(path);
        result.status = result.systemError ? DocumentOpenStatus::kUnreadable : DocumentOpenStatus::kDamaged;
        return result;
    }
    reader->QueryInterface(kIidImageCollection, reinterpret_cast<void**>(result.collection.GetAddressOf()));
    if (!result.collection) {
        result.status = DocumentOpenStatus::kNoCollection;
        return result;
    }
    ComPtr<DocumentCondition> condition;
    result.collection->QueryInterface(kIidDocumentCondition, reinterpret_cast<void**>(condition.GetAddressOf()));
    int state = kDocumentWhole;
    if (condition && SUCCEEDED(condition->GetCondition(&state))) result.damaged = state == kDocumentDamaged;
    result.collection->GetImageCount(&result.imageCount);
    if (result.imageCount < 0) result.imageCount = 0;
    result.status = result.imageCount > 0 ? DocumentOpenStatus::kOpened : DocumentOpenStatus::kNoImages;
    return result;
}

}  // namespace pictrove
