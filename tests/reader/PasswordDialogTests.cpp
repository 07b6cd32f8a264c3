// The password prompt takes the keyboard at once, on the built-in and on a translated template.
#include <gtest/gtest.h>

#include "reader/PasswordDialog.h"
#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

class PasswordFocus : public testing::Test {
  protected:
    // Types into whatever has the focus once the dialog runs, then presses Enter there.
    void TypeAndPressEnter(HWND dialog, std::wstring text) {
        typed_ = std::move(text);
        dialog_ = dialog;
        self_ = this;
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            HWND focus = GetFocus();
            self_->focusedFromDialog = focus && IsChild(self_->dialog_, focus) ? GetDlgCtrlID(focus) : -1;
            for (wchar_t ch : self_->typed_) PostMessageW(focus, WM_CHAR, ch, 1);
            PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
        });
    }
    int focusedFromDialog = -2;

  private:
    static inline PasswordFocus* self_ = nullptr;
    std::wstring typed_;
    HWND dialog_ = nullptr;
};

TEST_F(PasswordFocus, TypedPasswordAndEnterAreTakenOnTheBuiltInTemplate) {
    DialogCapture capture([&](HWND dialog) { TypeAndPressEnter(dialog, L"s3cret"); });
    PasswordDialog dialog(L"C:\\Docs\\locked.pdf");
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(capture.DialogCount(), 1);
    EXPECT_EQ(focusedFromDialog, IDC_PASSWORD_EDIT);
    EXPECT_EQ(dialog.Password(), L"s3cret");
}

TEST_F(PasswordFocus, TypedPasswordAndEnterAreTakenOnATranslatedTemplate) {
    // OK comes before the field here too, as in the built-in template.
    TempFolder folder;
    ASSERT_TRUE(WriteText(
        folder.File(L"lang.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages><Language ID=\"xx\" Name=\"Test\"><Dialogs>"
        "<Dialog ID=\"129\" Style=\"-2134376248\" Width=\"200\" Height=\"60\" Caption=\"Kennwort eingeben\">"
        "<Control ID=\"1\" Style=\"1342242817\" SystemClass=\"128\" X=\"90\" Y=\"40\" Width=\"50\" Height=\"14\" "
        "Caption=\"OK\"/>"
        "<Control ID=\"2\" Style=\"1342242816\" SystemClass=\"128\" X=\"145\" Y=\"40\" Width=\"50\" Height=\"14\" "
        "Caption=\"Abbrechen\"/>"
        "<Control ID=\"1001\" Style=\"1342308352\" SystemClass=\"130\" X=\"5\" Y=\"5\" Width=\"190\" Height=\"10\"/>"
        "<Control ID=\"1000\" Style=\"1350631584\" SystemClass=\"129\" X=\"5\" Y=\"20\" Width=\"190\" Height=\"12\"/>"
        "</Dialog></Dialogs></Language></Languages>\r\n"));
    LanguageResources language;
    ASSERT_TRUE(language.LoadLanguageFile(folder.File(L"lang.xml")));
    language.languageId = L"xx";
    ASSERT_TRUE(language.SelectLanguage());
    const LanguageResources* previous = SetUiLanguage(&language);
    std::wstring caption;
    DialogCapture capture([&](HWND dialog) {
        wchar_t text[64] = L"";
        GetWindowTextW(dialog, text, 64);
        caption = text;
        TypeAndPressEnter(dialog, L"geheim");
    });
    PasswordDialog dialog(L"C:\\Docs\\locked.pdf");
    const INT_PTR result = dialog.DoModal(nullptr);
    SetUiLanguage(previous);
    EXPECT_EQ(caption, L"Kennwort eingeben") << "the translated layout ran";
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(focusedFromDialog, IDC_PASSWORD_EDIT);
    EXPECT_EQ(dialog.Password(), L"geheim");
}

}  // namespace
}  // namespace pictrove::test
