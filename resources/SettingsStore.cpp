// Reading and writing the settings file.
#include "resources/SettingsStore.h"

#include <shlwapi.h>

#include "common/Handles.h"

namespace pictrove {

namespace {

// Written as text mode would: each line break as carriage return and line feed, no byte-order
// mark, no final line break.
constexpr char kTemplate[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting>\r\n</Setting>";

void CreateFromTemplate(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    const DWORD size = sizeof(kTemplate) - 1;
    const bool whole = WriteFile(file.Get(), kTemplate, size, &written, nullptr) && written == size;
    file.Reset();
    // A cut-off template would stay unreadable for good; without a file the next start tries again.
    if (!whole) DeleteFileW(path.c_str());
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".\\") : path.substr(0, slash + 1);
}

bool FlushToDisk(const std::wstring& path) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    return FlushFileBuffers(file.Get()) && GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0;
}

bool IsReadableFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

bool SetAsideDamaged(const std::wstring& path) {
    return MoveFileExW(path.c_str(), (path + kDamagedSuffix).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

bool SaveDocumentReplacing(IXMLDOMDocument* document, const std::wstring& path) {
    if (!document) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // Renaming onto a read-only file succeeds under Wine although writing it would not.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        return false;
    }
    wchar_t temporary[MAX_PATH] = L"";
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"pst", 0, temporary)) return false;
    const bool replaced = SUCCEEDED(xml::SaveDocument(document, temporary)) && FlushToDisk(temporary) &&
                          MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) DeleteFileW(temporary);
    return replaced;
}

bool SettingsStore::OpenSettings(const std::wstring& path, const std::wstring& fallbackPath) {
    Release();
    fallbackPath_ = fallbackPath;
    // A file in the fallback place exists only because the program folder once refused a write:
    // it holds the newest settings.
    const bool useFallback = !fallbackPath_.empty() && PathFileExistsW(fallbackPath_.c_str());
    path_ = useFallback ? fallbackPath_ : path;
    if (!PathFileExistsW(path_.c_str())) {
        CreateFromTemplate(path_);
        if (!PathFileExistsW(path_.c_str()) && MoveToFallback()) CreateFromTemplate(path_);
    }
    if (!EnsureLoaded()) {
        // A file that reads but makes no sense would swallow every later change, run after run:
        // it is kept aside for the user and a fresh one takes its place. A file that cannot be
        // read at all (held open by another program) is left alone.
        if (!IsReadableFile(path_)) return false;
        if (!SetAsideDamaged(path_) && !MoveToFallback()) return false;
        CreateFromTemplate(path_);
        if (!EnsureLoaded()) return false;
    }
    ReadValues();
    return true;
}

bool SettingsStore::MoveToFallback() {
    if (fallbackPath_.empty() || path_ == fallbackPath_) return false;
    // Only the program's own folder is made; the user's profile folder above it already exists.
    const std::wstring folder = FolderOf(fallbackPath_);
    CreateDirectoryW(folder.c_str(), nullptr);
    path_ = fallbackPath_;
    return true;
}

bool SettingsStore::EnsureLoaded() {
    if (document_) return true;
    document_ = xml::CreateDomDocument();
    if (!document_) return false;
    if (xml::LoadDocument(document_.Get(), path_)) root_ = xml::SelectNode(document_.Get(), L"Setting");
    if (!root_) document_.Reset();
    return root_ != nullptr;
}

void SettingsStore::ReadValues() {
    if (auto window = xml::SelectNode(root_.Get(), L"MainWindow")) {
        maximized = xml::ParseDecimal(xml::GetAttribute(window.Get(), L"Maximized", L"")) != 0 ? 1 : 0;
        if (auto rect = xml::SelectNode(window.Get(), L"Rect")) {
            left = xml::ParseDecimal(xml::GetAttribute(rect.Get(), L"Left", L""));
            top = xml::ParseDecimal(xml::GetAttribute(rect.Get(), L"Top", L""));
            right = xml::ParseDecimal(xml::GetAttribute(rect.Get(), L"Right", L""));
            bottom = xml::ParseDecimal(xml::GetAttribute(rect.Get(), L"Bottom", L""));
        }
        if (auto pane = xml::SelectNode(window.Get(), L"LeftPane")) {
            splitterPos = xml::ParseDecimal(xml::GetAttribute(pane.Get(), L"SplitterPos", L""));
        }
    }
    // "General" exists in memory from now on, so a saved file always has it first.
    auto general = xml::GetOrCreateNode(root_.Get(), L"General", document_.Get(), true, false);
    auto language = xml::SelectNode(general.Get(), L"Language");
    languageId = xml::GetAttribute(language.Get(), L"ID", L"");
}

void SettingsStore::PutLanguage() {
    auto general = xml::GetOrCreateNode(root_.Get(), L"General", document_.Get(), true, false);
    auto language = xml::GetOrCreateNode(general.Get(), L"Language", document_.Get(), true, false);
    xml::SetAttributeString(language.Get(), L"ID", languageId);
}

bool SettingsStore::WriteDocument() {
    if (SaveDocumentReplacing(document_.Get(), path_)) return true;
    // The program folder may be closed to the user (installed for everyone, read-only media):
    // the settings move to the user's own folder instead of being lost.
    return MoveToFallback() && SaveDocumentReplacing(document_.Get(), path_);
}

bool SettingsStore::SaveSettings() {
    if (!EnsureLoaded()) return false;
    PutLanguage();

    auto window = xml::GetOrCreateNode(root_.Get(), L"MainWindow", document_.Get(), true, true);
    xml::SetAttributeBool(window.Get(), L"Maximized", maximized);
    auto rect = xml::CreateChildElement(document_.Get(), window.Get(), L"Rect");
    xml::SetAttributeInt(rect.Get(), L"Left", left);
    xml::SetAttributeInt(rect.Get(), L"Top", top);
    xml::SetAttributeInt(rect.Get(), L"Right", right);
    xml::SetAttributeInt(rect.Get(), L"Bottom", bottom);
    auto pane = xml::CreateChildElement(document_.Get(), window.Get(), L"LeftPane");
    xml::SetAttributeInt(pane.Get(), L"SplitterPos", splitterPos);

    // Not reported: a settings file that cannot be written anywhere costs only this session's changes.
    WriteDocument();
    return true;
}

bool SettingsStore::SaveLanguage() {
    if (!EnsureLoaded()) return false;
    PutLanguage();
    return WriteDocument();
}

bool SettingsStore::ReadExtractOptions(std::wstring& folder, int& imageType) {
    if (!root_) return false;
    auto options = xml::GetOrCreateNode(root_.Get(), L"ExtractImageDlg", document_.Get(), true, false);
    folder = xml::GetAttribute(options.Get(), L"Folder", L"");
    imageType = xml::ParseDecimal(xml::GetAttribute(options.Get(), L"ImageType", L""));
    return true;
}

void SettingsStore::WriteExtractOptions(const std::wstring& folder, int imageType) {
    if (!root_) return;
    auto options = xml::GetOrCreateNode(root_.Get(), L"ExtractImageDlg", document_.Get(), true, false);
    xml::SetAttributeString(options.Get(), L"Folder", folder);
    xml::SetAttributeInt(options.Get(), L"ImageType", imageType);
}

void SettingsStore::Release() {
    root_.Reset();
    document_.Reset();
}

}  // namespace pictrove
