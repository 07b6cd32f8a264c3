// Start-up and shutdown of the application object: settings and language file beside the
// program, the language the settings name, the save at exit, and the named events.
#include <gtest/gtest.h>

#include <thread>

#include "app/AppModule.h"
#include "app/MessageLoop.h"
#include "reader/PasswordDialog.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"
#include "common/Handles.h"
#include "ui/Window.h"

namespace pictrove::test {
namespace {

void CopyShippedLanguageFile(const TempFolder& folder) {
    ASSERT_TRUE(
        CopyFileW((ProgramFolder() + kLanguageFileName).c_str(), folder.File(kLanguageFileName).c_str(), FALSE));
}

TEST(AppModule, FindsItsFilesBesideTheExecutable) {
    EXPECT_EQ(AppModule::GetExecutableFolder(), ProgramFolder());
    EXPECT_EQ(AppModule::GetExecutableFolder().back(), L'\\');
}

TEST(AppModule, StartsInTheLanguageTheSettingsNameAndSavesAtExit) {
    TempFolder folder;
    CopyShippedLanguageFile(folder);
    ASSERT_TRUE(WriteText(folder.File(kSettingsFileName),
                          "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting><General><Language ID=\"de\"/>"
                          "</General><MainWindow Maximized=\"0\"><Rect Left=\"1\" Top=\"2\" Right=\"3\" Bottom=\"4\"/>"
                          "</MainWindow></Setting>"));
    AppModule module;
    EXPECT_EQ(module.Init(GetModuleHandleW(nullptr), folder.Path()), S_OK);
    EXPECT_EQ(module.Settings().languageId, L"de");
    EXPECT_EQ(module.Settings().maximized, 0);
    EXPECT_EQ(module.Language().languageId, L"de");
    EXPECT_TRUE(module.Language().HasSelection());
    EXPECT_EQ(LoadUiString(IDS_COLUMN_WIDTH), L"Breite");
    EXPECT_EQ(FormatUiString(IDS_IMAGE_COUNT, {3}), L"Bilder: 3");
    EXPECT_EQ(FormatUiString(IDS_PASSWORD_PROMPT, {L"a.pdf"}),
              L"\u201ea.pdf\u201c ist gesch\u00fctzt. Bitte geben Sie das Kennwort zum \u00d6ffnen des Dokuments ein.");

    module.Settings().splitterPos = 222;
    module.Term();
    EXPECT_EQ(LoadUiString(IDS_COLUMN_WIDTH), L"Width") << "the language is let go at exit";
    EXPECT_EQ(WithLineFeeds(TextOf(ReadFileBytes(folder.File(kSettingsFileName)))),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Setting><General><Language ID=\"de\"/></General><MainWindow Maximized=\"0\"><Rect Left=\"1\" "
              "Top=\"2\" Right=\"3\" Bottom=\"4\"/><LeftPane SplitterPos=\"222\"/></MainWindow></Setting>\n");
}

TEST(AppModule, AFirstRunWithoutFilesUsesTheBuiltInTextsAndWritesTheSettings) {
    TempFolder folder;
    AppModule module;
    module.Init(GetModuleHandleW(nullptr), folder.Path());
    EXPECT_EQ(module.Settings().languageId, L"");
    EXPECT_EQ(module.Settings().maximized, 1);
    EXPECT_FALSE(module.Language().HasSelection());
    EXPECT_EQ(LoadUiString(IDS_COLUMN_WIDTH), L"Width");
    module.Term();
    EXPECT_EQ(WithLineFeeds(TextOf(ReadFileBytes(folder.File(kSettingsFileName)))),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Setting><General><Language ID=\"\"/></General><MainWindow Maximized=\"1\"><Rect Left=\"0\" "
              "Top=\"0\" Right=\"799\" Bottom=\"599\"/><LeftPane SplitterPos=\"300\"/></MainWindow></Setting>\n");
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{kSettingsFileName});
}

// Once the program has started, every dialog object runs through the runner that knows the
// languages: the selected language's own layout of a dialog is what shows.
TEST(AppModule, StartUpRunsDialogsInTheSelectedLanguagesLayout) {
    TempFolder folder;
    ASSERT_TRUE(WriteText(
        folder.File(kLanguageFileName),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Languages><Language ID=\"xx\" Name=\"Test\"><Dialogs>"
        "<Dialog ID=\"129\" Style=\"-2134376248\" Width=\"200\" Height=\"60\" Caption=\"Kennwort eingeben\">"
        "<Control ID=\"1001\" Style=\"1342308352\" SystemClass=\"130\" X=\"5\" Y=\"5\" Width=\"190\" Height=\"20\"/>"
        "<Control ID=\"1000\" Style=\"1350631584\" SystemClass=\"129\" X=\"5\" Y=\"27\" Width=\"190\" Height=\"12\"/>"
        "<Control ID=\"1\" Style=\"1342242817\" SystemClass=\"128\" X=\"90\" Y=\"42\" Width=\"50\" Height=\"14\" "
        "Caption=\"OK\"/>"
        "<Control ID=\"2\" Style=\"1342242816\" SystemClass=\"128\" X=\"145\" Y=\"42\" Width=\"50\" Height=\"14\" "
        "Caption=\"Abbrechen\"/>"
        "</Dialog></Dialogs></Language></Languages>\r\n"));
    ASSERT_TRUE(WriteText(folder.File(kSettingsFileName),
                          "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting><General><Language ID=\"xx\"/>"
                          "</General></Setting>"));
    // As in a program that has not started yet: dialogs come from the module's own templates.
    const ModalDialogRunner before = SetModalDialogRunner(nullptr);
    AppModule module;
    module.Init(GetModuleHandleW(nullptr), folder.Path());
    std::vector<std::wstring> captions;
    {
        DialogCapture capture([&](HWND dialog) {
            wchar_t text[64] = L"";
            GetWindowTextW(dialog, text, 64);
            captions.push_back(text);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        PasswordDialog dialog(L"C:\\a\\b.pdf");
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    }
    module.Term();
    SetModalDialogRunner(before);
    EXPECT_EQ(captions, std::vector<std::wstring>{L"Kennwort eingeben"});
}

// Settings another program holds open cannot be read: the default language is selected and the
// file is neither moved nor overwritten.
TEST(AppModule, SettingsHeldOpenSelectTheDefaultLanguageAndStayUntouched) {
    TempFolder folder;
    CopyShippedLanguageFile(folder);
    ASSERT_TRUE(WriteText(folder.File(kSettingsFileName), "<Setting>"));
    AppModule module;
    {
        UniqueHandle holder(
            CreateFileW(folder.File(kSettingsFileName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        module.Init(GetModuleHandleW(nullptr), folder.Path());
        EXPECT_EQ(module.Language().languageId, L"en");
        EXPECT_TRUE(module.Language().HasSelection());
        std::wstring text;
        EXPECT_TRUE(module.Language().GetLanguageString(IDS_COLUMN_WIDTH, text));
        module.Term();
    }
    EXPECT_EQ(TextOf(ReadFileBytes(folder.File(kSettingsFileName))), "<Setting>") << "left untouched";
    EXPECT_EQ(FilesIn(folder.Path()).size(), 2u) << "the language file and the settings, nothing set aside";
}

// A damaged settings file is kept aside and the program starts as on a first run, so this run's
// placement is saved instead of being lost on every run.
TEST(AppModule, DamagedSettingsAreKeptAsideAndTheRunIsSaved) {
    TempFolder folder;
    ASSERT_TRUE(WriteText(folder.File(kSettingsFileName), "<Setting>"));
    AppModule module;
    module.Init(GetModuleHandleW(nullptr), folder.Path());
    EXPECT_FALSE(module.Language().HasSelection());
    module.Settings().maximized = 0;
    module.Term();
    EXPECT_EQ(TextOf(ReadFileBytes(folder.File(std::wstring(kSettingsFileName) + kDamagedSuffix))), "<Setting>");
    EXPECT_NE(TextOf(ReadFileBytes(folder.File(kSettingsFileName))).find("Maximized=\"0\""), std::string::npos);
}

TEST(AppModule, KeepsOneMessageLoopPerThreadBetweenInitAndTerm) {
    TempFolder folder;
    AppModule module;
    MessageLoop loop, other;
    EXPECT_FALSE(module.AddMessageLoop(&loop)) << "no registration before Init";
    module.Init(GetModuleHandleW(nullptr), folder.Path());
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    EXPECT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_FALSE(module.AddMessageLoop(&other)) << "one loop per thread";
    EXPECT_EQ(module.GetMessageLoop(), &loop);
    EXPECT_EQ(module.GetMessageLoop(GetCurrentThreadId() + 4), nullptr);

    MessageLoop* seenByWorker = &other;
    std::thread worker([&] { seenByWorker = module.GetMessageLoop(); });
    worker.join();
    EXPECT_EQ(seenByWorker, nullptr) << "the worker thread has no loop of its own";

    module.RemoveMessageLoop();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    module.Term();
}

TEST(AppModule, KeepsTheNamedEventsSignalledWhileItLives) {
    const wchar_t* names[] = {L"SyncOpenFile", L"SyncGetPage", L"SyncOtherState"};
    auto signalled = [](const wchar_t* name) {
        UniqueHandle event(OpenEventW(SYNCHRONIZE, FALSE, name));
        EXPECT_TRUE(event) << testing::PrintToString(std::wstring(name));
        return event && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
    };
    {
        AppModule module;
        for (const wchar_t* name : names) EXPECT_TRUE(signalled(name)) << testing::PrintToString(std::wstring(name));
    }
    // The program's own object still holds the names open; the first object to go has reset
    // them for every holder.
    for (const wchar_t* name : names) EXPECT_FALSE(signalled(name)) << testing::PrintToString(std::wstring(name));
}

TEST(AppModule, KeepsSettingsItCannotWriteBesideTheProgramInTheUsersRoamingFolder) {
    wchar_t roaming[MAX_PATH] = L"";
    ASSERT_NE(GetEnvironmentVariableW(L"APPDATA", roaming, MAX_PATH), 0u);
    EXPECT_EQ(AppModule::GetUserSettingsFolder(), std::wstring(roaming) + L"\\Pictrove\\");

    TempFolder program, user;
    CopyShippedLanguageFile(program);
    const std::wstring besideProgram = program.File(kSettingsFileName);
    ASSERT_TRUE(WriteText(besideProgram,
                          "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<Setting><General>"
                          "<Language ID=\"de\"/></General></Setting>"));
    ASSERT_TRUE(SetFileAttributesW(besideProgram.c_str(), FILE_ATTRIBUTE_READONLY));
    const auto before = ReadFileBytes(besideProgram);
    const std::wstring userFolder = user.File(L"Pictrove\\");
    {
        AppModule module;
        module.Init(GetModuleHandleW(nullptr), program.Path(), userFolder);
        EXPECT_EQ(LoadUiString(IDS_COLUMN_WIDTH), L"Breite");
        module.Settings().splitterPos = 321;
        module.Term();
    }
    EXPECT_EQ(ReadFileBytes(besideProgram), before);
    const std::string saved = TextOf(ReadFileBytes(userFolder + kSettingsFileName));
    EXPECT_NE(saved.find("<Language ID=\"de\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("SplitterPos=\"321\""), std::string::npos) << saved;
    {
        AppModule module;
        module.Init(GetModuleHandleW(nullptr), program.Path(), userFolder);
        EXPECT_EQ(module.Settings().splitterPos, 321) << "the next start reads the user's copy";
        module.Term();
    }
    SetFileAttributesW(besideProgram.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace pictrove::test
