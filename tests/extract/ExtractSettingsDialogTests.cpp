// The extract settings dialog on its built-in template: type list, template extension, folder
// handling, the empty-folder refusal and what is kept in memory versus written to the settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <utility>
#include <vector>

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
    std::wstring afterPng, afterEmptyGif, afterDottedBmp, afterFolderJpeg;
    Run(dialog, [&](HWND window) {
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"%IN%_%0II%.bmp");
        ChooseType(window, 3);
        afterPng = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"");
        ChooseType(window, 1);
        afterEmptyGif = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"v1.5_%IN%");
        ChooseType(window, 0);
        afterDottedBmp = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"dir.x\\name.bmp");
        ChooseType(window, 2);
        afterFolderJpeg = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
        return IDCANCEL;
    });
    EXPECT_EQ(afterPng, L"%IN%_%0II%.png");
    EXPECT_EQ(afterEmptyGif, L"%IN%.gif");
    EXPECT_EQ(afterDottedBmp, L"v1.5_%IN%.bmp") << "a full stop inside a name is no extension";
    EXPECT_EQ(afterFolderJpeg, L"dir.x\\name.jpg");
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

// The four encoded types sorted by name, the original format after them; its template carries no
// extension (each picture gets its own), and it is stored as the fifth type.
TEST_F(ExtractSettingsDialogTest, OriginalFormatIsTheFifthTypeAtTheEndAndDropsTheExtension) {
    settings.WriteExtractOptions(L"C:\\Out\\", kOriginalImageType);
    ExtractImageDlg dialog(settings);
    std::vector<std::pair<std::wstring, LRESULT>> items;
    std::wstring afterOriginal, afterPng;
    EXPECT_EQ(Run(dialog,
                  [&](HWND window) {
                      HWND types = GetDlgItem(window, IDC_EXTRACT_TYPE);
                      const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
                      for (int item = 0; item < count; ++item) {
                          wchar_t label[64] = L"";
                          SendMessageW(types, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(label));
                          items.emplace_back(label, SendMessageW(types, CB_GETITEMDATA, item, 0));
                      }
                      SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, L"%IN%_%II%");
                      ChooseType(window, 3);
                      afterPng = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
                      ChooseType(window, kOriginalImageType);
                      afterOriginal = DialogItemText(window, IDC_EXTRACT_TEMPLATE);
                      return IDOK;
                  }),
              IDOK);
    const std::vector<std::pair<std::wstring, LRESULT>> expected = {
        {L"Bitmap image", 0}, {L"GIF image", 1}, {L"JPEG image", 2}, {L"PNG image", 3}, {L"Original format", 4}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(opening.type, L"Original format") << "the stored fifth type is selected on opening";
    EXPECT_EQ(opening.fileTemplate, L"%IN%");
    EXPECT_EQ(afterPng, L"%IN%_%II%.png");
    EXPECT_EQ(afterOriginal, L"%IN%_%II%");
    EXPECT_EQ(dialog.TypeIndex(), kOriginalImageType);
    std::wstring storedFolder;
    int storedType = -1;
    ASSERT_TRUE(settings.ReadExtractOptions(storedFolder, storedType));
    EXPECT_EQ(storedType, kOriginalImageType);
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

// Runs after the current message, outside the hook that reported the dialog: a message box the
// step opens is then seen by the capture too.
void Later(std::function<void()> step) {
    static std::function<void()> s_step;
    s_step = std::move(step);
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        std::function<void()> run = std::move(s_step);
        run();
    });
}

TEST_F(ExtractSettingsDialogTest, EmptyFolderKeepsTheDialogOpenSavesNothingAndSaysWhy) {
    ExtractImageDlg dialog(settings);
    bool pointedAtFolder = false;
    bool stillOpen = false;
    std::vector<CapturedBox> boxes;
    {
        bool started = false;
        DialogCapture capture([&](HWND window) {
            // Activated again when the message box closes: act once.
            if (std::exchange(started, true)) return;
            Later([&, window] {
                SendMessageW(window, WM_COMMAND, IDOK, 0);
                // Refused: the folder box has the focus, and the reason was shown.
                pointedAtFolder = GetFocus() == GetDlgItem(window, IDC_EXTRACT_FOLDER);
                stillOpen = IsWindowVisible(window) != FALSE;
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            });
        });
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
        boxes = capture.Boxes();
    }
    EXPECT_TRUE(pointedAtFolder);
    EXPECT_TRUE(stillOpen);
    // No balloon tips here (EM_SHOWBALLOONTIP fails under Wine): the same title and text come
    // in a message box over the dialog.
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EDITBALLOONTIP probe{sizeof(probe), L"t", L"x", TTI_ERROR};
    const bool balloons = SendMessageW(edit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&probe)) != 0;
    DestroyWindow(edit);
    if (!balloons) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"Folder error");
        EXPECT_EQ(boxes[0].text, L"You must enter folder for extract");
        EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_TRUE(boxes[0].hasOwner);
    } else {
        EXPECT_TRUE(boxes.empty()) << "the balloon says it already";
    }
    EXPECT_TRUE(dialog.Folder().empty());
    std::wstring storedFolder = L"marker";
    int storedType = -1;
    settings.ReadExtractOptions(storedFolder, storedType);
    EXPECT_EQ(storedFolder, L"");
}

HWND FindTree(HWND browser) {
    HWND found = nullptr;
    EnumChildWindows(
        browser,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t name[64] = L"";
            GetClassNameW(child, name, 64);
            if (wcscmp(name, WC_TREEVIEWW) != 0) return TRUE;
            *reinterpret_cast<HWND*>(param) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring SelectedTreeText(HWND tree) {
    wchar_t text[MAX_PATH] = L"";
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (item.hItem) TreeView_GetItem(tree, &item);
    return text;
}

// Selects the item named text among the selected item's siblings, as a click on it would.
void SelectSibling(HWND tree, const wchar_t* text) {
    const HTREEITEM parent = TreeView_GetParent(tree, TreeView_GetSelection(tree));
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        wchar_t name[MAX_PATH] = L"";
        TVITEMW query{};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = name;
        query.cchTextMax = MAX_PATH;
        if (TreeView_GetItem(tree, &query) && wcscmp(name, text) == 0) {
            TreeView_SelectItem(tree, item);
            return;
        }
    }
}

TEST_F(ExtractSettingsDialogTest, BrowseStartsAtTheFolderInTheBoxAndPutsThePickedFolderThere) {
    const std::wstring start = folder.File(L"Start folder");
    const std::wstring picked = folder.File(L"Picked folder");
    ASSERT_TRUE(CreateDirectoryW(start.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(picked.c_str(), nullptr));
    ExtractImageDlg dialog(settings);
    HWND settingsWindow = nullptr;
    std::wstring initialSelection, afterPick;
    int browsers = 0;
    std::function<void()> readBox;
    int ticks = 0;
    bool confirmed = false;
    DialogCapture capture([&](HWND window) {
        if (GetDlgItem(window, IDC_EXTRACT_TYPE)) {
            // Activated again when the browser closes: only the first time starts it.
            if (settingsWindow) return;
            settingsWindow = window;
            SetDlgItemTextW(window, IDC_EXTRACT_FOLDER, start.c_str());
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXTRACT_BROWSE, BN_CLICKED), 0);
            return;
        }
        // The folder browser: look once it has run its initialisation callback.
        ++browsers;
        Later([&, window] {
            initialSelection = SelectedTreeText(FindTree(window));
            // The user clicks another folder beside it and confirms.
            SelectSibling(FindTree(window), L"Picked folder");
            // The browser follows the click once it has handled the tree's notification; the
            // user confirms what they see selected, so wait for it. Then the box is filled once
            // the browser has returned.
            readBox = [&, window] {
                if (IsWindow(window)) {
                    if (!confirmed && (SelectedTreeText(FindTree(window)) == L"Picked folder" || ++ticks > 500)) {
                        confirmed = true;
                        PostMessageW(window, WM_COMMAND, IDOK, 0);
                    }
                    Later(readBox);
                    return;
                }
                afterPick = DialogItemText(settingsWindow, IDC_EXTRACT_FOLDER);
                PostMessageW(settingsWindow, WM_COMMAND, IDCANCEL, 0);
            };
            Later(readBox);
        });
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(browsers, 1);
    EXPECT_EQ(initialSelection, L"Start folder") << "the browser opens at the folder in the box";
    EXPECT_EQ(afterPick, picked);
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

// Names Windows refuses are refused in the dialog, before anything is written; the message says
// which characters. Separators stay allowed in the template (a subfolder).
TEST_F(ExtractSettingsDialogTest, NamesWindowsRefusesKeepTheDialogOpenAndSayWhichCharacters) {
    HWND probeEdit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EDITBALLOONTIP probe{sizeof(probe), L"t", L"x", TTI_ERROR};
    const bool balloons = SendMessageW(probeEdit, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&probe)) != 0;
    DestroyWindow(probeEdit);
    const struct {
        const wchar_t* folder;
        const wchar_t* fileTemplate;
        int refusedField;  // 0: accepted
        const wchar_t* caption;
        const wchar_t* text;
    } kCases[] = {
        {L"C:\\Out", L"a:b?%IN%", IDC_EXTRACT_TEMPLATE, L"File name error",
         L"File names cannot hold these characters: : ?"},
        {L"C:\\Out", L"%IN%|x*\"<>|.png", IDC_EXTRACT_TEMPLATE, L"File name error",
         L"File names cannot hold these characters: | * \" < >"},
        {L"C:\\Out", L"tab\there.png", IDC_EXTRACT_TEMPLATE, L"File name error",
         L"File names cannot hold these characters: U+0009"},
        {L"C:\\Out?", L"%IN%.png", IDC_EXTRACT_FOLDER, L"Folder error",
         L"Folder names cannot hold these characters: ?"},
        {L"C:\\a:b", L"%IN%.png", IDC_EXTRACT_FOLDER, L"Folder error", L"Folder names cannot hold these characters: :"},
        // Accepted ones last: they store their folder.
        {L"C:\\Out", L"sub\\%0II%_%IN%.png", 0, nullptr, nullptr},
        {L"\\\\?\\C:\\Out", L"%IN%.png", 0, nullptr, nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "folder " << c.folder << ", template " << c.fileTemplate);
        ExtractImageDlg dialog(settings);
        int focusedId = 0;
        std::vector<CapturedBox> boxes;
        INT_PTR result = 0;
        {
            bool started = false;
            DialogCapture capture([&](HWND window) {
                if (std::exchange(started, true)) return;
                Later([&, window] {
                    SetDlgItemTextW(window, IDC_EXTRACT_FOLDER, c.folder);
                    SetDlgItemTextW(window, IDC_EXTRACT_TEMPLATE, c.fileTemplate);
                    SendMessageW(window, WM_COMMAND, IDOK, 0);
                    if (!IsWindow(window) || !IsWindowVisible(window)) return;
                    focusedId = GetDlgCtrlID(GetFocus());
                    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
                });
            });
            result = dialog.DoModal(nullptr);
            boxes = capture.Boxes();
        }
        if (c.refusedField == 0) {
            EXPECT_EQ(result, IDOK);
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(dialog.Template(), c.fileTemplate);
            continue;
        }
        EXPECT_EQ(result, IDCANCEL) << "the refusal keeps the dialog open";
        EXPECT_EQ(focusedId, c.refusedField);
        if (!balloons) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].caption, c.caption);
            EXPECT_EQ(boxes[0].text, c.text);
        }
        std::wstring storedFolder = L"marker";
        int storedType = -1;
        settings.ReadExtractOptions(storedFolder, storedType);
        EXPECT_EQ(storedFolder, L"") << "nothing is stored for a refused folder or template";
    }
}

}  // namespace
}  // namespace pictrove::test
