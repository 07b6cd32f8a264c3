// The language file: its list of languages, the selected language and that language's texts.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "resources/XmlDocument.h"

namespace pictrove {

inline constexpr wchar_t kLanguageFileName[] = L"PictroveResource.xml";

struct LanguageEntry {
    std::wstring id;
    std::wstring name;
};

// The selected language's command table: groups of commands with names and tooltips.
struct CommandInfo {
    int32_t id = -1;
    std::wstring name;
    std::wstring tooltip;
};

struct CommandGroup {
    std::wstring name;
    std::vector<CommandInfo> commands;
};

// Reads a "Commands" element into groups (document order); false and empty when there is none.
bool LoadCommandTable(IXMLDOMNode* commands, std::vector<CommandGroup>& groups);

class LanguageResources {
  public:
    LanguageResources() = default;
    LanguageResources(const LanguageResources&) = delete;
    LanguageResources& operator=(const LanguageResources&) = delete;

    // Forgets any earlier file and selection, loads the file and lists its languages.
    bool LoadLanguageFile(const std::wstring& path);
    // Selects the language whose "ID" equals languageId exactly and takes its texts. False when
    // none matches: every lookup then falls back to the executable's resources.
    bool SelectLanguage();
    // The selected language's text of an id, which may be empty.
    bool GetLanguageString(uint32_t id, std::wstring& text) const;
    // A node below the selected language; none when no language is selected.
    xml::ComPtr<IXMLDOMNode> FindLanguageElement(const std::wstring& path) const;
    void Release();

    const std::vector<LanguageEntry>& Languages() const { return languages_; }
    const std::vector<CommandGroup>& CommandGroups() const { return commandGroups_; }
    // The command of an id in the table, or none.
    const CommandInfo* FindCommand(int32_t id) const;
    const std::wstring& Path() const { return path_; }
    bool HasSelection() const { return languageNode_ != nullptr; }

    std::wstring languageId;

  private:
    std::wstring path_;
    xml::ComPtr<IXMLDOMDocument> document_;
    xml::ComPtr<IXMLDOMNode> languageNode_;
    std::unordered_map<uint32_t, std::wstring> strings_;
    std::vector<LanguageEntry> languages_;
    std::vector<CommandGroup> commandGroups_;
};

}  // namespace pictrove
