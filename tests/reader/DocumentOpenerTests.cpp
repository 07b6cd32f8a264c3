// Opening a document through fake readers: every failure row, the password path, and the
// release of the reader on every way out; and the Open dialog's filter.
#include <gtest/gtest.h>

#include <set>

#include "reader/DocumentOpener.h"
#include "reader/PasswordDialog.h"
#include "reader/ReaderChoice.h"
#include "resources/LanguageResources.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/resources/XmlTestSupport.h"
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

// After the wrong-password message the prompt comes back, each time once, until a password
// opens the document or the user gives up.
TEST_F(OpenDocumentTest, WrongPasswordSaysSoAndAsksAgainUntilRightOrCancelled) {
    const struct {
        std::vector<const wchar_t*> answers;  // nullptr: Cancel
        bool opens;
    } kCases[] = {
        {{L"wrong", L"right"}, true},
        {{L"wrong", nullptr}, false},
        {{L"wrong", L"Right", L"right"}, true},
        {{L"wrong", L""}, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.answers.size() << " answers, opens " << c.opens);
        FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .correctPassword = L"right"});
        size_t asked = 0;
        DialogCapture capture([&](HWND dialog) {
            const wchar_t* answer = asked < c.answers.size() ? c.answers[asked] : nullptr;
            ++asked;
            if (answer) SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, answer);
            PostMessageW(dialog, WM_COMMAND, answer ? IDOK : IDCANCEL, 0);
        });
        EXPECT_EQ(OpenDocument(kPath, state, view), c.opens);
        EXPECT_EQ(asked, c.answers.size());
        const size_t wrong = c.answers.size() - 1;
        ASSERT_EQ(capture.Boxes().size(), wrong);
        for (const auto& box : capture.Boxes()) {
            EXPECT_EQ(
                box.text,
                L"The password is incorrect. Please make sure that Caps Lock is not on by mistake, and try again.");
            EXPECT_EQ(box.caption, L"Pictrove error");
            EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
        }
        EXPECT_EQ(state.collection != nullptr, c.opens);
        state.collection.Reset();
        EXPECT_EQ(fake.Log().liveObjects, 0);
    }
}

// The prompt names the whole file where it has room, and cuts only what does not fit.
TEST_F(OpenDocumentTest, PasswordPromptShowsTheWholeNameWhenThereIsRoom) {
    const std::wstring longName(200, L'x');
    const struct {
        std::wstring name;
        bool whole;
    } kCases[] = {{L"Annual report 2026 (final).pdf", true}, {longName + L".pdf", false}};
    for (const auto& c : kCases) {
        const std::wstring path = L"C:\\Docs\\" + c.name;
        ASSERT_TRUE(test::WriteFileBytes(path, {'%', 'P', 'D', 'F'}));
        FakeReaderRegistration fake(PdfReaderClass(), {.firstOpen = kOpenNeedsPassword, .correctPassword = L"pw"});
        std::wstring prompt;
        DialogCapture capture([&](HWND dialog) {
            prompt = test::DialogItemText(dialog, IDC_PASSWORD_PROMPT);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        OpenDocument(path, state, view);
        DeleteFileW(path.c_str());
        SCOPED_TRACE(testing::Message() << prompt);
        EXPECT_EQ(prompt.find(c.name) != std::wstring::npos, c.whole);
        if (!c.whole) {
            const size_t dots = prompt.find(L"...");
            ASSERT_NE(dots, std::wstring::npos);
            EXPECT_GT(dots - prompt.find(L'x'), 20u) << "more than the short form where there is room";
        }
    }
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
    EXPECT_EQ(GetWindow(overlay.Hwnd(), GW_OWNER), view.Hwnd());

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

// Whatever the platform makes of translucent windows, the window stays in sight around a notice
// that shows its text, inside the window, in a wide window and in one narrower than the text.
TEST(BusyOverlay, LeavesTheWindowInSightAroundAReadableNotice) {
    const COLORREF background = RGB(0, 0, 0), text = RGB(255, 255, 255), window = GetSysColor(COLOR_WINDOW);
    for (const SIZE size : {SIZE{400, 300}, SIZE{200, 160}}) {
        SCOPED_TRACE(size.cx);
        TestView view;
        SetWindowPos(view.Hwnd(), nullptr, 10, 10, size.cx, size.cy, SWP_NOZORDER);
        view.Overlay().Configure(view.Hwnd(), L"Opening document. Please wait...", background, text);
        test::PumpMessages();
        view.Overlay().Show();
        // A translucent layer shows as a solid sheet where layered windows are not composed.
        EXPECT_FALSE(GetWindowLongW(view.Overlay().Hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
        RECT viewRect{}, client{}, notice{}, inside{};
        GetWindowRect(view.Hwnd(), &viewRect);
        GetClientRect(view.Hwnd(), &client);
        MapWindowPoints(view.Hwnd(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        GetWindowRect(view.Overlay().Hwnd(), &notice);
        EXPECT_TRUE(IntersectRect(&inside, &notice, &viewRect) && EqualRect(&inside, &notice));
        EXPECT_LT(notice.bottom - notice.top, (client.bottom - client.top) / 2);
        // What the screen shows at once, as it stays while the open blocks the thread.
        ScopedGetDC screen(nullptr);
        EXPECT_EQ(GetPixel(screen.Get(), client.left + 2, client.top + 2), window);
        EXPECT_EQ(GetPixel(screen.Get(), client.right - 3, client.bottom - 3), window);
        int textPixels = 0, backgroundPixels = 0;
        for (int y = notice.top; y < notice.bottom; ++y) {
            for (int x = notice.left; x < notice.right; ++x) {
                const COLORREF shown = GetPixel(screen.Get(), x, y);
                textPixels += shown == text;
                backgroundPixels += shown == background;
            }
        }
        EXPECT_GT(textPixels, 20);
        EXPECT_GT(backgroundPixels, (notice.right - notice.left) * (notice.bottom - notice.top) / 2);
        view.Overlay().Hide();
    }
}

}  // namespace
}  // namespace pictrove

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
    EXPECT_EQ(formats.size(), 17u) << "every reader has its extensions in the pattern";
    EXPECT_EQ(items.size(), 58u);
    EXPECT_EQ(std::set<std::wstring>(items.begin(), items.end()).size(), items.size()) << "no extension twice";
    for (const wchar_t* needed :
         {L"*.png", L"*.gif", L"*.tiff", L"*.cbz", L"*.doc", L"*.pdb", L"*.pcx", L"*.txt", L"*.fb2.zip", L"*.djvu",
          L"*.jb2", L"*.epub", L"*.pdf", L"*.docx", L"*.xlsx", L"*.pptx", L"*.odt", L"*.fodt", L"*.webp"}) {
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

}  // namespace
}  // namespace pictrove::test
