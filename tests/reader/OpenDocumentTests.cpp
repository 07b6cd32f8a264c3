// Opening a document through fake readers: every failure row, the password path, and the
// release of the reader on every way out.
#include <gtest/gtest.h>

#include "reader/DocumentOpener.h"
#include "reader/PasswordDialog.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/FakeReader.h"
#include "tests/support/TestSupport.h"
#include "common/Handles.h"

namespace pictrove {
namespace {

using test::DialogCapture;
using test::FakeReaderRegistration;
using test::FakeReaderScript;
using test::JoinCalls;

const CLSID& PdfReaderClass() {
    return kReaderClassIds[3];
}

// A bare window that shows an opened document the way the main window will.
class TestView : public WindowImpl<TestView>, public DocumentView {
  public:
    TestView() {
        RegisterWindowClassOnce(L"PictroveTestView", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        Create(L"PictroveTestView", nullptr, L"view", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{10, 10, 410, 310});
        overlay_.Configure(Hwnd(), L"Opening document. Please wait...", GetSysColor(COLOR_MENUTEXT),
                           ~GetSysColor(COLOR_MENUTEXT) & 0xFFFFFF);
    }
    static std::span<const MessageEntry<TestView>> MessageTable() { return {}; }

    HWND ViewWindow() const override { return Hwnd(); }
    BusyOverlay& Overlay() override { return overlay_; }
    void ClearImages() override {
        ++clears;
        shownCount = -1;
        overlayShownDuringOpen = overlay_.ShowCount() > 0;
    }
    void ShowImages(ImageCollection& collection) override {
        shownCount = 0;
        collection.GetImageCount(&shownCount);
    }

    int clears = 0;
    int shownCount = -1;
    bool overlayShownDuringOpen = false;

  private:
    BusyOverlay overlay_;
};

const wchar_t kPath[] = L"C:\\Docs\\report.pdf";

std::wstring Text(UINT id) {
    return LoadUiString(id);
}

// The documents the fake readers "read" exist, as real ones would: a reader's refusal is only the
// document's fault when the file itself can be read.
class OpenDocumentTest : public testing::Test {
  protected:
    void SetUp() override {
        CreateDirectoryW(L"C:\\Docs", nullptr);
        for (const wchar_t* name : kDocuments) ASSERT_TRUE(test::WriteFileBytes(name, {'%', 'P', 'D', 'F'}));
    }
    void TearDown() override {
        test::PumpMessages();
        for (const wchar_t* name : kDocuments) DeleteFileW(name);
        RemoveDirectoryW(L"C:\\Docs");
    }
    static constexpr const wchar_t* kDocuments[] = {L"C:\\Docs\\report.pdf", L"C:\\Docs\\other.pdf"};
    TestView view;
    DocumentState state;
};

// A file that cannot be read at all is not called corrupted: the message says it cannot be read,
// and why, in the system's words.
TEST_F(OpenDocumentTest, AFileThatCannotBeReadSaysSoWithTheSystemsReason) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = E_FAIL});
    test::TempFolder folder;
    const std::wstring locked = folder.File(L"locked.pdf");
    ASSERT_TRUE(test::WriteFileBytes(locked, {'%', 'P', 'D', 'F'}));
    const struct {
        std::wstring path;
        DWORD reason;
    } cases[] = {{locked, ERROR_SHARING_VIOLATION}, {folder.File(L"gone.pdf"), ERROR_FILE_NOT_FOUND}};
    UniqueHandle holder(CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    for (const auto& c : cases) {
        DialogCapture capture;
        EXPECT_FALSE(OpenDocument(c.path, state, view));
        ASSERT_EQ(capture.Boxes().size(), 1u) << c.path;
        EXPECT_EQ(capture.Boxes()[0].text, L"Can't read file: " + c.path + L".\n\n" + SystemErrorText(c.reason));
        EXPECT_EQ(capture.Boxes()[0].caption, L"Pictrove error");
        EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(fake.Log().liveObjects, 0);
    }
}

TEST_F(OpenDocumentTest, OpensDocumentWithImagesAndReleasesReader) {
    FakeReaderRegistration fake(PdfReaderClass(), {});
    ASSERT_TRUE(fake.Registered());
    DialogCapture capture;
    EXPECT_TRUE(OpenDocument(kPath, state, view));
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(view.shownCount, 1);
    EXPECT_TRUE(view.overlayShownDuringOpen);
    EXPECT_EQ(view.Overlay().ShowCount(), 0);
    EXPECT_EQ(state.documentPath, kPath);
    ASSERT_NE(state.collection, nullptr);
    // The second count is the view filling its list.
    EXPECT_EQ(JoinCalls(fake.Log()), L"Open(C:\\Docs\\report.pdf) QI(ImageCollection) GetImageCount GetImageCount");
    // Only the collection keeps the object alive; dropping it frees everything.
    EXPECT_EQ(fake.Log().liveObjects, 1);
    state.collection.Reset();
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, UnknownExtensionShowsNoReaderMessage) {
    DialogCapture capture;
    for (const wchar_t* path : {L"C:\\Docs\\photos.zip", L"C:\\my.docs\\readme", L"C:\\Docs\\noext"}) {
        EXPECT_FALSE(OpenDocument(path, state, view)) << path;
    }
    ASSERT_EQ(capture.Boxes().size(), 3u);
    for (const auto& box : capture.Boxes()) {
        EXPECT_EQ(box.text, Text(IDS_NO_READER));
        EXPECT_EQ(box.caption, L"Pictrove error");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_FALSE(box.hasOwner);
    }
    EXPECT_EQ(view.Overlay().ShowCount(), 0);
}

TEST_F(OpenDocumentTest, ReaderClassThatCannotBeCreatedShowsNoReaderMessage) {
    // No fake registered and no manifest entry in this program: creation fails.
    DialogCapture capture;
    EXPECT_FALSE(OpenDocument(L"C:\\Docs\\Book.PDF", state, view));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text,
              L"Can't create object for reading file. Please, re-install Pictrove application.");
}

TEST_F(OpenDocumentTest, FailedOpenShowsPathInErrorMessage) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = E_FAIL});
    DialogCapture capture;
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text,
              L"Can't open file: C:\\Docs\\report.pdf. The file is corrupted or format is not supported.");
    EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_TRUE(state.documentPath.empty());
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, AnyNonZeroOpenResultOtherThanProtectedFails) {
    for (HRESULT result : {S_FALSE, static_cast<HRESULT>(0x10001), static_cast<HRESULT>(0xFFFF)}) {
        FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = result});
        DialogCapture capture;
        EXPECT_FALSE(OpenDocument(kPath, state, view)) << std::hex << result;
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].text.rfind(L"Can't open file:", 0), 0u);
        EXPECT_EQ(capture.DialogCount(), 0);
        EXPECT_EQ(fake.Log().liveObjects, 0);
    }
}

// An archive encrypted beyond what the reader can open: the user is told it is protected, is not
// asked for a password that could not help, and the file is not called corrupted.
TEST_F(OpenDocumentTest, ProtectedBeyondReachSaysSoWithoutAPrompt) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenProtectedUnreadable});
    DialogCapture capture;
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, FormatUiString(IDS_PROTECTED_ARCHIVE, {kPath}));
    EXPECT_NE(capture.Boxes()[0].text.find(L"protected"), std::wstring::npos);
    EXPECT_NE(capture.Boxes()[0].text.find(kPath), std::wstring::npos);
    EXPECT_EQ(capture.Boxes()[0].caption, L"Pictrove error");
    EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(capture.DialogCount(), 0);
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_EQ(view.shownCount, -1);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, CorrectPasswordOpensAfterOnePrompt) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .correctPassword = L"s3cret"});
    std::wstring prompt;
    DialogCapture capture([&](HWND dialog) {
        prompt = test::DialogItemText(dialog, IDC_PASSWORD_PROMPT);
        SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"s3cret");
        test::AnswerLater(dialog, IDOK);
    });
    EXPECT_TRUE(OpenDocument(kPath, state, view));
    EXPECT_EQ(capture.DialogCount(), 1);
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(prompt, L"'report.pdf' is protected. Please enter a Document Open Password.");
    EXPECT_EQ(JoinCalls(fake.Log()),
              L"Open(C:\\Docs\\report.pdf) QI(DocumentPassword) SetPassword(s3cret) Open(C:\\Docs\\report.pdf) "
              L"QI(ImageCollection) GetImageCount GetImageCount");
    state.collection.Reset();
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, WrongPasswordShowsMessageOnceAndLeavesNoDocument) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .correctPassword = L"right"});
    DialogCapture capture([&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"wrong");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    EXPECT_EQ(capture.DialogCount(), 1);
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text,
              L"The password is incorrect. Please make sure that Caps Lock is not on by mistake, and try again.");
    EXPECT_EQ(capture.Boxes()[0].caption, L"Pictrove error");
    EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, CancelledOrEmptyPasswordShowsNothing) {
    const struct {
        const wchar_t* label;
        const wchar_t* typed;
        UINT button;
    } cases[] = {{L"cancel", L"typed", IDCANCEL}, {L"empty", L"", IDOK}, {L"close box", L"typed", 0}};
    for (const auto& c : cases) {
        FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .correctPassword = L""});
        DialogCapture capture([&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, c.typed);
            if (c.button)
                PostMessageW(dialog, WM_COMMAND, c.button, 0);
            else
                PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        EXPECT_FALSE(OpenDocument(kPath, state, view)) << c.label;
        EXPECT_TRUE(capture.Boxes().empty()) << c.label;
        EXPECT_EQ(capture.DialogCount(), 1) << c.label;
        EXPECT_EQ(JoinCalls(fake.Log()), L"Open(C:\\Docs\\report.pdf)") << c.label;
        EXPECT_EQ(fake.Log().liveObjects, 0) << c.label;
    }
}

TEST_F(OpenDocumentTest, ProtectedDocumentWithoutPasswordInterfaceCannotBeOpened) {
    FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .supportsPassword = false});
    DialogCapture capture([](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, L"pw");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text.rfind(L"Can't open file: C:\\Docs\\report.pdf.", 0), 0u);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, ReaderWithoutCollectionShowsNothing) {
    FakeReaderRegistration fake(PdfReaderClass(), {.providesCollection = false});
    DialogCapture capture;
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    EXPECT_TRUE(capture.Boxes().empty());
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_EQ(state.documentPath, kPath);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, DocumentWithoutImagesShowsNotFoundMessage) {
    FakeReaderRegistration fake(PdfReaderClass(), {.imageCount = 0});
    DialogCapture capture;
    EXPECT_FALSE(OpenDocument(kPath, state, view));
    ASSERT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(capture.Boxes()[0].text, L"Images not found in file: C:\\Docs\\report.pdf.");
    EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(view.shownCount, -1);
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST_F(OpenDocumentTest, SecondOpenLeavesPreviousDocumentEvenWhenItFails) {
    FakeReaderRegistration fake(PdfReaderClass(), {});
    DialogCapture capture;
    ASSERT_TRUE(OpenDocument(kPath, state, view));
    EXPECT_EQ(fake.Log().liveObjects, 1);
    fake.Script().firstOpen = E_FAIL;
    EXPECT_FALSE(OpenDocument(L"C:\\Docs\\other.pdf", state, view));
    EXPECT_EQ(view.clears, 2);
    EXPECT_EQ(state.collection, nullptr);
    EXPECT_EQ(fake.Log().liveObjects, 0);
}

TEST(PasswordDialogName, ShortensLongNamesToTwentyCharactersAndDots) {
    EXPECT_EQ(PasswordDialog::ShortDocumentName(L"C:\\a\\12345678901234567890123.pdf"), L"12345678901234567890...");
    EXPECT_EQ(PasswordDialog::ShortDocumentName(L"C:\\a\\1234567890123456789.pdf"), L"1234567890123456789.pdf");
    EXPECT_EQ(PasswordDialog::ShortDocumentName(L"C:\\a\\12345678901234567890.pdf"), L"12345678901234567890...");
    EXPECT_EQ(PasswordDialog::ShortDocumentName(L"no-backslash.pdf"), L"no-backslash.pdf");
    EXPECT_EQ(PasswordDialog::ShortDocumentName(L"C:\\folder\\"), L"");
}

TEST(BusyOverlay, NestsAndRestoresCursor) {
    TestView view;
    BusyOverlay& overlay = view.Overlay();
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(arrow);

    overlay.Show();
    ASSERT_NE(overlay.Hwnd(), nullptr);
    EXPECT_TRUE(IsWindowVisible(overlay.Hwnd()));
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_EQ(GetWindowLongW(overlay.Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED, WS_EX_LAYERED);
    EXPECT_EQ(GetWindow(overlay.Hwnd(), GW_OWNER), view.Hwnd());
    RECT overlayRect{}, viewRect{};
    GetWindowRect(overlay.Hwnd(), &overlayRect);
    GetWindowRect(view.Hwnd(), &viewRect);
    EXPECT_TRUE(EqualRect(&overlayRect, &viewRect));

    overlay.Show();
    overlay.Hide();
    EXPECT_TRUE(IsWindowVisible(overlay.Hwnd()));
    EXPECT_EQ(GetCursor(), wait);
    overlay.Hide();
    EXPECT_FALSE(IsWindowVisible(overlay.Hwnd()));
    EXPECT_EQ(GetCursor(), arrow);

    // An unmatched hide clamps at zero: the next show shows again.
    overlay.Hide();
    EXPECT_EQ(overlay.ShowCount(), 0);
    overlay.Show();
    EXPECT_TRUE(IsWindowVisible(overlay.Hwnd()));
    overlay.Hide();
}

}  // namespace
}  // namespace pictrove
