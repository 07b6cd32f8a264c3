// Loading the language file and selecting a language.
#include "resources/LanguageResources.h"

namespace pictrove {

bool LanguageResources::LoadLanguageFile(const std::wstring& path) {
    strings_.clear();
    languageNode_.Reset();
    document_.Reset();
    path_.clear();
    languages_.clear();

    document_ = xml::CreateDomDocument();
    if (!document_) return false;
    path_ = path;
    if (!xml::LoadDocument(document_.Get(), path_)) {
        document_.Reset();
        return false;
    }
    auto list = xml::SelectNodes(document_.Get(), xml::ChildPattern(L"Languages", L"Language"));
    xml::ForEachNode(list.Get(), [this](IXMLDOMNode* language) {
        languages_.push_back({xml::GetAttribute(language, L"ID", L""), xml::GetAttribute(language, L"Name", L"")});
    });
    return true;
}

bool LoadCommandTable(IXMLDOMNode* commands, std::vector<CommandGroup>& groups) {
    groups.clear();
    if (!commands) return false;
    xml::ForEachNode(xml::SelectNodes(commands, L"Group").Get(), [&](IXMLDOMNode* groupNode) {
        auto commandNodes = xml::SelectNodes(groupNode, L"Command");
        if (!commandNodes) return;
        CommandGroup group{xml::GetAttribute(groupNode, L"Name", L""), {}};
        xml::ForEachNode(commandNodes.Get(), [&](IXMLDOMNode* node) {
            CommandInfo command{xml::ParseDecimal(xml::GetAttribute(node, L"ID", L"-1")),
                                xml::GetAttribute(node, L"Name", L""), xml::GetAttribute(node, L"Tooltip", L"")};
            if (!command.name.empty()) group.commands.push_back(std::move(command));
        });
        groups.push_back(std::move(group));
    });
    return true;
}

const CommandInfo* LanguageResources::FindCommand(int32_t id) const {
    for (const CommandGroup& group : commandGroups_) {
        for (const CommandInfo& command : group.commands) {
            if (command.id == id) return &command;
        }
    }
    return nullptr;
}

bool LanguageResources::SelectLanguage() {
    strings_.clear();
    commandGroups_.clear();
    languageNode_.Reset();
    if (!document_) return false;
    if (languageId.find(L'"') == std::wstring::npos) {
        languageNode_ =
            xml::SelectNode(document_.Get(), xml::ChildByTextPattern(L"Languages", L"Language", L"ID", languageId));
    } else {
        // A quote would end the pattern's literal early, and MSXML under Wine crashes on the
        // broken query; comparing each language's identifier keeps the match exact.
        auto list = xml::SelectNodes(document_.Get(), xml::ChildPattern(L"Languages", L"Language"));
        xml::ForEachNode(list.Get(), [this](IXMLDOMNode* language) {
            if (!languageNode_ && xml::GetAttribute(language, L"ID", L"") == languageId) languageNode_ = language;
        });
    }
    if (!languageNode_) return false;
    if (auto strings = xml::SelectNode(languageNode_.Get(), L"Strings")) {
        auto entries = xml::ChildNodes(strings.Get());
        xml::ForEachNode(entries.Get(), [this](IXMLDOMNode* entry) {
            const auto id = static_cast<uint32_t>(xml::ParseDecimal(xml::GetAttribute(entry, L"ID", L"")));
            strings_[id] = xml::UnescapeText(xml::GetAttribute(entry, L"Data", L""));
        });
    }
    LoadCommandTable(xml::SelectNode(languageNode_.Get(), L"Commands").Get(), commandGroups_);
    return true;
}

bool LanguageResources::GetLanguageString(uint32_t id, std::wstring& text) const {
    const auto found = strings_.find(id);
    if (found == strings_.end()) return false;
    text = found->second;
    return true;
}

xml::ComPtr<IXMLDOMNode> LanguageResources::FindLanguageElement(const std::wstring& path) const {
    if (!languageNode_) return nullptr;
    return xml::SelectNode(languageNode_.Get(), path);
}

void LanguageResources::Release() {
    strings_.clear();
    commandGroups_.clear();
    languageNode_.Reset();
    document_.Reset();
    languages_.clear();
}

}  // namespace pictrove
