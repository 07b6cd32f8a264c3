// Save As for one image: the common dialog's options, typed and appended extensions, the question
// about an existing name, and the messages when nothing can be written.
#include <gtest/gtest.h>

#include "extract/ExistingFilesQuestion.h"
#include "extract/ImageFileWriter.h"
#include "extract/SaveAsDialog.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using test::FakeReaderImage;

constexpr int kFilterCombo = 0x470;  // cmb1
constexpr int kNameCombo = 0x47C;    // cmb13

void AnswerNow();

struct SaveAnswer {
    HWND dialog = nullptr;
    int filterIndex = 1;
    std::wstring path;
    std::wstring proposed;
} g_answer;

// The Explorer-style Save dialog: choose a filter and a name, then confirm. Done from a timer,
// since the dialog is activated before it has filled its controls.
void AnswerSaveDialog(HWND dialog, int filterIndex, const std::wstring& path) {
    g_answer.dialog = dialog;
    g_answer.filterIndex = filterIndex;
    g_answer.path = path;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        AnswerNow();
    });
}

void AnswerNow() {
    HWND dialog = g_answer.dialog;
    const int filterIndex = g_answer.filterIndex;
    const std::wstring& path = g_answer.path;
    g_answer.proposed = test::DialogItemText(dialog, kNameCombo);
    HWND filter = GetDlgItem(dialog, kFilterCombo);
    SendMessageW(filter, CB_SETCURSEL, static_cast<WPARAM>(filterIndex - 1), 0);
    // Wine's dialog takes the filter on CBN_SELENDOK, Windows' on CBN_SELCHANGE.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(filter));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFilterCombo, CBN_SELENDOK), reinterpret_cast<LPARAM>(filter));
    SetDlgItemTextW(dialog, kNameCombo, path.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// A collection of one 5x4 picture (index 0) and one of an unknown pixel type (index 1).
test::FakeImageCollection* SaveAsDocument() {
    auto* collection = new test::FakeImageCollection;
    FakeReaderImage* image = FakeReaderImage::FromRows(1, 5, 4, 16, 0, test::PatternBgr(5, 4));
    collection->Add(L"", image);
    image->Release();
    auto* broken = new FakeReaderImage(9, 5, 4, 16, 0, std::make_shared<std::vector<BYTE>>(64, BYTE{0}));
    collection->Add(L"broken", broken);
    broken->Release();
    return collection;
}

TEST(SaveSingleImage, AnImageExtensionTypedDecidesTheFormatOtherwiseTheFilterDoes) {
    test::TempFolder folder;
    auto* collection = SaveAsDocument();
    const struct {
        int filterIndex;
        const wchar_t* typed;
        const wchar_t* written;
        const char* signature;
    } cases[] = {
        {4, L"picture.jpg", L"picture.jpg", "\xFF\xD8\xFF"},
        {1, L"shot.PNG", L"shot.PNG", "\x89PN"},
        {2, L"anim.jpe", L"anim.jpe", "\xFF\xD8\xFF"},
        {4, L"v1.5", L"v1.5.png", "\x89PN"},
        {2, L"scan.tif", L"scan.tif.gif", "GIF"},
    };
    for (const auto& c : cases) {
        const std::string label(c.typed, c.typed + wcslen(c.typed));
        {
            test::DialogCapture capture(
                [&](HWND dialog) { AnswerSaveDialog(dialog, c.filterIndex, folder.File(c.typed)); });
            SaveSingleImage(collection, 0, L"Image000");
            EXPECT_EQ(capture.DialogCount(), 1) << label;
            EXPECT_TRUE(capture.Boxes().empty()) << label;
        }
        EXPECT_EQ(g_answer.proposed, L"Image000");
        EXPECT_EQ(test::FileSignature(folder.File(c.written), 3), c.signature) << label;
        if (wcscmp(c.typed, c.written) != 0) {
            EXPECT_FALSE(test::FileExists(folder.File(c.typed))) << label;
        }
    }
    EXPECT_EQ(collection->RefCount(), 1u);
    collection->Release();
}

TEST(SaveSingleImage, AnAppendedExtensionThatNamesAnExistingFileAsksFirst) {
    const std::vector<unsigned char> userBytes = {'k', 'e', 'e', 'p'};
    for (int button : {kReplaceFilesButton, kKeepBothFilesButton, IDCANCEL}) {
        test::TempFolder folder;
        ASSERT_TRUE(test::WriteFileBytes(folder.File(L"v1.5.png"), userBytes));
        auto* collection = SaveAsDocument();
        int questions = 0;
        std::wstring text;
        {
            test::DialogCapture capture([&](HWND dialog) {
                if (GetDlgItem(dialog, kFilterCombo)) {
                    AnswerSaveDialog(dialog, 4, folder.File(L"v1.5"));
                    return;
                }
                ++questions;
                text = test::AllWindowText(dialog);
                test::AnswerLater(dialog, static_cast<UINT>(button));
            });
            SaveSingleImage(collection, 0, L"Image000");
            EXPECT_TRUE(capture.Boxes().empty()) << "button " << button;
        }
        EXPECT_EQ(questions, 1) << "button " << button;
        EXPECT_NE(text.find(folder.File(L"v1.5.png")), std::wstring::npos) << "button " << button;
        if (button == kReplaceFilesButton) {
            EXPECT_EQ(test::FileSignature(folder.File(L"v1.5.png"), 3), "\x89PN");
        } else {
            EXPECT_EQ(test::ReadFileBytes(folder.File(L"v1.5.png")), userBytes) << "button " << button;
        }
        EXPECT_EQ(test::FileExists(folder.File(L"v1.5 (2).png")), button == kKeepBothFilesButton)
            << "button " << button;
        collection->Release();
    }
}

TEST(SaveSingleImage, FailuresAndAFailingEncoderAreReported) {
    test::TempFolder folder;
    auto* collection = SaveAsDocument();
    // An image that cannot be converted is not written, and the user hears of it.
    const std::wstring unwritable = folder.File(L"broken.gif");
    {
        test::DialogCapture capture([&](HWND dialog) { AnswerSaveDialog(dialog, 2, unwritable); });
        SaveSingleImage(collection, 1, L"broken");
        ASSERT_EQ(capture.Boxes().size(), 1u);
        const test::CapturedBox& box = capture.Boxes()[0];
        EXPECT_EQ(box.caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_FALSE(box.hasOwner);
        EXPECT_EQ(box.text.rfind(L"1 of 1 images could not be written.", 0), 0u)
            << std::string(box.text.begin(), box.text.end());
    }
    EXPECT_FALSE(test::FileExists(unwritable));

    // An encoder that runs out of memory: said with the reason, nothing written.
    const PictureEncoderFunction previous =
        SetPictureEncoder([](PictureFormat, const ReaderImageFields&) -> EncodedPicture {
            return {{}, WriteError::kOutOfMemory};
        });
    {
        test::DialogCapture capture([&](HWND dialog) { AnswerSaveDialog(dialog, 4, folder.File(L"picture")); });
        SaveSingleImage(collection, 0, L"Image000");
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(capture.Boxes()[0].text,
                  FormatUiString(IDS_WRITE_FAILED,
                                 {1LL, 1LL, folder.File(L"picture.png"), SystemErrorText(ERROR_NOT_ENOUGH_MEMORY)}));
        EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    }
    SetPictureEncoder(previous);
    EXPECT_FALSE(test::FileExists(folder.File(L"picture.png")));
    EXPECT_FALSE(test::FileExists(folder.File(L"picture")));
    EXPECT_EQ(collection->RefCount(), 1u);
    collection->Release();
}

// What the Save As asked of the platform's dialog.
struct AskedSave {
    int calls = 0;
    DWORD flags = 0;
    std::wstring defaultExtension;
    DWORD filterIndex = 0;
    std::wstring firstFilterLabel, firstFilterPattern;
    bool hasTitle = true;
    std::wstring proposed;
    DWORD bufferSize = 0;
    HWND owner = nullptr;
} g_asked;

BOOL CaptureSaveDialog(OPENFILENAMEW* dialog) {
    ++g_asked.calls;
    g_asked.flags = dialog->Flags;
    g_asked.defaultExtension = dialog->lpstrDefExt ? dialog->lpstrDefExt : L"";
    g_asked.filterIndex = dialog->nFilterIndex;
    g_asked.firstFilterLabel = dialog->lpstrFilter;
    g_asked.firstFilterPattern = dialog->lpstrFilter + g_asked.firstFilterLabel.size() + 1;
    g_asked.hasTitle = dialog->lpstrTitle != nullptr;
    g_asked.proposed = dialog->lpstrFile;
    g_asked.bufferSize = dialog->nMaxFile;
    g_asked.owner = dialog->hwndOwner;
    return FALSE;  // the user cancels
}

TEST(SaveSingleImage, AsksWithOverwritePromptBmpFirstAndTheLabelAsName) {
    auto* collection = SaveAsDocument();
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
    SetActiveWindow(owner);
    const SaveFileDialog previous = SetSaveFileDialog(&CaptureSaveDialog);
    g_asked = {};
    SaveSingleImage(collection, 0, L"cover");
    EXPECT_EQ(g_asked.calls, 1);
    EXPECT_TRUE(g_asked.flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(g_asked.flags & OFN_EXPLORER);
    EXPECT_TRUE(g_asked.flags & OFN_ENABLESIZING);
    EXPECT_EQ(g_asked.defaultExtension, L"bmp");
    EXPECT_EQ(g_asked.filterIndex, 1u);
    EXPECT_EQ(g_asked.firstFilterLabel, L"Bitmap Files (*.bmp)");
    EXPECT_EQ(g_asked.firstFilterPattern, L"*.bmp");
    EXPECT_FALSE(g_asked.hasTitle) << "the platform's own title";
    EXPECT_EQ(g_asked.proposed, L"cover");
    EXPECT_EQ(g_asked.bufferSize, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(g_asked.owner, owner);

    // A label longer than the buffer is cut to fit with its terminator.
    SaveSingleImage(collection, 0, std::wstring(300, L'x'));
    EXPECT_EQ(g_asked.proposed, std::wstring(MAX_PATH - 1, L'x'));
    SetSaveFileDialog(previous);
    DestroyWindow(owner);
    EXPECT_EQ(collection->GetImageCalls(), 0) << "cancelled: the image is not even fetched";
    collection->Release();
}

}  // namespace
}  // namespace pictrove
