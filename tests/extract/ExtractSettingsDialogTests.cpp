// The extract settings dialog on its built-in template: type list, template extension, folder
// handling, the empty-folder refusal and what is kept in memory versus written to the settings.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "extract/ExtractSettingsDialog.h"
#include "resources/ResourceIds.h"
#include "resources/SettingsStore.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

std::wstring SelectedTypeLabel(HWND dialog) {
    HWND types = GetDlgItem(dialog, IDC_EXTRACT_TYPE);
    const LRESULT item = SendMessageW(types, CB_GETCURSEL, 0, 0);
    wchar_t label[64] = L"";
    if (item >= 0) SendMessageW(types, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(label));
    return label;
}

void ChooseType(HWND dialog, int typeIndex) {
    HWND types = GetDlgItem(dialog, IDC_EXTRACT_TYPE);
    const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        if (SendMessageW(types, CB_GETITEMDATA, item, 0) == typeIndex) SendMessageW(types, CB_SETCURSEL, item, 0);
    }
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_EXTRACT_TYPE, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
}

// What the dialog showed when it opened.
struct Opening {
    std::wstring folder, fileTemplate, type;
};

class ExtractSettingsDialogTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(settings.OpenSettings(folder.File(L"PictroveSetting.xml"))); }

    // Runs the dialog; act gets it open and returns the button to end it with.
    INT_PTR Run(ExtractImageDlg& dialog, const std::function<UINT(HWND)>& act) {
        DialogCapture capture([&](HWND window) {
            opening = {DialogItemText(window, IDC_EXTRACT_FOLDER), DialogItemText(window, IDC_EXTRACT_TEMPLATE),
                       SelectedTypeLabel(window)};
            const UINT button = act(window);
            if (button) PostMessageW(window, WM_COMMAND, button, 0);
        });
        return dialog.DoModal(nullptr);
    }

    TempFolder folder;
    SettingsStore settings;
    Opening opening;
};

TEST(FixTemplateExtension, ReplacesFromTheLastFullStop) {
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"", L".bmp"), L"%IN%.bmp");
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"%IN%.bmp", L".png"), L"%IN%.png");
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"photo", L".jpg"), L"photo.jpg");
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"a.b.c", L".gif"), L"a.b.gif");
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"dir.x\\name", L".gif"), L"dir.gif");
    EXPECT_EQ(ExtractImageDlg::FixTemplateExtension(L"%IN%.png", L""), L"%IN%");
}

TEST_F(ExtractSettingsDialogTest, FirstUseShowsEmptyFolderBmpAndDefaultTemplate) {
    ExtractImageDlg dialog(settings);
    EXPECT_EQ(Run(dialog, [](HWND) { return IDCANCEL; }), IDCANCEL);
    EXPECT_EQ(opening.folder, L"");
    EXPECT_EQ(opening.fileTemplate, L"%IN%.bmp");
    EXPECT_EQ(opening.type, L"Bitmap image");
}

TEST_F(ExtractSettingsDialogTest, StoredTypeAndFolderAreShownOnOpening) {
    settings.WriteExtractOptions(L"C:\\Stored\\", 2);
    ExtractImageDlg dialog(settings);
    Run(dialog, [](HWND) { return IDCANCEL; });
    EXPECT_EQ(opening.folder, L"C:\\Stored\\");
    EXPECT_EQ(opening.type, L"JPEG image");
    EXPECT_EQ(opening.fileTemplate, L"%IN%.jpg");
}

TEST_F(ExtractSettingsDialogTest, ChangingTheTypeKeepsWhatWasTypedAndSwapsTheExtension) {
    ExtractImageDlg dialog(settings);
    std::wstring afterPng, afterEmptyGif;
    Run(dialog, [&](HWND window) {
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"%IN%_%0II%.bmp");
        ChooseType(window, 3);
        afterPng = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"");
        ChooseType(window, 1);
        afterEmptyGif = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        return IDCANCEL;
    });
    EXPECT_EQ(afterPng, L"%IN%_%0II%.png");
    EXPECT_EQ(afterEmptyGif, L"%IN%.gif");
}

TEST_F(ExtractSettingsDialogTest, ExtractAddsBackslashStoresFolderAndTypeAndTakesTemplateAsTyped) {
    ExtractImageDlg dialog(settings);
    EXPECT_EQ(Run(dialog,
                  [](HWND window) {
                      ChooseType(window, 2);
                      SetDlgItemTextW(window, IDC_EXTRACT_FOLDER, L"D:\\Pics");
                      SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"pic%II%");
                      return IDOK;
                  }),
              IDOK);
    EXPECT_EQ(dialog.Folder(), L"D:\\Pics\\");
    EXPECT_EQ(dialog.Template(), L"pic%II%");
    EXPECT_EQ(dialog.TypeIndex(), 2);
    std::wstring storedFolder;
    int storedType = -1;
    ASSERT_TRUE(settings.ReadExtractOptions(storedFolder, storedType));
    EXPECT_EQ(storedFolder, L"D:\\Pics\\");
    EXPECT_EQ(storedType, 2);
}

TEST_F(ExtractSettingsDialogTest, EmptiedTemplateBecomesNameWithoutExtension) {
    ExtractImageDlg dialog(settings);
    Run(dialog, [](HWND window) {
        SetDlgItemTextW(window, IDC_EXTRACT_FOLDER, L"C:\\Out\\");
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"");
        return IDOK;
    });
    EXPECT_EQ(dialog.Template(), L"%IN%");
    EXPECT_EQ(dialog.Folder(), L"C:\\Out\\");
}

TEST_F(ExtractSettingsDialogTest, EmptyFolderKeepsTheDialogOpenAndSavesNothing) {
    ExtractImageDlg dialog(settings);
    bool pointedAtFolder = false;
    EXPECT_EQ(Run(dialog,
                  [&](HWND window) {
                      SendMessageW(window, WM_COMMAND, IDOK, 0);
                      // Refused: the folder box has the focus (and, on Windows, the balloon tip).
                      pointedAtFolder = GetFocus() == GetDlgItem(window, IDC_EXTRACT_FOLDER);
                      return IDCANCEL;
                  }),
              IDCANCEL);
    EXPECT_TRUE(pointedAtFolder);
    EXPECT_TRUE(dialog.Folder().empty());
    std::wstring storedFolder = L"marker";
    int storedType = -1;
    settings.ReadExtractOptions(storedFolder, storedType);
    EXPECT_EQ(storedFolder, L"");
}

TEST_F(ExtractSettingsDialogTest, CancelKeepsTheNewTypeInMemoryButNotInTheSettings) {
    ExtractImageDlg dialog(settings);
    Run(dialog, [](HWND window) {
        ChooseType(window, 3);
        return IDCANCEL;
    });
    Run(dialog, [](HWND) { return IDCANCEL; });
    EXPECT_EQ(opening.type, L"PNG image");
    EXPECT_EQ(opening.fileTemplate, L"%IN%.png");
    std::wstring storedFolder;
    int storedType = -1;
    settings.ReadExtractOptions(storedFolder, storedType);
    EXPECT_EQ(storedType, 0);
}

TEST_F(ExtractSettingsDialogTest, ClosingTheDialogCancels) {
    ExtractImageDlg dialog(settings);
    EXPECT_EQ(Run(dialog,
                  [](HWND window) {
                      PostMessageW(window, WM_CLOSE, 0, 0);
                      return 0u;
                  }),
              IDCANCEL);
}

TEST_F(ExtractSettingsDialogTest, StoredTypeOutOfRangeFallsBackToTheFirst) {
    settings.WriteExtractOptions(L"", 7);
    ExtractImageDlg dialog(settings);
    EXPECT_EQ(dialog.TypeIndex(), 0);
}

}  // namespace
}  // namespace pictrove::test
