// Checking a language's dialog layouts: the built-in templates read back, layouts that cannot
// stand in for them, texts measured on live dialogs, and the fallback a faulty layout gets.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "reader/PasswordDialog.h"
#include "resources/DialogLayoutCheck.h"
#include "resources/LanguageResources.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"

namespace pictrove::test {
namespace {

DialogTemplateBuilder BuiltIn(UINT id) {
    DialogTemplateBuilder d;
    EXPECT_TRUE(ReadBuiltInDialog(id, d)) << id;
    return d;
}

DialogControlItem* Find(DialogTemplateBuilder& d, uint32_t id) {
    for (auto& item : d.controls) {
        if (item.id == id) return &item;
    }
    return nullptr;
}

TEST(BuiltInDialogs, ReadBackAsTheTemplatesTheyAre) {
    const DialogTemplateBuilder password = BuiltIn(IDD_PASSWORD);
    EXPECT_EQ(password.caption, L"Enter password");
    EXPECT_EQ(password.style, 0x80C800C8u);
    EXPECT_EQ(password.width, 278);
    EXPECT_EQ(password.height, 65);
    EXPECT_EQ(password.fontName, L"MS Shell Dlg");
    EXPECT_EQ(password.pointSize, 8);
    ASSERT_EQ(password.controls.size(), 6u);
    EXPECT_EQ(password.controls[0].id, static_cast<uint32_t>(IDOK));
    EXPECT_EQ(password.controls[0].caption, L"OK");
    EXPECT_EQ(password.controls[3].id, 0xFFFFu);
    EXPECT_EQ(password.controls[3].caption, L"&Enter Password:");
    EXPECT_EQ(password.controls[5].captionId, IDI_PASSWORD) << "the icon is named by its ordinal";
    EXPECT_EQ(_wcsicmp(BuiltIn(IDD_PROGRESS).controls[1].className.c_str(), L"msctls_progress32"), 0);
    DialogTemplateBuilder missing;
    EXPECT_FALSE(ReadBuiltInDialog(4711, missing));
}

TEST(BuiltInDialogs, ATemplateReadsBackAsItWasBuilt) {
    DialogTemplateBuilder d = BuiltIn(IDD_EXTRACT_SETTINGS);
    d.caption = L"Odd length";
    d.controls[5].caption = L"Line one\nLine two";
    const std::vector<uint8_t> block = BuildDialogTemplate(d);
    DialogTemplateBuilder back;
    ASSERT_TRUE(ParseDialogTemplate(block.data(), block.size(), back));
    EXPECT_EQ(back.caption, d.caption);
    ASSERT_EQ(back.controls.size(), d.controls.size());
    for (size_t i = 0; i < d.controls.size(); ++i) {
        EXPECT_EQ(back.controls[i].id, d.controls[i].id) << i;
        EXPECT_EQ(back.controls[i].caption, d.controls[i].caption) << i;
        EXPECT_EQ(back.controls[i].classAtom, d.controls[i].classAtom) << i;
        EXPECT_EQ(back.controls[i].y, d.controls[i].y) << i;
    }
    // Cut short anywhere, the bytes do not make a template.
    for (size_t size : {size_t{0}, size_t{10}, block.size() / 2, block.size() - 1}) {
        EXPECT_FALSE(ParseDialogTemplate(block.data(), size, back)) << size;
    }
}

TEST(LayoutFault, NamesWhatKeepsALayoutFromStandingInForTheBuiltInOne) {
    const DialogTemplateBuilder builtIn = BuiltIn(IDD_PASSWORD);
    struct Case {
        const char* name;
        std::function<void(DialogTemplateBuilder&)> change;
        const wchar_t* fault;
    } cases[] = {
        {"unchanged", [](DialogTemplateBuilder&) {}, L""},
        {"wider and reordered",
         [](DialogTemplateBuilder& d) {
             d.width = 400;
             std::swap(d.controls[0], d.controls[4]);
         },
         L""},
        {"no width", [](DialogTemplateBuilder& d) { d.width = 0; }, L"the dialog has no size"},
        {"control without height", [](DialogTemplateBuilder& d) { Find(d, IDOK)->height = 0; },
         L"control 1 has no size"},
        {"control past the right edge", [](DialogTemplateBuilder& d) { Find(d, IDCANCEL)->x = 240; },
         L"control 2 lies outside the dialog"},
        {"control above the top", [](DialogTemplateBuilder& d) { Find(d, IDC_PASSWORD_EDIT)->y = -3; },
         L"control 1000 lies outside the dialog"},
        {"unknown id",
         [](DialogTemplateBuilder& d) {
             d.controls.push_back(d.controls[0]);
             d.controls.back().id = 1234;
         },
         L"control 1234 is unknown to this dialog"},
        {"Cancel missing", [](DialogTemplateBuilder& d) { d.controls.erase(d.controls.begin() + 1); },
         L"control 2 is missing"},
        {"OK twice", [](DialogTemplateBuilder& d) { d.controls.push_back(d.controls[0]); }, L"control 1 appears twice"},
        {"edit made a static",
         [](DialogTemplateBuilder& d) {
             Find(d, IDC_PASSWORD_EDIT)->classAtom = 0;
             Find(d, IDC_PASSWORD_EDIT)->className = L"Static";
         },
         L"control 1000 has another window class"},
        {"class by name",
         [](DialogTemplateBuilder& d) {
             Find(d, IDC_PASSWORD_EDIT)->classAtom = 0;
             Find(d, IDC_PASSWORD_EDIT)->className = L"EDIT";
         },
         L""},
        {"pop-up control", [](DialogTemplateBuilder& d) { Find(d, IDOK)->style = WS_POPUP | WS_VISIBLE; },
         L"control 1 is no child window"},
        {"extra unnamed label", [](DialogTemplateBuilder& d) { d.controls.push_back(d.controls[3]); }, L""},
    };
    for (const Case& c : cases) {
        DialogTemplateBuilder layout = builtIn;
        c.change(layout);
        EXPECT_EQ(LayoutFault(layout, builtIn), c.fault) << c.name;
    }
    // A combo box's drop-down list may reach below the dialog; its box may not.
    const DialogTemplateBuilder extract = BuiltIn(IDD_EXTRACT_SETTINGS);
    EXPECT_EQ(LayoutFault(extract, extract), L"");
    DialogTemplateBuilder low = extract;
    Find(low, IDC_EXTRACT_TYPE)->y = -1;
    EXPECT_EQ(LayoutFault(low, extract), L"control 1006 lies outside the dialog");
}

// ---- Texts measured on a live dialog ----

struct Measured {
    std::vector<ClippedText> clipped;
    std::vector<ClippedText> afterWidening;
    RECT ok{}, cancel{};
    int grown = 0;
};

INT_PTR CALLBACK MeasuringProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* measured = reinterpret_cast<Measured*>(lParam);
    for (int id : {30, 31}) {
        SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Bitmap"));
    }
    SendDlgItemMessageW(dialog, 31, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"A much longer kind of image"));
    measured->clipped = FindClippedTexts(dialog);
    RECT before{}, after{};
    GetWindowRect(dialog, &before);
    WidenClippedButtons(dialog);
    GetWindowRect(dialog, &after);
    measured->grown = (after.right - after.left) - (before.right - before.left);
    measured->afterWidening = FindClippedTexts(dialog);
    for (auto [id, rect] : {std::pair{20, &measured->ok}, std::pair{21, &measured->cancel}}) {
        if (GetDlgItem(dialog, id)) GetWindowRect(GetDlgItem(dialog, id), rect);
    }
    EndDialog(dialog, IDOK);
    return TRUE;
}

DialogControlItem Item(uint16_t atom,
                       uint32_t id,
                       int16_t x,
                       int16_t y,
                       int16_t width,
                       int16_t height,
                       const std::wstring& text,
                       uint32_t style = WS_CHILD | WS_VISIBLE) {
    DialogControlItem item;
    item.classAtom = atom;
    item.id = id;
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
    item.caption = text;
    item.style = style;
    return item;
}

TEST(FindClippedTexts, ReportsEachTextItsControlShowsOnlyInPart) {
    DialogTemplateBuilder d;
    d.style = 0x80C800C8;
    d.width = 300;
    d.height = 200;
    d.caption = L"Short";
    d.fontName = L"MS Shell Dlg";
    d.pointSize = 8;
    d.weight = 400;
    const std::wstring twoLines = L"A label long enough to need a second line in its box";
    d.controls = {
        Item(0x82, 10, 5, 5, 100, 8, L"Fits"),
        Item(0x82, 11, 5, 15, 20, 8, L"Much too long for this"),
        Item(0x82, 12, 5, 25, 100, 8, twoLines),
        Item(0x82, 13, 5, 35, 100, 18, twoLines),
        Item(0x82, 14, 5, 55, 20, 8, L"No wrapping here", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP),
        Item(0x82, 15, 5, 65, 20, 20, L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDFRAME),
        Item(0x80, 20, 5, 90, 50, 14, L"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON),
        Item(0x80, 21, 60, 90, 30, 14, L"Abbrechen und schließen", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON),
        Item(0x80, 22, 100, 90, 20, 14, L"Auto check box", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX),
        Item(0x82, 23, 130, 90, 20, 8, L"Hidden and long", WS_CHILD),
        Item(0x85, 30, 5, 110, 100, 60, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST),
        Item(0x85, 31, 110, 110, 60, 60, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST),
    };
    const std::vector<uint8_t> block = BuildDialogTemplate(d);
    Measured measured;
    ASSERT_EQ(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(block.data()),
                                      nullptr, MeasuringProc, reinterpret_cast<LPARAM>(&measured)),
              IDOK);
    std::vector<std::pair<int, std::wstring>> found;
    for (const ClippedText& c : measured.clipped) {
        found.emplace_back(c.controlId, c.text);
        EXPECT_GT(c.needed, c.available) << c.controlId;
    }
    std::vector<std::pair<int, std::wstring>> expected = {
        {11, L"Much too long for this"},
        {12, twoLines},
        {14, L"No wrapping here"},
        {21, L"Abbrechen und schließen"},
        {31, L"A much longer kind of image"},
    };
    EXPECT_EQ(found, expected);
    // Widened, the long button pushes OK left past the dialog's margin: the dialog grows.
    found.clear();
    for (const ClippedText& c : measured.afterWidening) found.emplace_back(c.controlId, c.text);
    expected.erase(expected.begin() + 3);
    EXPECT_EQ(found, expected);
    EXPECT_GT(measured.grown, 0);
    EXPECT_LE(measured.ok.right, measured.cancel.left) << "the buttons keep their order without overlapping";
}

TEST(FindClippedTexts, ACaptionWiderThanItsTitleBarIsClipped) {
    DialogTemplateBuilder d;
    d.style = 0x80C800C8;
    d.width = 60;
    d.height = 30;
    d.caption = L"A caption far wider than this small dialog";
    d.fontName = L"MS Shell Dlg";
    d.pointSize = 8;
    d.weight = 400;
    const std::vector<uint8_t> block = BuildDialogTemplate(d);
    Measured measured;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(block.data()), nullptr,
                            MeasuringProc, reinterpret_cast<LPARAM>(&measured));
    ASSERT_EQ(measured.clipped.size(), 1u);
    EXPECT_EQ(measured.clipped[0].controlId, 0);
    EXPECT_EQ(measured.clipped[0].text, d.caption);
}

// ---- A faulty layout falls back to the built-in dialog; the rest of the language stays ----

class FaultyLayouts : public testing::Test {
  protected:
    void Load(const std::string& dialog) {
        ASSERT_TRUE(WriteText(
            folder_.File(L"lang.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages><Language ID=\"de\" Name=\"Deutsch\">"
            "<Strings><S ID=\"210\" Data=\"%s ist gesch\xc3\xbctzt.\"/></Strings>"
            "<Dialogs>" +
                dialog +
                "</Dialogs><Menus><Menu ID=\"221\"><MenuItem Popup=\"1\" Data=\"temp\">"
                "<MenuItem ID=\"57634\" Data=\"Bild kopieren\"/></MenuItem></Menu></Menus></Language></Languages>"));
        ASSERT_TRUE(language_.LoadLanguageFile(folder_.File(L"lang.xml")));
        language_.languageId = L"de";
        ASSERT_TRUE(language_.SelectLanguage());
    }
    TempFolder folder_;
    LanguageResources language_;
};

// The built-in password layout in XML, with one control's attributes replaced.
std::string PasswordLayout(const std::string& labelWidth = "60",
                           const std::string& extra = "",
                           const std::string& cancelId = "2",
                           const std::string& dialogWidth = "278") {
    return "<Dialog ID=\"129\" Style=\"-2134376248\" Width=\"" + dialogWidth +
           "\" Height=\"65\" Caption=\"Kennwort eingeben\">"
           "<Control ID=\"1\" Style=\"1342242817\" SystemClass=\"128\" X=\"165\" Y=\"45\" Width=\"50\" Height=\"14\" "
           "Caption=\"OK\"/>"
           "<Control ID=\"" +
           cancelId +
           "\" Style=\"1342242816\" SystemClass=\"128\" X=\"222\" Y=\"45\" Width=\"50\" Height=\"14\" "
           "Caption=\"Abbrechen\"/>"
           "<Control ID=\"1001\" Style=\"1342308352\" SystemClass=\"130\" X=\"32\" Y=\"7\" Width=\"240\" "
           "Height=\"18\"/>"
           "<Control ID=\"-1\" Style=\"1342308352\" SystemClass=\"130\" X=\"32\" Y=\"29\" Width=\"" +
           labelWidth +
           "\" Height=\"8\" Caption=\"&amp;Kennwort:\"/>"
           "<Control ID=\"1000\" Style=\"1350631584\" SystemClass=\"129\" X=\"138\" Y=\"27\" Width=\"134\" "
           "Height=\"13\"/>" +
           extra + "</Dialog>";
}

TEST_F(FaultyLayouts, EachFaultShowsTheBuiltInDialogWithTheLanguagesTexts) {
    struct Case {
        const char* name;
        std::string layout;
        const wchar_t* caption;
    } cases[] = {
        {"sound", PasswordLayout(), L"Kennwort eingeben"},
        {"too narrow a label", PasswordLayout("12"), L"Enter password"},
        {"unknown control",
         PasswordLayout("60",
                        "<Control ID=\"1017\" Style=\"1342308352\" SystemClass=\"130\" X=\"5\" Y=\"50\" "
                        "Width=\"20\" Height=\"8\" Caption=\"?\"/>"),
         L"Enter password"},
        {"no Cancel", PasswordLayout("60", "", "3"), L"Enter password"},
        // Sound to look at, but the system cannot make one of its windows.
        {"unknown window class",
         PasswordLayout("60",
                        "<Control ID=\"-1\" Style=\"1342177280\" ClassName=\"NoSuchControlClass\" X=\"5\" "
                        "Y=\"50\" Width=\"20\" Height=\"8\"/>"),
         L"Enter password"},
        {"no size", PasswordLayout("60", "", "2", "0"), L"Enter password"},
        {"not numbers", PasswordLayout("sixty", "", "2", "wide"), L"Enter password"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.layout);
        const LanguageResources* previous = SetUiLanguage(&language_);
        std::vector<std::wstring> captions;
        std::wstring prompt;
        DialogCapture capture([&](HWND dialog) {
            wchar_t text[64] = L"";
            GetWindowTextW(dialog, text, 64);
            captions.push_back(text);
            prompt = DialogItemText(dialog, IDC_PASSWORD_PROMPT);
            SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"typed");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        PasswordDialog dialog(L"C:\\a\\b.pdf");
        EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
        UniqueMenu menu = LoadMenuResource(IDR_CONTEXT_MENU);
        SetUiLanguage(previous);
        EXPECT_EQ(captions, std::vector<std::wstring>{c.caption}) << "one dialog, never a dead one";
        EXPECT_EQ(prompt, L"b.pdf ist gesch\u00fctzt.") << "the language's texts still apply";
        EXPECT_EQ(dialog.Password(), L"typed");
        wchar_t item[64] = L"";
        GetMenuStringW(GetSubMenu(menu.Get(), 0), 0, item, 64, MF_BYPOSITION);
        EXPECT_STREQ(item, L"Bild kopieren") << "and so does its menu";
    }
}

}  // namespace
}  // namespace pictrove::test
