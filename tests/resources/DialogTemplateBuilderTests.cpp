// Dialog layouts from the language file: the description read from XML, the template bytes, and
// a real dialog of the program run from a translated layout.
#include <gtest/gtest.h>

#include <cstring>

#include "reader/PasswordDialog.h"
#include "resources/DialogTemplateBuilder.h"
#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"

namespace pictrove::test {
namespace {

class DialogLayouts : public testing::Test {
  protected:
    // Loads one language "xx" whose "Dialogs" element holds the given text, and selects it.
    void Load(const std::string& dialogs) {
        ASSERT_TRUE(WriteText(folder_.File(L"lang.xml"),
                              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages><Language ID=\"xx\" "
                              "Name=\"Test\"><Dialogs>" +
                                  dialogs + "</Dialogs></Language></Languages>\r\n"));
        ASSERT_TRUE(language_.LoadLanguageFile(folder_.File(L"lang.xml")));
        language_.languageId = L"xx";
        ASSERT_TRUE(language_.SelectLanguage());
    }
    DialogTemplateBuilder Read(unsigned id, bool expectFound = true) {
        DialogTemplateBuilder description;
        EXPECT_EQ(ReadDialogDescription(language_, id, description), expectFound) << id;
        return description;
    }

    TempFolder folder_;
    LanguageResources language_;
};

TEST_F(DialogLayouts, ReadsDialogAttributesFontAndControls) {
    Load(
        "<Dialog ID=\"129\" Style=\"2160591048\" ExtStyle=\"0\" X=\"1\" Y=\"2\" Width=\"278\" Height=\"65\" "
        "Caption=\"Kennwort\\n\"><Font Name=\"Tahoma\" Size=\"9\" Weight=\"700\"/>"
        "<Control ID=\"-1\" Style=\"1342308352\" SystemClass=\"130\" ClassName=\"Edit\" X=\"5\" Y=\"6\" Width=\"7\" "
        "Height=\"8\" Caption=\"Line one\\nLine two\"/>"
        "<Control ID=\"1008\" ClassName=\"msctls_progress32\" CaptionID=\"202\" Caption=\"ignored\"/></Dialog>"
        "<Dialog ID=\"213\" Style=\"-2134376248\"/>");
    const DialogTemplateBuilder d = Read(129);
    EXPECT_EQ(d.style, 0x80C800C8u);
    EXPECT_EQ(Read(213).style, 0x80C800C8u) << "negative and positive spellings give one style word";
    EXPECT_EQ(d.x, 1);
    EXPECT_EQ(d.width, 278);
    EXPECT_EQ(d.caption, L"Kennwort\\n") << "the dialog caption is taken as typed";
    EXPECT_EQ(d.fontName, L"Tahoma");
    EXPECT_EQ(d.pointSize, 9);
    EXPECT_EQ(d.weight, 700);
    ASSERT_EQ(d.controls.size(), 2u);
    EXPECT_EQ(d.controls[0].id, 65535u);
    EXPECT_EQ(d.controls[0].classAtom, 130);
    EXPECT_EQ(d.controls[0].className, L"");
    EXPECT_EQ(d.controls[0].caption, L"Line one\nLine two");
    EXPECT_EQ(d.controls[1].classAtom, 0);
    EXPECT_EQ(d.controls[1].className, L"msctls_progress32");
    EXPECT_EQ(d.controls[1].captionId, 202);
    EXPECT_EQ(d.controls[1].caption, L"");
}

TEST_F(DialogLayouts, FontDefaultsDependOnSetFont) {
    Load(
        "<Dialog ID=\"1\" Style=\"64\"/><Dialog ID=\"2\" Style=\"64\"><Font Name=\"Arial\"/></Dialog>"
        "<Dialog ID=\"3\" Style=\"0\"><Font Name=\"Arial\" Size=\"9\"/></Dialog>");
    const DialogTemplateBuilder noFont = Read(1);
    EXPECT_EQ(noFont.fontName, L"MS Shell Dlg");
    EXPECT_EQ(noFont.pointSize, 8);
    EXPECT_EQ(noFont.weight, 400);
    const DialogTemplateBuilder nameOnly = Read(2);
    EXPECT_EQ(nameOnly.fontName, L"Arial");
    EXPECT_EQ(nameOnly.pointSize, 0);
    EXPECT_EQ(nameOnly.weight, 400);
    const DialogTemplateBuilder withoutSetFont = Read(3);
    EXPECT_EQ(withoutSetFont.fontName, L"");
    EXPECT_EQ(withoutSetFont.pointSize, 0);
}

TEST_F(DialogLayouts, MissingDialogOrLanguageFallsBack) {
    Load("<Dialog ID=\"129\"/>");
    Read(1007, false);
    LanguageResources none;
    DialogTemplateBuilder description;
    EXPECT_FALSE(ReadDialogDescription(none, 129, description));
}

uint16_t WordAt(const std::vector<uint8_t>& block, size_t offset) {
    uint16_t value = 0;
    memcpy(&value, block.data() + offset, sizeof(value));
    return value;
}

TEST(DialogTemplate, EmptyCaptionWithoutFontPutsFirstItemAtByte32) {
    DialogTemplateBuilder d;
    d.controls.push_back({});
    d.controls[0].classAtom = 0x80;
    d.controls[0].caption = L"OK";
    const std::vector<uint8_t> block = BuildDialogTemplate(d);
    EXPECT_EQ(WordAt(block, 0), 1);
    EXPECT_EQ(WordAt(block, 2), 0xFFFF);
    EXPECT_EQ(WordAt(block, 16), 1) << "item count";
    // Item: helpId, exStyle, style (12 bytes), rectangle (8), id (4), class ordinal, text, data size.
    EXPECT_EQ(WordAt(block, 32 + 24), 0xFFFF);
    EXPECT_EQ(WordAt(block, 32 + 26), 0x80);
    EXPECT_EQ(WordAt(block, 32 + 28), L'O');
    EXPECT_EQ(block.size(), 32u + 24 + 4 + 6 + 2) << "exact size, nothing after the last item";
}

TEST(DialogTemplate, ItemsStartOnFourByteBoundariesAfterTheFont) {
    DialogTemplateBuilder d;
    d.style = DS_SETFONT;
    d.caption = L"abc";  // 4 words
    d.fontName = L"Ab";  // 3 words
    d.pointSize = 8;
    d.weight = 400;
    d.controls.resize(2);
    d.controls[0].className = L"X";  // odd length, so the next item needs padding
    const std::vector<uint8_t> block = BuildDialogTemplate(d);
    // 26 header + 2 menu + 2 class + 8 caption + 6 font numbers + 6 font name = 50, so item one at 52.
    EXPECT_EQ(block[50], 0);
    EXPECT_EQ(block[51], 0);
    EXPECT_EQ(WordAt(block, 52 + 24), L'X');
    // Item one: 24 + class "X" (4) + empty text (2) + data (2) = 32 bytes -> 84, a boundary already.
    EXPECT_EQ(block.size(), 84u + 24 + 2 + 2 + 2);
}

TEST_F(DialogLayouts, PasswordDialogRunsFromATranslatedLayout) {
    Load(
        "<Dialog ID=\"129\" Style=\"-2134376248\" Width=\"200\" Height=\"60\" Caption=\"Kennwort eingeben\">"
        "<Control ID=\"1001\" Style=\"1342308352\" SystemClass=\"130\" X=\"5\" Y=\"5\" Width=\"190\" Height=\"20\"/>"
        "<Control ID=\"1000\" Style=\"1350631584\" SystemClass=\"129\" X=\"5\" Y=\"27\" Width=\"190\" Height=\"12\"/>"
        "<Control ID=\"1\" Style=\"1342242817\" SystemClass=\"128\" X=\"90\" Y=\"42\" Width=\"50\" Height=\"14\" "
        "Caption=\"OK\"/>"
        "<Control ID=\"2\" Style=\"1342242816\" SystemClass=\"128\" X=\"145\" Y=\"42\" Width=\"50\" Height=\"14\" "
        "Caption=\"Abbrechen\"/></Dialog>");
    const LanguageResources* previous = SetUiLanguage(&language_);
    std::wstring caption, prompt;
    DialogCapture capture([&](HWND dialog) {
        wchar_t text[64] = L"";
        GetWindowTextW(dialog, text, 64);
        caption = text;
        prompt = DialogItemText(dialog, IDC_PASSWORD_PROMPT);
        SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"pw");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    PasswordDialog dialog(L"C:\\a\\b.pdf");
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    SetUiLanguage(previous);
    EXPECT_EQ(caption, L"Kennwort eingeben");
    EXPECT_EQ(prompt, L"'b.pdf' is protected. Please enter a Document Open Password.");
    EXPECT_EQ(dialog.Password(), L"pw");
}

// A translated layout that the system refuses to build must not pass for the user's Cancel: the
// built-in dialog runs instead, and what the user types there counts.
TEST_F(DialogLayouts, ALayoutThatCannotBeBuiltFallsBackToTheBuiltInDialog) {
    Load(
        "<Dialog ID=\"129\" Style=\"-2134376248\" Width=\"200\" Height=\"60\" Caption=\"Kaputt\">"
        "<Control ID=\"1000\" Style=\"1350631584\" ClassName=\"NoSuchControlClass\" X=\"5\" Y=\"20\" "
        "Width=\"190\" Height=\"12\"/></Dialog>");
    const LanguageResources* previous = SetUiLanguage(&language_);
    std::vector<std::wstring> captions;
    DialogCapture capture([&](HWND dialog) {
        wchar_t text[64] = L"";
        GetWindowTextW(dialog, text, 64);
        captions.push_back(text);
        SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"typed");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    PasswordDialog dialog(L"C:\\a\\b.pdf");
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    SetUiLanguage(previous);
    EXPECT_EQ(captions, std::vector<std::wstring>{L"Enter password"}) << "only the built-in dialog showed";
    EXPECT_EQ(dialog.Password(), L"typed");
}

}  // namespace
}  // namespace pictrove::test
