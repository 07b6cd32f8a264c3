// Menus and the command table from the language file, and the fallback to the built-in menu.
#include <gtest/gtest.h>

#include "resources/LanguageResources.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"

namespace pictrove::test {
namespace {

class LanguageMenus : public testing::Test {
  protected:
    void Load(const std::string& content) {
        ASSERT_TRUE(WriteText(folder_.File(L"lang.xml"),
                              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages><Language ID=\"xx\">" +
                                  content + "</Language></Languages>\r\n"));
        ASSERT_TRUE(language_.LoadLanguageFile(folder_.File(L"lang.xml")));
        language_.languageId = L"xx";
        ASSERT_TRUE(language_.SelectLanguage());
    }
    TempFolder folder_;
    LanguageResources language_;
};

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

TEST_F(LanguageMenus, BuildsItemsSeparatorsGrayedPopupsAndTabs) {
    Load(
        "<Menus><Menu ID=\"221\">"
        "<MenuItem Popup=\"1\" Data=\"temp\">"
        "<MenuItem ID=\"57634\" Data=\"Bild kopieren\"/>"
        "<MenuItem ID=\"-1\" Data=\"-\"/>"
        "<MenuItem ID=\"5\" Data=\"-\"/>"
        "<MenuItem ID=\"32773\" Data=\"E&amp;xtract selected\\tCtrl+E\" Grayed=\"1\"/>"
        "<MenuItem ID=\"-1\" Data=\"plain\\n\"/>"
        "</MenuItem>"
        "<MenuItem Popup=\"1\" Grayed=\"1\" Data=\"gray\"><MenuItem ID=\"7\" Data=\"inside\"/></MenuItem>"
        "<MenuItem Popup=\"1\" Data=\"empty\"/>"
        "</Menu><Menu ID=\"5\"/></Menus>");
    UniqueMenu menu;
    ASSERT_TRUE(LoadMenuFromLanguage(&language_, 221, menu));
    ASSERT_EQ(GetMenuItemCount(menu.Get()), 3);
    HMENU popup = GetSubMenu(menu.Get(), 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    EXPECT_EQ(GetMenuItemID(popup, 0), 57634u);
    EXPECT_EQ(ItemText(popup, 0), L"Bild kopieren");
    EXPECT_TRUE(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_FALSE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_SEPARATOR) << "id 5 with \"-\" is a text item";
    EXPECT_EQ(ItemText(popup, 2), L"-");
    EXPECT_EQ(ItemText(popup, 3), L"E&xtract selected\tCtrl+E");
    EXPECT_TRUE(GetMenuState(popup, 3, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(ItemText(popup, 4), L"plain\\n") << "only the tab escape applies to menu texts";
    EXPECT_EQ(GetMenuItemID(popup, 4), 0xFFFFFFFFu);

    EXPECT_TRUE(GetMenuState(menu.Get(), 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu.Get(), 1)), 1);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu.Get(), 2)), 0) << "a pop-up without children is empty";

    UniqueMenu empty;
    ASSERT_TRUE(LoadMenuFromLanguage(&language_, 5, empty)) << "an empty Menu is a menu, no fallback";
    EXPECT_EQ(GetMenuItemCount(empty.Get()), 0);
    UniqueMenu missing;
    EXPECT_FALSE(LoadMenuFromLanguage(&language_, 6, missing));
    EXPECT_FALSE(LoadMenuFromLanguage(nullptr, 221, missing));
}

TEST_F(LanguageMenus, LoadMenuResourceFallsBackToTheBuiltInMenu) {
    Load("<Menus><Menu ID=\"999\"/></Menus>");
    const LanguageResources* previous = SetUiLanguage(&language_);
    UniqueMenu menu = LoadMenuResource(IDR_CONTEXT_MENU);
    SetUiLanguage(previous);
    ASSERT_TRUE(menu);
    HMENU popup = GetSubMenu(menu.Get(), 0);
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(IDM_COPY_IMAGE));
    EXPECT_EQ(ItemText(popup, 1), L"E&xtract selected");
    EXPECT_EQ(ItemText(popup, 2), L"Extract &all");
    EXPECT_TRUE(GetMenuState(popup, 3, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(ItemText(popup, 4), L"About &Pictrove");
}

TEST_F(LanguageMenus, CommandTableKeepsGroupsAndSkipsNamelessCommands) {
    Load(
        "<Commands><Group Name=\"File\"><Command ID=\"57601\" Name=\"Open\" Tooltip=\"Open File\\n\"/>"
        "<Command Name=\"NoId\"/><Command ID=\"3\"/></Group><Group Name=\"Empty\"/></Commands>");
    const auto& groups = language_.CommandGroups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, L"File");
    ASSERT_EQ(groups[0].commands.size(), 2u);
    EXPECT_EQ(groups[0].commands[0].tooltip, L"Open File\\n") << "taken verbatim";
    EXPECT_EQ(groups[0].commands[1].id, -1);
    EXPECT_TRUE(groups[1].commands.empty());
    ASSERT_NE(language_.FindCommand(57601), nullptr);
    EXPECT_EQ(language_.FindCommand(57601)->name, L"Open");
    EXPECT_EQ(language_.FindCommand(3), nullptr);
}

TEST_F(LanguageMenus, NoCommandsGiveAnEmptyTable) {
    Load("<Strings/>");
    EXPECT_TRUE(language_.CommandGroups().empty());
    std::vector<CommandGroup> groups(3);
    EXPECT_FALSE(LoadCommandTable(nullptr, groups));
    EXPECT_TRUE(groups.empty());
}

}  // namespace
}  // namespace pictrove::test
