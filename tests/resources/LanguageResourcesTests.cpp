// Language strings: selection by identifier, lookups with the built-in fallback, the format
// check that keeps a faulty translation from reading past its arguments, and the shipped file.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"

namespace pictrove::test {
namespace {

// Makes a language the one the user-interface texts come from, for one test.
class ScopedUiLanguage {
  public:
    explicit ScopedUiLanguage(const LanguageResources& language) : previous_(SetUiLanguage(&language)) {}
    ~ScopedUiLanguage() { SetUiLanguage(previous_); }
    ScopedUiLanguage(const ScopedUiLanguage&) = delete;
    ScopedUiLanguage& operator=(const ScopedUiLanguage&) = delete;

  private:
    const LanguageResources* previous_;
};

class LanguageFile : public testing::Test {
  protected:
    // Loads a language file made of the given "Language" elements and selects id.
    bool LoadAndSelect(const std::string& languages, const std::wstring& id) {
        EXPECT_TRUE(WriteText(
            Path(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages>" + languages + "</Languages>\r\n"));
        EXPECT_TRUE(language_.LoadLanguageFile(Path()));
        language_.languageId = id;
        return language_.SelectLanguage();
    }
    std::wstring Path() const { return folder_.File(kLanguageFileName); }

    TempFolder folder_;
    LanguageResources language_;
};

TEST_F(LanguageFile, ListsEveryLanguageInDocumentOrder) {
    LoadAndSelect(
        "<Language ID=\"de\" Name=\"Deutsch\"/><Language Name=\"No id\"/><Other ID=\"x\"/>"
        "<Language ID=\"ru\" Name=\"\xd0\xa0\xd1\x83\xd1\x81\xd1\x81\xd0\xba\xd0\xb8\xd0\xb9\"/><Language ID=\"fr\"/>",
        L"de");
    const auto& list = language_.Languages();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].id, L"de");
    EXPECT_EQ(list[0].name, L"Deutsch");
    EXPECT_EQ(list[1].id, L"");
    EXPECT_EQ(list[1].name, L"No id");
    EXPECT_EQ(list[2].name, L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439");
    EXPECT_EQ(list[3].id, L"fr");
    EXPECT_EQ(list[3].name, L"");
}

TEST_F(LanguageFile, LooksUpTheSelectedLanguageThenTheBuiltInTableThenNothing) {
    ASSERT_TRUE(
        LoadAndSelect("<Language ID=\"en\"><Strings><S ID=\"203\" Data=\"English width\"/></Strings></Language>"
                      "<Language ID=\"de\"><Strings>"
                      "<S ID=\"202\" Data=\"Bezeichnung\"/>"
                      "<S ID=\"203\" Data=\"\"/>"
                      "<S ID=\"204\" Data=\"erste\"/><S ID=\"204\" Data=\"zweite\"/>"
                      "<S Data=\"ohne Nummer\"/>"
                      "<S ID=\"206\" Data=\"Line one\\nLine two\\tTab\\r\\\\n\"/>"
                      "<Anything ID=\" 221x\" Data=\"Ordnerfehler\"/>"
                      "<S ID=\"60000\" Data=\"nur hier\"/>"
                      "</Strings></Language>",
                      L"de"));
    ScopedUiLanguage use(language_);
    std::wstring text = L"marker";

    EXPECT_TRUE(LoadUiString(IDS_COLUMN_NAME, text));
    EXPECT_EQ(text, L"Bezeichnung");
    EXPECT_TRUE(LoadUiString(IDS_COLUMN_WIDTH, text)) << "an empty text hides the built-in one";
    EXPECT_EQ(text, L"");
    EXPECT_EQ(LoadUiString(IDS_COLUMN_HEIGHT), L"zweite") << "the later of two equal ids wins";
    EXPECT_TRUE(language_.GetLanguageString(0, text));
    EXPECT_EQ(text, L"ohne Nummer") << "an entry without ID is stored under 0";
    EXPECT_EQ(LoadUiString(IDS_NO_READER), L"Line one\nLine two\tTab\r\\\n");
    EXPECT_EQ(LoadUiString(IDS_FOLDER_ERROR), L"Ordnerfehler") << "the entry's element name is not examined";
    EXPECT_EQ(LoadUiString(60000), L"nur hier");

    EXPECT_TRUE(LoadUiString(IDS_ERROR_CAPTION, text));
    EXPECT_EQ(text, L"Pictrove error") << "missing from the language: the built-in text";
    text = L"marker";
    EXPECT_FALSE(LoadUiString(60001, text));
    EXPECT_EQ(text, L"") << "found nowhere: empty";
    EXPECT_FALSE(language_.GetLanguageString(IDS_ERROR_CAPTION, text));
}

TEST_F(LanguageFile, IdentifiersAreComparedCaseSensitivelyAsWholeText) {
    const std::string file =
        "<Language ID=\"de\"><Strings><S ID=\"202\" Data=\"erstes de\"/></Strings></Language>"
        "<Language ID=\"de\"><Strings><S ID=\"202\" Data=\"zweites de\"/></Strings></Language>"
        "<Language ID=\"\"><Strings><S ID=\"202\" Data=\"leer\"/></Strings></Language>"
        "<Language ID=\"q&quot;\"><Strings><S ID=\"202\" Data=\"quote\"/></Strings></Language>";
    struct Case {
        const wchar_t* id;
        bool selected;
        const wchar_t* name;
    } cases[] = {
        {L"de", true, L"erstes de"}, {L"DE", false, L"Name"}, {L"d", false, L"Name"},
        {L"de ", false, L"Name"},    {L"", true, L"leer"},    {L"x\"]|//Language[@ID=\"de", false, L"Name"},
        {L"q\"", true, L"quote"},    {L"\"", false, L"Name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.id)));
        EXPECT_EQ(LoadAndSelect(file, c.id), c.selected);
        EXPECT_EQ(language_.HasSelection(), c.selected);
        ScopedUiLanguage use(language_);
        EXPECT_EQ(LoadUiString(IDS_COLUMN_NAME), c.name);
    }
}

TEST_F(LanguageFile, ALanguageWithoutStringsStillSuppliesItsElements) {
    ASSERT_TRUE(LoadAndSelect(
        "<Language ID=\"en\"><Dialogs><Dialog ID=\"129\" Caption=\"Password\"/></Dialogs></Language>", L"en"));
    ScopedUiLanguage use(language_);
    EXPECT_EQ(LoadUiString(IDS_COLUMN_NAME), L"Name");
    auto dialog = language_.FindLanguageElement(xml::ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", 129));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(xml::GetAttribute(dialog.Get(), L"Caption", L""), L"Password");
    EXPECT_FALSE(language_.FindLanguageElement(xml::ChildByNumberPattern(L"Dialogs", L"Dialog", L"ID", 213)));
}

TEST_F(LanguageFile, NoFileOrNoMatchLeavesTheBuiltInTexts) {
    EXPECT_FALSE(language_.LoadLanguageFile(folder_.File(L"none.xml")));
    EXPECT_FALSE(language_.SelectLanguage());
    EXPECT_FALSE(language_.FindLanguageElement(L"Strings"));

    ASSERT_TRUE(WriteText(Path(), "<Languages><Language ID=\"en\"></Languages>"));
    EXPECT_FALSE(language_.LoadLanguageFile(Path()));
    EXPECT_TRUE(language_.Languages().empty());

    // A reload forgets the earlier selection and its texts.
    ASSERT_TRUE(LoadAndSelect("<Language ID=\"de\"><Strings><S ID=\"202\" Data=\"x\"/></Strings></Language>", L"de"));
    ASSERT_TRUE(WriteText(folder_.File(L"other.xml"), "<Languages><Language ID=\"fr\"/></Languages>"));
    ASSERT_TRUE(language_.LoadLanguageFile(folder_.File(L"other.xml")));
    EXPECT_FALSE(language_.HasSelection());
    std::wstring text;
    EXPECT_FALSE(language_.GetLanguageString(IDS_COLUMN_NAME, text));
    EXPECT_FALSE(language_.SelectLanguage()) << "de is not in the new file";
    ASSERT_EQ(language_.Languages().size(), 1u);
    EXPECT_EQ(language_.Languages()[0].id, L"fr");
}

TEST_F(LanguageFile, AFormatWhoseConversionsDifferFromTheBuiltInTextIsNotUsed) {
    struct Case {
        UINT id;
        const char* data;
        std::initializer_list<FormatArg> args;
        const wchar_t* expected;
    } cases[] = {
        {IDS_IMAGE_COUNT, "%d Bilder", {5}, L"5 Bilder"},
        {IDS_IMAGE_COUNT, "100%% %d", {5}, L"100% 5"},
        {IDS_IMAGE_COUNT, "%s Bilder", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "%d %d Bilder", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "Bilder", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "%x Bilder", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "%n%d", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "%ld", {5}, L"5 images"},
        {IDS_IMAGE_COUNT, "%d Bilder %", {5}, L"5 images"},
        {IDS_DEFAULT_IMAGE_NAME, "Bild%03d", {7}, L"Bild007"},
        {IDS_DEFAULT_IMAGE_NAME, "Bild%03s", {7}, L"Image007"},
        {IDS_CANNOT_OPEN,
         "Fehler: %d",
         {L"a.pdf"},
         L"Can't open file: a.pdf. The file is corrupted or format is "
         L"not supported."},
        {IDS_CANNOT_OPEN, "Fehler: %s", {L"a.pdf"}, L"Fehler: a.pdf"},
        {IDS_EXTRACT_PROGRESS, "%d/%d", {2, 9}, L"2/9"},
        {IDS_EXTRACT_PROGRESS, "%d/%s", {2, 9}, L"Extract image 2 from 9"},
        {IDS_WRITE_FAILED, "%d %d %s %s", {1, 2, L"p", L"e"}, L"1 2 p e"},
        {IDS_WRITE_FAILED,
         "%s %d %d %s",
         {1, 2, L"p", L"e"},
         L"1 of 2 images could not be written.\n\nFirst failure: p\ne"},
        {IDS_WRITE_FAILED,
         "%d %d %s",
         {1, 2, L"p", L"e"},
         L"1 of 2 images could not be written.\n\nFirst failure: p\ne"},
        {60002, "only here", {}, L"only here"},
        {60002, "only here %s", {L"x"}, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " \"" + c.data + "\"");
        ASSERT_TRUE(LoadAndSelect("<Language ID=\"de\"><Strings><S ID=\"" + std::to_string(c.id) + "\" Data=\"" +
                                      c.data + "\"/></Strings></Language>",
                                  L"de"));
        ScopedUiLanguage use(language_);
        EXPECT_EQ(FormatUiString(c.id, c.args), c.expected);
    }
}

// Every id of the executable's string table.
std::vector<UINT> BuiltInIds() {
    std::vector<UINT> ids;
    std::wstring text;
    for (UINT id = 1; id <= 0xFFFF; ++id) {
        if (LoadBuiltInString(id, text)) ids.push_back(id);
    }
    return ids;
}

TEST(ShippedLanguageFile, CarriesEveryBuiltInTextInEveryLanguageWithMatchingConversions) {
    LanguageResources language;
    ASSERT_TRUE(language.LoadLanguageFile(ProgramFolder() + kLanguageFileName));
    std::vector<std::wstring> ids;
    for (const auto& entry : language.Languages()) {
        ids.push_back(entry.id);
        EXPECT_FALSE(entry.name.empty()) << "language " << testing::PrintToString(entry.id);
    }
    EXPECT_EQ(ids, (std::vector<std::wstring>{L"en", L"de", L"fr", L"es", L"ru", L"it", L"pt-BR", L"pl", L"uk",
                                              L"zh-CN", L"ja"}));

    const std::vector<UINT> builtInIds = BuiltInIds();
    ASSERT_GE(builtInIds.size(), 30u);
    EXPECT_NE(std::find(builtInIds.begin(), builtInIds.end(), IDS_WRITE_FAILED), builtInIds.end());
    for (const auto& id : ids) {
        language.languageId = id;
        ASSERT_TRUE(language.SelectLanguage());
        for (UINT stringId : builtInIds) {
            SCOPED_TRACE(testing::PrintToString(id) + " string " + std::to_string(stringId));
            std::wstring builtIn, translated;
            LoadBuiltInString(stringId, builtIn);
            ASSERT_TRUE(language.GetLanguageString(stringId, translated));
            EXPECT_FALSE(translated.empty());
            const auto signature = FormatSignature(translated);
            ASSERT_TRUE(signature.has_value()) << "illegal conversion";
            EXPECT_EQ(signature, FormatSignature(builtIn));
            EXPECT_EQ(std::count(translated.begin(), translated.end(), L'|'),
                      std::count(builtIn.begin(), builtIn.end(), L'|'));
            EXPECT_EQ(std::count(translated.begin(), translated.end(), L'\n'),
                      std::count(builtIn.begin(), builtIn.end(), L'\n'));
            // The language file's English rewords the built-in texts that read wrongly, and only those.
            const UINT reworded[] = {IDS_OPEN_FILTER,     IDS_CANNOT_OPEN,      IDS_IMAGE_COUNT, IDS_SELECTED_COUNT,
                                     IDS_FOLDER_REQUIRED, IDS_EXTRACT_PROGRESS, IDS_NO_IMAGES};
            if (id == L"en" && std::find(std::begin(reworded), std::end(reworded), stringId) == std::end(reworded)) {
                EXPECT_EQ(translated, builtIn);
            }
        }
    }
}

TEST(ShippedLanguageFile, KeepsTheFileTypesOfEveryFilterAndTypeEntry) {
    LanguageResources language;
    ASSERT_TRUE(language.LoadLanguageFile(ProgramFolder() + kLanguageFileName));
    for (const auto& entry : language.Languages()) {
        const std::wstring id = entry.id;
        language.languageId = id;
        ASSERT_TRUE(language.SelectLanguage());
        for (UINT stringId :
             {IDS_OPEN_FILTER, IDS_SAVE_FILTER, IDS_TYPE_BMP, IDS_TYPE_GIF, IDS_TYPE_JPEG, IDS_TYPE_PNG}) {
            SCOPED_TRACE(testing::PrintToString(id) + " string " + std::to_string(stringId));
            std::wstring builtIn, translated;
            LoadBuiltInString(stringId, builtIn);
            language.GetLanguageString(stringId, translated);
            // Field by field: the odd fields (extensions) are the same; the descriptions are translated.
            auto fields = [](const std::wstring& text) {
                std::vector<std::wstring> parts;
                size_t start = 0;
                for (size_t bar; (bar = text.find(L'|', start)) != std::wstring::npos; start = bar + 1) {
                    parts.push_back(text.substr(start, bar - start));
                }
                parts.push_back(text.substr(start));
                return parts;
            };
            const auto a = fields(builtIn), b = fields(translated);
            ASSERT_EQ(a.size(), b.size());
            for (size_t i = 1; i < a.size(); i += 2) EXPECT_EQ(a[i], b[i]) << "field " << i;
        }
    }
}

}  // namespace
}  // namespace pictrove::test
