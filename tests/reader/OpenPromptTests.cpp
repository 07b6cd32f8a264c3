// What the user meets when opening a file: the Open dialog's filter and a password prompt that
// takes the keyboard at once.
#include <gtest/gtest.h>

#include <set>

#include "reader/DocumentOpener.h"
#include "reader/PasswordDialog.h"
#include "reader/ReaderChoice.h"
#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

// The filter's parts between the NUL characters, up to the closing double NUL.
std::vector<std::wstring> FilterParts(const std::wstring& filter) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < filter.size() && filter[start] != L'\0') {
        const size_t end = filter.find(L'\0', start);
        parts.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::vector<std::wstring> SplitPattern(const std::wstring& pattern) {
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start <= pattern.size()) {
        const size_t end = std::min(pattern.find(L';', start), pattern.size());
        items.push_back(pattern.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

TEST(OpenFilter, SupportedPatternHoldsEveryExtensionOfTheFormatTable) {
    const std::vector<std::wstring> items = SplitPattern(SupportedFilesPattern());
    std::set<int> formats;
    for (const std::wstring& item : items) {
        ASSERT_EQ(item.rfind(L"*.", 0), 0u) << testing::PrintToString(item);
        const int format = ClassifyExtension(item.substr(1));
        EXPECT_NE(format, 0) << testing::PrintToString(item);
        formats.insert(format);
    }
    EXPECT_EQ(formats.size(), 14u) << "every reader has its extensions in the pattern";
    EXPECT_EQ(items.size(), 33u);
    EXPECT_EQ(std::set<std::wstring>(items.begin(), items.end()).size(), items.size()) << "no extension twice";
    for (const wchar_t* needed : {L"*.png", L"*.gif", L"*.tiff", L"*.cbz", L"*.doc", L"*.pdb", L"*.pcx", L"*.txt",
                                  L"*.fb2.zip", L"*.djvu", L"*.jb2", L"*.epub", L"*.pdf"}) {
        EXPECT_NE(std::find(items.begin(), items.end(), needed), items.end()) << testing::PrintToString(needed);
    }
}

TEST(OpenFilter, AllSupportedEntryOfTheBuiltInTextGetsEveryExtension) {
    const std::wstring filter = BuildOpenFilter(LoadUiString(IDS_OPEN_FILTER));
    ASSERT_GE(filter.size(), 2u);
    EXPECT_EQ(filter.substr(filter.size() - 2), std::wstring(2, L'\0'));
    const std::vector<std::wstring> parts = FilterParts(filter);
    ASSERT_EQ(parts.size(), 18u);
    EXPECT_EQ(parts[0], L"PDF Files (*.pdf)");
    EXPECT_EQ(parts[1], L"*.pdf");
    EXPECT_EQ(parts[14], L"All supported format") << "the label stays";
    EXPECT_EQ(parts[15], SupportedFilesPattern());
    EXPECT_EQ(parts[16], L"All Files (*.*)");
    EXPECT_EQ(parts[17], L"*.*");
}

TEST(OpenFilter, TranslatedFiltersKeepTheirLabelsAndGetTheFullPattern) {
    const std::wstring full = SupportedFilesPattern();
    const struct {
        const char* label;
        std::wstring text;
        size_t entry;  // the entry whose pattern becomes the full list; npos: none
    } cases[] = {
        {"translated, eighth entry",
         L"PDF-Dateien (*.pdf)|*.pdf|XPS|*.xps|FB2|*.fb2|MOBI|*.mobi|AZW|*.azw|EPub|*.epub|WWF|*.wwf|"
         L"Alle unterst\u00fctzten Formate|*.xps;*.pdf|Alle Dateien (*.*)|*.*||",
         7},
        {"English label elsewhere", L"All supported format|*.pdf|All Files|*.*||", 0},
        {"short list without the entry", L"PDF|*.pdf|All Files|*.*||", std::wstring::npos},
        {"no closing bars", L"A|*.a|B|*.b|C|*.c|D|*.d|E|*.e|F|*.f|G|*.g|H|*.h", 7},
    };
    for (const auto& c : cases) {
        const std::vector<std::wstring> parts = FilterParts(BuildOpenFilter(c.text));
        std::vector<std::wstring> expected = FilterParts([&] {
            std::wstring raw = c.text;
            for (wchar_t& ch : raw) {
                if (ch == L'|') ch = L'\0';
            }
            return raw + std::wstring(2, L'\0');
        }());
        if (c.entry != std::wstring::npos) expected[c.entry * 2 + 1] = full;
        EXPECT_EQ(parts, expected) << c.label;
    }
}

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
