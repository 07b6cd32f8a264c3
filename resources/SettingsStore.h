// The user's settings: window placement, splitter, language and extraction choices, kept in an
// XML file beside the executable.
#pragma once

#include <cstdint>
#include <string>

#include "resources/XmlDocument.h"

namespace pictrove {

inline constexpr wchar_t kSettingsFileName[] = L"PictroveSetting.xml";
// Appended to the name of a settings file that could be read but not understood, when it is
// moved aside for a fresh one.
inline constexpr wchar_t kDamagedSuffix[] = L".bad";

class SettingsStore {
  public:
    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Creates the file from the template when missing, then reads it. A file that can be read
    // but is not a settings document (not XML, no "Setting" root) is renamed with kDamagedSuffix
    // and replaced by a fresh one. False when no settings document could be loaded; the initial
    // values then stay.
    // With a fallback path (a per-user file for a program folder the user cannot write), a file
    // at the fallback path is read instead when it exists, and it takes over whenever the file
    // at path cannot be created or written.
    bool OpenSettings(const std::wstring& path, const std::wstring& fallbackPath = {});
    // Writes the values into the document and replaces the file with it. False when the file
    // could not be loaded; a write that fails leaves the old file as it was and, when there is a
    // fallback path, goes there instead.
    bool SaveSettings();
    // Writes only the language into the file; everything else in it stays as it was. False when
    // the file could not be loaded or written.
    bool SaveLanguage();
    bool ReadExtractOptions(std::wstring& folder, int& imageType);
    void WriteExtractOptions(const std::wstring& folder, int imageType);
    // Drops the document and its root.
    void Release();

    const std::wstring& Path() const { return path_; }
    bool IsLoaded() const { return root_ != nullptr; }

    std::wstring languageId = L"en";
    int32_t maximized = 1;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 799;
    int32_t bottom = 599;
    int32_t splitterPos = 300;

  private:
    bool EnsureLoaded();
    void ReadValues();
    void PutLanguage();
    bool WriteDocument();
    // Makes the fallback path the file's path; false when there is none to move to.
    bool MoveToFallback();

    std::wstring path_;
    std::wstring fallbackPath_;
    xml::ComPtr<IXMLDOMDocument> document_;
    xml::ComPtr<IXMLDOMNode> root_;
};

// Writes the file a document's bytes belong in without ever leaving it half written: the
// document goes to a fresh file in the same folder, which then takes the old file's place.
// A read-only target is left alone. False when the target was not replaced.
bool SaveDocumentReplacing(IXMLDOMDocument* document, const std::wstring& path);

}  // namespace pictrove
