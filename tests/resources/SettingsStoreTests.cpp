// The settings file: first run, every fallback of its format, what a save keeps and rebuilds,
// and files that cannot be read or written.
#include <gtest/gtest.h>

#include "resources/SettingsStore.h"
#include "tests/resources/XmlTestSupport.h"
#include "common/Handles.h"

namespace pictrove::test {
namespace {

constexpr char kTemplateBytes[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting>\r\n</Setting>";
constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Views into the store's text, so that case tables hold no strings of their own.
struct Values {
    std::wstring_view languageId;
    int32_t maximized, left, top, right, bottom, splitterPos;
    bool operator==(const Values&) const = default;
};

Values ValuesOf(const SettingsStore& s) {
    return {s.languageId, s.maximized, s.left, s.top, s.right, s.bottom, s.splitterPos};
}

void PrintTo(const Values& v, std::ostream* os) {
    *os << testing::PrintToString(std::wstring(v.languageId)) << " max " << v.maximized << " rect " << v.left << ","
        << v.top << "," << v.right << "," << v.bottom << " splitter " << v.splitterPos;
}

const Values kInitial{L"en", 1, 0, 0, 799, 599, 300};

class SettingsFile : public testing::Test {
  protected:
    std::wstring Path() const { return folder_.File(kSettingsFileName); }
    void WriteSettings(const std::string& body) {
        ASSERT_TRUE(WriteText(Path(), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n" + body));
    }
    std::string Saved() const { return WithLineFeeds(TextOf(ReadFileBytes(Path()))); }

    TempFolder folder_;
};

TEST_F(SettingsFile, FirstRunWritesTheTemplateThenAFullFileInCreationOrder) {
    SettingsStore store;
    EXPECT_EQ(ValuesOf(store), kInitial);
    ASSERT_TRUE(store.OpenSettings(Path()));
    EXPECT_EQ(TextOf(ReadFileBytes(Path())), kTemplateBytes) << "template byte for byte";
    Values expected = kInitial;
    expected.languageId = L"";  // the root was loaded, but it names no language
    EXPECT_EQ(ValuesOf(store), expected);

    std::wstring folder = L"marker";
    int type = 0xdead;
    ASSERT_TRUE(store.ReadExtractOptions(folder, type));
    EXPECT_EQ(folder, L"");
    EXPECT_EQ(type, 0);

    ASSERT_TRUE(store.SaveSettings());
    EXPECT_EQ(Saved(), std::string(kDeclaration) +
                           "<Setting><General><Language ID=\"\"/></General><ExtractImageDlg/>"
                           "<MainWindow Maximized=\"1\"><Rect Left=\"0\" Top=\"0\" Right=\"799\" Bottom=\"599\"/>"
                           "<LeftPane SplitterPos=\"300\"/></MainWindow></Setting>\n");
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::wstring>{kSettingsFileName}) << "no temporary file left";
}

TEST_F(SettingsFile, SavedValuesReadBackIncludingNegativeOnesAndOddText) {
    {
        SettingsStore store;
        store.OpenSettings(Path());
        store.languageId = L"de";
        store.maximized = 0;
        store.left = -1200;
        store.top = -8;
        store.right = 100;
        store.bottom = 2160591;
        store.splitterPos = -3;
        store.WriteExtractOptions(L"C:\\Out & \"more\" <\u0416>", 3);
        ASSERT_TRUE(store.SaveSettings());
    }
    EXPECT_EQ(Saved(), std::string(kDeclaration) +
                           "<Setting><General><Language ID=\"de\"/></General>"
                           "<ExtractImageDlg Folder=\"C:\\Out &amp; &quot;more&quot; &lt;\xd0\x96&gt;\" "
                           "ImageType=\"3\"/>"
                           "<MainWindow Maximized=\"0\"><Rect Left=\"-1200\" Top=\"-8\" Right=\"100\" "
                           "Bottom=\"2160591\"/><LeftPane SplitterPos=\"-3\"/></MainWindow></Setting>\n");
    SettingsStore reread;
    ASSERT_TRUE(reread.OpenSettings(Path()));
    EXPECT_EQ(ValuesOf(reread), (Values{L"de", 0, -1200, -8, 100, 2160591, -3}));
    std::wstring folder;
    int type = -1;
    ASSERT_TRUE(reread.ReadExtractOptions(folder, type));
    EXPECT_EQ(folder, L"C:\\Out & \"more\" <\u0416>");
    EXPECT_EQ(type, 3);
}

TEST_F(SettingsFile, EveryMissingValueFallsBackAsTheFormatSays) {
    struct Case {
        const char* name;
        const char* body;
        Values expected;
        const wchar_t* folder;
        int imageType;
    } cases[] = {
        {"empty root", "<Setting/>", {L"", 1, 0, 0, 799, 599, 300}, L"", 0},
        {"language given",
         "<Setting><General><Language ID=\"fr\"/></General></Setting>",
         {L"fr", 1, 0, 0, 799, 599, 300},
         L"",
         0},
        {"language without ID",
         "<Setting><General><Language/></General></Setting>",
         {L"", 1, 0, 0, 799, 599, 300},
         L"",
         0},
        {"language outside General", "<Setting><Language ID=\"fr\"/></Setting>", {L"", 1, 0, 0, 799, 599, 300}, L"", 0},
        {"bare MainWindow", "<Setting><MainWindow/></Setting>", {L"", 0, 0, 0, 799, 599, 300}, L"", 0},
        {"Maximized 2", "<Setting><MainWindow Maximized=\"2\"/></Setting>", {L"", 1, 0, 0, 799, 599, 300}, L"", 0},
        {"Maximized -1", "<Setting><MainWindow Maximized=\"-1\"/></Setting>", {L"", 1, 0, 0, 799, 599, 300}, L"", 0},
        {"Maximized 0", "<Setting><MainWindow Maximized=\"0\"/></Setting>", {L"", 0, 0, 0, 799, 599, 300}, L"", 0},
        {"Maximized abc", "<Setting><MainWindow Maximized=\"abc\"/></Setting>", {L"", 0, 0, 0, 799, 599, 300}, L"", 0},
        {"Rect lacking Bottom",
         "<Setting><MainWindow Maximized=\"1\"><Rect Left=\"10\" Top=\"20\" Right=\"30\"/></MainWindow></Setting>",
         {L"", 1, 10, 20, 30, 0, 300},
         L"",
         0},
        {"empty Rect",
         "<Setting><MainWindow Maximized=\"1\"><Rect/></MainWindow></Setting>",
         {L"", 1, 0, 0, 0, 0, 300},
         L"",
         0},
        {"LeftPane without SplitterPos",
         "<Setting><MainWindow Maximized=\"1\"><LeftPane/></MainWindow></Setting>",
         {L"", 1, 0, 0, 799, 599, 0},
         L"",
         0},
        {"Rect outside MainWindow",
         "<Setting><Rect Left=\"5\"/><LeftPane SplitterPos=\"9\"/></Setting>",
         {L"", 1, 0, 0, 799, 599, 300},
         L"",
         0},
        {"extract options",
         "<Setting><ExtractImageDlg Folder=\"D:\\Pics\" ImageType=\"2\"/></Setting>",
         {L"", 1, 0, 0, 799, 599, 300},
         L"D:\\Pics",
         2},
        {"ImageType abc",
         "<Setting><ExtractImageDlg ImageType=\"abc\"/></Setting>",
         {L"", 1, 0, 0, 799, 599, 300},
         L"",
         0},
        {"all given",
         "<Setting><General><Language ID=\"ru\"/></General><MainWindow Maximized=\"0\"><Rect Left=\"-5\" Top=\" 6\" "
         "Right=\"+700\" Bottom=\"500px\"/><LeftPane SplitterPos=\"250\"/></MainWindow></Setting>",
         {L"ru", 0, -5, 6, 700, 500, 250},
         L"",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.body);
        SettingsStore store;
        ASSERT_TRUE(store.OpenSettings(Path()));
        EXPECT_EQ(ValuesOf(store), c.expected);
        std::wstring folder = L"marker";
        int type = -1;
        ASSERT_TRUE(store.ReadExtractOptions(folder, type));
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(type, c.imageType);
    }
}

// A file that reads but is no settings document would swallow every later change: it is kept
// aside for the user, and a fresh file takes the values from now on.
TEST_F(SettingsFile, DamagedFilesAreKeptAsideAndAFreshOneTakesTheirPlace) {
    const char* bodies[] = {"<Setting><MainWindow></Setting>", "<Settings><MainWindow Maximized=\"0\"/></Settings>", "",
                            "not xml at all"};
    const std::wstring damaged = Path() + kDamagedSuffix;
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        ASSERT_TRUE(WriteText(Path(), body));
        const auto before = ReadFileBytes(Path());
        {
            SettingsStore store;
            EXPECT_TRUE(store.OpenSettings(Path()));
            Values firstRun = kInitial;
            firstRun.languageId = L"";  // as on a first run: the fresh file names no language
            EXPECT_EQ(ValuesOf(store), firstRun) << "nothing is read from the damaged file";
            EXPECT_EQ(ReadFileBytes(damaged), before) << "the damaged file is kept, byte for byte";
            EXPECT_EQ(TextOf(ReadFileBytes(Path())), kTemplateBytes);
            store.WriteExtractOptions(L"C:\\x", 1);
            store.maximized = 0;
            EXPECT_TRUE(store.SaveSettings());
        }
        SettingsStore next;
        ASSERT_TRUE(next.OpenSettings(Path()));
        EXPECT_EQ(next.maximized, 0) << "the change survives to the next run";
        std::wstring folder;
        int type = 0;
        ASSERT_TRUE(next.ReadExtractOptions(folder, type));
        EXPECT_EQ(folder, L"C:\\x");
        EXPECT_EQ(type, 1);
        EXPECT_EQ(FilesIn(folder_.Path()).size(), 2u);
        ASSERT_TRUE(DeleteFileW(Path().c_str()));
    }
}

// A file another program holds open cannot be read at all: it is not taken for damaged, nothing
// is moved or overwritten, and a save once the file is free again goes through.
TEST_F(SettingsFile, AFileHeldOpenIsNeitherMovedNorOverwritten) {
    WriteSettings("<Setting><General><Language ID=\"de\"/></General></Setting>");
    const auto before = ReadFileBytes(Path());
    SettingsStore store;
    {
        UniqueHandle holder(CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(store.OpenSettings(Path()));
        EXPECT_EQ(ValuesOf(store), kInitial) << "languageId stays \"en\"";
        std::wstring folder = L"marker";
        int type = 0xdead;
        EXPECT_FALSE(store.ReadExtractOptions(folder, type));
        EXPECT_EQ(folder, L"marker");
        EXPECT_EQ(type, 0xdead);
        store.maximized = 0;
        EXPECT_FALSE(store.SaveSettings());
    }
    EXPECT_EQ(ReadFileBytes(Path()), before);
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::wstring>{kSettingsFileName});
    // Free again while the program ran: the save loads it and writes the values in memory.
    EXPECT_TRUE(store.SaveSettings());
    EXPECT_NE(Saved().find("<Language ID=\"en\"/>"), std::string::npos);
    EXPECT_NE(Saved().find("Maximized=\"0\""), std::string::npos);
}

TEST_F(SettingsFile, AFolderThatDoesNotExistIsNotCreated) {
    const std::wstring path = folder_.File(L"missing\\") + kSettingsFileName;
    SettingsStore store;
    EXPECT_FALSE(store.OpenSettings(path));
    EXPECT_EQ(ValuesOf(store), kInitial);
    EXPECT_FALSE(store.SaveSettings());
    EXPECT_EQ(GetFileAttributesW(folder_.File(L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFile, ASaveRebuildsOnlyBelowMainWindow) {
    WriteSettings(
        "<Setting Version=\"7\"><Custom keep=\"yes\"><Inner/></Custom>"
        "<MainWindow Maximized=\"0\" Extra=\"kept\"><Rect Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/>"
        "<Toolbar Visible=\"1\"/><LeftPane SplitterPos=\"5\"/></MainWindow>"
        "<General Theme=\"dark\"><Language ID=\"es\" Note=\"n\"/><Other/></General></Setting>");
    SettingsStore store;
    ASSERT_TRUE(store.OpenSettings(Path()));
    EXPECT_EQ(ValuesOf(store), (Values{L"es", 0, 1, 2, 3, 4, 5}));
    store.splitterPos = 77;
    ASSERT_TRUE(store.SaveSettings());
    ASSERT_TRUE(store.SaveSettings());
    EXPECT_EQ(Saved(), std::string(kDeclaration) +
                           "<Setting Version=\"7\"><Custom keep=\"yes\"><Inner/></Custom>"
                           "<MainWindow Maximized=\"0\" Extra=\"kept\"><Rect Left=\"1\" Top=\"2\" Right=\"3\" "
                           "Bottom=\"4\"/><LeftPane SplitterPos=\"77\"/></MainWindow>"
                           "<General Theme=\"dark\"><Language ID=\"es\" Note=\"n\"/><Other/></General></Setting>\n")
        << "unknown elements below the root survive in place, one below MainWindow does not, "
           "and two saves leave one Rect and one LeftPane";
}

TEST_F(SettingsFile, AMissingGeneralGoesFirstAmongTheNewElements) {
    WriteSettings("<Setting><MainWindow Maximized=\"1\"/></Setting>");
    SettingsStore store;
    ASSERT_TRUE(store.OpenSettings(Path()));
    std::wstring folder;
    int type = 0;
    store.ReadExtractOptions(folder, type);
    ASSERT_TRUE(store.SaveSettings());
    EXPECT_EQ(Saved(), std::string(kDeclaration) +
                           "<Setting><MainWindow Maximized=\"1\"><Rect Left=\"0\" Top=\"0\" Right=\"799\" "
                           "Bottom=\"599\"/><LeftPane SplitterPos=\"300\"/></MainWindow>"
                           "<General><Language ID=\"\"/></General><ExtractImageDlg/></Setting>\n");
}

TEST_F(SettingsFile, AReadOnlyFileFailsQuietlyAndKeepsItsContents) {
    WriteSettings("<Setting><General><Language ID=\"de\"/></General></Setting>");
    const auto before = ReadFileBytes(Path());
    ASSERT_TRUE(SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY));
    SettingsStore store;
    ASSERT_TRUE(store.OpenSettings(Path()));
    store.languageId = L"fr";
    EXPECT_TRUE(store.SaveSettings()) << "a failed write is not reported";
    SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(Path()), before);
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::wstring>{kSettingsFileName});
}

TEST_F(SettingsFile, AnInterruptedSaveLeavesThePreviousFileIntact) {
    WriteSettings("<Setting><General><Language ID=\"de\"/></General></Setting>");
    const auto before = ReadFileBytes(Path());
    SettingsStore store;
    ASSERT_TRUE(store.OpenSettings(Path()));
    store.languageId = L"fr";
    {
        // Another program holds the file open without letting it be replaced: the new contents
        // are written completely, but the last step, taking the old file's place, fails.
        UniqueHandle holder(CreateFileW(Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_TRUE(store.SaveSettings());
    }
    EXPECT_EQ(ReadFileBytes(Path()), before);
    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::wstring>{kSettingsFileName}) << "temporary file removed";

    ASSERT_TRUE(store.SaveSettings());
    EXPECT_NE(Saved().find("<Language ID=\"fr\"/>"), std::string::npos) << "the next save goes through";
}

TEST_F(SettingsFile, TheReplacementStepRefusesWhatItCannotWriteWhole) {
    auto document = ParseXml(L"<Setting/>");
    ASSERT_TRUE(document);
    EXPECT_FALSE(SaveDocumentReplacing(nullptr, Path()));
    EXPECT_FALSE(SaveDocumentReplacing(document.Get(), folder_.File(L"no-such-folder\\x.xml")));
    ASSERT_TRUE(CreateDirectoryW(folder_.File(L"dir.xml").c_str(), nullptr));
    EXPECT_FALSE(SaveDocumentReplacing(document.Get(), folder_.File(L"dir.xml")));
    EXPECT_TRUE(FilesIn(folder_.Path()).empty());
    EXPECT_TRUE(SaveDocumentReplacing(document.Get(), Path()));
    EXPECT_EQ(Saved(), "<Setting/>\n");
}

// A program folder the user cannot write: the settings go to the user's own folder instead, are
// read from there first from then on, and the file beside the program is never changed.
class SettingsFallback : public SettingsFile {
  protected:
    std::wstring UserFolder() const { return folder_.File(L"user\\Pictrove\\"); }
    std::wstring FallbackPath() const { return UserFolder() + kSettingsFileName; }
    void SetUp() override { ASSERT_TRUE(CreateDirectoryW(folder_.File(L"user").c_str(), nullptr)); }
    void TearDown() override { SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_NORMAL); }
};

TEST_F(SettingsFallback, AWritableProgramFolderKeepsTheSettingsAndNeverTouchesTheUserFolder) {
    SettingsStore store;
    ASSERT_TRUE(store.OpenSettings(Path(), FallbackPath()));
    EXPECT_EQ(store.Path(), Path());
    store.splitterPos = 12;
    ASSERT_TRUE(store.SaveSettings());
    EXPECT_NE(Saved().find("SplitterPos=\"12\""), std::string::npos);
    EXPECT_EQ(GetFileAttributesW(UserFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "no folder made for nothing";
}

TEST_F(SettingsFallback, AReadOnlyFileBesideTheProgramIsReadThenSavedToTheUserFolder) {
    WriteSettings(
        "<Setting><General><Language ID=\"de\"/></General><Custom keep=\"1\"/>"
        "<MainWindow Maximized=\"0\"><Rect Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/></MainWindow></Setting>");
    ASSERT_TRUE(SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY));
    const auto before = ReadFileBytes(Path());
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenSettings(Path(), FallbackPath()));
        EXPECT_EQ(ValuesOf(store), (Values{L"de", 0, 1, 2, 3, 4, 300}));
        store.splitterPos = 250;
        store.WriteExtractOptions(L"C:\\Pictures", 3);
        ASSERT_TRUE(store.SaveSettings());
        EXPECT_EQ(store.Path(), FallbackPath());
    }
    EXPECT_EQ(ReadFileBytes(Path()), before) << "the program folder's file is left as it was";
    EXPECT_EQ(WithLineFeeds(TextOf(ReadFileBytes(FallbackPath()))),
              std::string(kDeclaration) +
                  "<Setting><General><Language ID=\"de\"/></General><Custom keep=\"1\"/>"
                  "<MainWindow Maximized=\"0\"><Rect Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/>"
                  "<LeftPane SplitterPos=\"250\"/></MainWindow><ExtractImageDlg Folder=\"C:\\Pictures\" "
                  "ImageType=\"3\"/></Setting>\n")
        << "everything read beside the program moves along";
    EXPECT_EQ(FilesIn(UserFolder()), std::vector<std::wstring>{kSettingsFileName}) << "no temporary file left";

    // The next run reads the user's copy first although the old file is still beside the program.
    SettingsStore next;
    ASSERT_TRUE(next.OpenSettings(Path(), FallbackPath()));
    EXPECT_EQ(next.Path(), FallbackPath());
    EXPECT_EQ(next.splitterPos, 250);
    std::wstring folder;
    int type = 0;
    ASSERT_TRUE(next.ReadExtractOptions(folder, type));
    EXPECT_EQ(folder, L"C:\\Pictures");
}

TEST_F(SettingsFallback, AProgramFolderWhereNoFileCanBeMadeStartsInTheUserFolder) {
    const std::wstring unwritable = folder_.File(L"missing\\") + kSettingsFileName;
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenSettings(unwritable, FallbackPath()));
        EXPECT_EQ(store.Path(), FallbackPath());
        EXPECT_EQ(TextOf(ReadFileBytes(FallbackPath())), kTemplateBytes) << "a first run's template";
        Values firstRun = kInitial;
        firstRun.languageId = L"";
        EXPECT_EQ(ValuesOf(store), firstRun);
        store.maximized = 0;
        ASSERT_TRUE(store.SaveSettings());
    }
    SettingsStore next;
    ASSERT_TRUE(next.OpenSettings(unwritable, FallbackPath()));
    EXPECT_EQ(next.maximized, 0) << "the change survives to the next run";
    EXPECT_EQ(GetFileAttributesW(folder_.File(L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The installer's language choice: only the language changes in a file the program already
// wrote; a missing file is made exactly as a first run of the program makes it.
TEST_F(SettingsFile, SavingTheLanguageAloneKeepsEverythingElse) {
    const std::string body =
        "<Setting Version=\"7\"><General Theme=\"dark\"><Language ID=\"de\" Note=\"n\"/></General>"
        "<ExtractImageDlg Folder=\"D:\\Out\" ImageType=\"2\"/><MainWindow Maximized=\"0\"><Rect Left=\"1\" "
        "Top=\"2\" Right=\"3\" Bottom=\"4\"/><LeftPane SplitterPos=\"5\"/></MainWindow></Setting>";
    WriteSettings(body);
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenSettings(Path()));
        store.languageId = L"ru";
        EXPECT_TRUE(store.SaveLanguage());
    }
    std::string expected = body;
    expected.replace(expected.find("ID=\"de\""), 7, "ID=\"ru\"");
    EXPECT_EQ(Saved(), std::string(kDeclaration) + expected + "\n");

    ASSERT_TRUE(DeleteFileW(Path().c_str()));
    {
        SettingsStore store;
        ASSERT_TRUE(store.OpenSettings(Path()));
        store.languageId = L"fr";
        EXPECT_TRUE(store.SaveLanguage());
    }
    EXPECT_EQ(Saved(), std::string(kDeclaration) + "<Setting><General><Language ID=\"fr\"/></General></Setting>\n");
    SettingsStore program;
    ASSERT_TRUE(program.OpenSettings(Path()));
    EXPECT_EQ(program.languageId, L"fr");

    ASSERT_TRUE(SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_READONLY));
    SettingsStore readOnly;
    ASSERT_TRUE(readOnly.OpenSettings(Path()));
    readOnly.languageId = L"es";
    EXPECT_FALSE(readOnly.SaveLanguage()) << "a language that was not written is reported";
    SetFileAttributesW(Path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace pictrove::test
