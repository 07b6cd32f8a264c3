// Menu building from XML.
#include "resources/MenuBuilder.h"

#include "resources/LanguageResources.h"
#include "resources/UiStrings.h"
#include "resources/XmlDocument.h"
#include "ui/Window.h"

namespace pictrove {

bool AppendMenuItemFromXml(HMENU target, IXMLDOMNode* item) {
    if (!target || !item) return false;
    const int32_t popup = xml::ParseDecimal(xml::GetAttribute(item, L"Popup", L""));
    const int32_t grayed = xml::ParseDecimal(xml::GetAttribute(item, L"Grayed", L""));
    const int32_t id = xml::ParseDecimal(xml::GetAttribute(item, L"ID", L""));
    const std::wstring text = xml::UnescapeTabs(xml::GetAttribute(item, L"Data", L""));

    if (popup) {
        UniqueMenu submenu(CreateMenu());
        if (!submenu) return false;
        auto children = xml::SelectNodes(item, L"MenuItem");
        if (!children) return false;
        xml::ForEachNode(children.Get(), [&](IXMLDOMNode* child) { AppendMenuItemFromXml(submenu.Get(), child); });
        const UINT flags = MF_POPUP | (grayed ? MF_GRAYED : 0);
        if (!AppendMenuW(target, flags, reinterpret_cast<UINT_PTR>(submenu.Get()), text.c_str())) return false;
        submenu.Detach();  // the parent menu owns it now
        return true;
    }
    if (id == -1 && text == L"-") return AppendMenuW(target, MF_SEPARATOR, 0, nullptr) != FALSE;
    return AppendMenuW(target, grayed ? MF_GRAYED : MF_STRING, static_cast<UINT_PTR>(static_cast<UINT>(id)),
                       text.c_str()) != FALSE;
}

bool LoadMenuFromLanguage(const LanguageResources* language, UINT menuId, UniqueMenu& holder) {
    if (!language || !language->HasSelection()) return false;
    auto menuNode = language->FindLanguageElement(
        xml::ChildByNumberPattern(L"Menus", L"Menu", L"ID", static_cast<int32_t>(menuId)));
    if (!menuNode) return false;
    UniqueMenu menu(CreateMenu());
    if (!menu) return false;
    auto items = xml::SelectNodes(menuNode.Get(), L"MenuItem");
    if (!items) return false;
    xml::ForEachNode(items.Get(), [&](IXMLDOMNode* item) { AppendMenuItemFromXml(menu.Get(), item); });
    holder = std::move(menu);
    return true;
}

UniqueMenu LoadMenuResource(UINT menuId) {
    UniqueMenu menu;
    if (!LoadMenuFromLanguage(UiLanguage(), menuId, menu)) {
        menu.Reset(LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(menuId)));
    }
    return menu;
}

}  // namespace pictrove
