// The main window driven with messages: start-up placement, opening by command and drop, list,
// title and status, command states, extraction in display order, clipboard copy and preview.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>

#include "app/AppModule.h"
#include "app/MainFrame.h"
#include "app/MessageLoop.h"
#include "resources/ResourceIds.h"
#include "tests/resources/XmlTestSupport.h"
#include "tests/support/FakeReader.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

using Microsoft::WRL::ComPtr;

// The DjVu class: no component of ours serves it, so the fake registered here is what opens.
const CLSID& FakeClass() {
    return kReaderClassIds[2];
}
const wchar_t kDocument[] = L"C:\\Docs\\book.djvu";

std::string SettingsXml(int maximized, RECT rect, int splitter) {
    char text[512];
    snprintf(text, sizeof(text),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Setting><General><Language ID=\"en\"/></General>"
             "<MainWindow Maximized=\"%d\"><Rect Left=\"%ld\" Top=\"%ld\" Right=\"%ld\" Bottom=\"%ld\"/>"
             "<LeftPane SplitterPos=\"%d\"/></MainWindow></Setting>",
             maximized, rect.left, rect.top, rect.right, rect.bottom, splitter);
    return text;
}

// 2x2 picture with four distinct colours (red, green / blue, white) as top-down rows.
std::vector<BYTE> FourColours(int type) {
    if (type == kPixelBgra32) return {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    return {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
}

ComPtr<IUnknown> Pixels(int type = kPixelBgr24, int layout = 0, int stride = 8) {
    ComPtr<IUnknown> image;
    image.Attach(static_cast<ReaderImage*>(FakeReaderImage::FromRows(type, 2, 2, stride, layout, FourColours(type))));
    return image;
}

// Answers the extract settings dialog with a folder and a type; leaves other dialogs alone.
DialogCapture::DialogHandler ChooseExtractSettings(std::wstring folder, int typeIndex) {
    return [folder, typeIndex](HWND dialog) {
        HWND types = GetDlgItem(dialog, IDC_EXTRACT_TYPE);
        if (!types) return;
        SetDlgItemTextW(dialog, IDC_EXTRACT_FOLDER, folder.c_str());
        const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
        for (int item = 0; item < count; ++item) {
            if (SendMessageW(types, CB_GETITEMDATA, item, 0) == typeIndex) SendMessageW(types, CB_SETCURSEL, item, 0);
        }
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_EXTRACT_TYPE, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
}

class MainFrameTest : public testing::Test {
protected:
    void Start(const std::string& settings = {}) {
        if (!settings.empty()) {
            ASSERT_TRUE(WriteText(folder.File(kSettingsFileName), settings));
        }
        App().Init(GetModuleHandleW(nullptr), folder.Path());
        App().AddMessageLoop(&loop);
        frame = std::make_unique<MainFrame>();
        ASSERT_TRUE(frame->CreateMain());
        frame->ApplySettingsPlacement();
        PumpMessages();
    }
    void Close() {
        if (frame && frame->Hwnd()) SendMessageW(frame->Hwnd(), WM_CLOSE, 0, 0);
        PumpMessages();
        App().RemoveMessageLoop();
        App().Term();
        frame.reset();
    }
    void TearDown() override {
        if (frame) Close();
    }
    std::string SavedSettings() { return WithLineFeeds(TextOf(ReadFileBytes(folder.File(kSettingsFileName)))); }
    std::wstring Title() {
        wchar_t text[256] = L"";
        GetWindowTextW(frame->Hwnd(), text, 256);
        return text;
    }
    std::wstring Status() {
        wchar_t text[256] = L"";
        SendMessageW(frame->StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    void Select(std::initializer_list<int> rows) {
        HWND list = frame->List().Hwnd();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
        frame->OnIdle();
    }
    void Command(UINT id) { SendMessageW(frame->Hwnd(), WM_COMMAND, id, 0); }
    bool ToolbarEnabled(UINT id) {
        const ToolbarButton* button = frame->ToolbarWindow().FindButton(id);
        return button && (button->kindAndState & kToolbarEnabled);
    }
    bool MenuEnabled(UINT id) {
        UniqueMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
        HMENU popup = GetSubMenu(menu.Get(), 0);
        SendMessageW(frame->Hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        return !(GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED);
    }

    TempFolder folder;
    MessageLoop loop;
    std::unique_ptr<MainFrame> frame;
};

TEST_F(MainFrameTest, FirstRunIsMaximisedWithSplitterAt300AndSavesAtExit) {
    Start();
    EXPECT_TRUE(IsZoomed(frame->Hwnd()));
    EXPECT_EQ(frame->SplitterWindow().Position(), 300);
    EXPECT_EQ(Title(), L"Pictrove");
    wchar_t className[64] = L"";
    GetClassNameW(frame->SplitterWindow().Hwnd(), className, 64);
    EXPECT_STREQ(className, L"WTL_SplitterWindow");
    Close();
    const std::string saved = SavedSettings();
    EXPECT_NE(saved.find("<MainWindow Maximized=\"1\">"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<LeftPane SplitterPos=\"300\"/>"), std::string::npos) << saved;
}

TEST_F(MainFrameTest, RestoresPlacementAndRaisesSplitterToItsMinimum) {
    Start(SettingsXml(0, RECT{20, 30, 920, 730}, 50));
    EXPECT_FALSE(IsZoomed(frame->Hwnd()));
    WINDOWPLACEMENT placement{sizeof(placement)};
    GetWindowPlacement(frame->Hwnd(), &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 20);
    EXPECT_EQ(placement.rcNormalPosition.top, 30);
    EXPECT_EQ(placement.rcNormalPosition.right, 920);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 730);
    EXPECT_EQ(frame->SplitterWindow().Position(), 300);
}

TEST_F(MainFrameTest, ClosingMaximisedStoresMaximisedAndTheRestoredRectangle) {
    Start(SettingsXml(0, RECT{40, 50, 840, 650}, 320));
    ShowWindow(frame->Hwnd(), SW_MAXIMIZE);
    PumpMessages();
    Close();
    const std::string saved = SavedSettings();
    EXPECT_NE(saved.find("<MainWindow Maximized=\"1\"><Rect Left=\"40\" Top=\"50\" Right=\"840\" Bottom=\"650\"/>"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("SplitterPos=\"320\""), std::string::npos) << saved;
}

TEST_F(MainFrameTest, KeepsMinimumSizeAndTheListPaneWidth) {
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 350));
    MINMAXINFO info{};
    SendMessageW(frame->Hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
    RECT before{};
    GetWindowRect(frame->List().Hwnd(), &before);
    MoveWindow(frame->Hwnd(), 0, 0, 1100, 700, TRUE);
    RECT after{};
    GetWindowRect(frame->List().Hwnd(), &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    RECT toolbar{};
    GetClientRect(frame->ToolbarWindow().Hwnd(), &toolbar);
    EXPECT_EQ(toolbar.bottom, 72);
}

TEST_F(MainFrameTest, OpenFillsListTitleAndStatus) {
    FakeReaderScript script;
    script.images = {{L"B", 30, 1}, {L"a", 10, 2}, {L"b", 20, 3}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    EXPECT_EQ(Title(), L"book.djvu - Pictrove");
    EXPECT_EQ(Status(), L"3 images");
    EXPECT_EQ(frame->List().RowCount(), 3);
    Select({0, 2});
    EXPECT_EQ(Status(), L"2 images selected");
    Select({});
    EXPECT_EQ(Status(), L"3 images");

    // A failed open leaves the title and the status text as they were, with an empty list.
    fake.Script().firstOpen = E_FAIL;
    DialogCapture capture;
    EXPECT_FALSE(frame->Open(L"C:\\Docs\\other.djvu"));
    EXPECT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(frame->List().RowCount(), 0);
    EXPECT_EQ(Title(), L"book.djvu - Pictrove");
}

TEST_F(MainFrameTest, DropOpensTheLastFileOfTheDrop) {
    FakeReaderRegistration fake(FakeClass(), {});
    Start();
    const std::wstring names = std::wstring(L"C:\\a.djvu") + L'\0' + L"C:\\b.djvu" + L'\0' + L"C:\\c.djvu" + L'\0' + L'\0';
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    memcpy(reinterpret_cast<BYTE*>(files) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(drop);
    SendMessageW(frame->Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(JoinCalls(fake.Log()).rfind(L"Open(C:\\c.djvu)", 0), 0u) << JoinCalls(fake.Log());
    EXPECT_EQ(Title(), L"c.djvu - Pictrove");
}

TEST_F(MainFrameTest, CommandStatesFollowDocumentAndSelection) {
    FakeReaderScript script;
    script.images = {{L"x"}, {L"y"}, {L"z"}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    frame->OnIdle();
    const struct {
        const char* label;
        bool copy, extractSelected, extractAll;
    } none{"no document", false, false, false};
    auto check = [&](const auto& c) {
        EXPECT_EQ(MenuEnabled(IDM_COPY_IMAGE), c.copy) << c.label;
        EXPECT_EQ(MenuEnabled(IDM_EXTRACT_SELECTED), c.extractSelected) << c.label;
        EXPECT_EQ(MenuEnabled(IDM_EXTRACT_ALL), c.extractAll) << c.label;
        EXPECT_EQ(ToolbarEnabled(IDM_EXTRACT_SELECTED), c.extractSelected) << c.label;
        EXPECT_EQ(ToolbarEnabled(IDM_EXTRACT_ALL), c.extractAll) << c.label;
        EXPECT_TRUE(ToolbarEnabled(IDM_OPEN)) << c.label;
        EXPECT_TRUE(ToolbarEnabled(IDM_ABOUT)) << c.label;
    };
    check(none);
    ASSERT_TRUE(frame->Open(kDocument));
    frame->OnIdle();
    check(decltype(none){"open, none selected", false, false, true});
    Select({1});
    check(decltype(none){"one selected", true, true, true});
    Select({0, 2});
    check(decltype(none){"two selected", false, true, true});
}

TEST_F(MainFrameTest, ExtractAllWritesInDisplayOrder) {
    FakeReaderScript script;
    script.images = {{L"wide", 30, 1, Pixels()}, {L"narrow", 10, 1, Pixels()}, {L"middle", 20, 1, Pixels()}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    frame->List().SortByColumn(1);  // by width: narrow, middle, wide
    fake.Log().calls.clear();
    {
        DialogCapture capture(ChooseExtractSettings(folder.Path() + L"out", 3));
        Command(IDM_EXTRACT_ALL);
    }
    // The job asks for the count first, then for the images in the order shown.
    EXPECT_EQ(JoinCalls(fake.Log()), L"GetImageCount GetImage(1) GetImage(2) GetImage(0)");
    for (const wchar_t* name : {L"narrow.png", L"middle.png", L"wide.png"}) {
        EXPECT_NE(GetFileAttributesW((folder.Path() + L"out\\" + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
}

TEST_F(MainFrameTest, ExtractSelectedAsksForAFileWithOneRowAndRunsAJobWithTwo) {
    FakeReaderScript script;
    script.images = {{L"one", 2, 2, Pixels()}, {L"two", 2, 2, Pixels()}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));

    std::wstring saveTitle;
    {
        DialogCapture capture([&](HWND dialog) {
            wchar_t text[128] = L"";
            GetWindowTextW(dialog, text, 128);
            saveTitle = text;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        Select({1});
        Command(IDM_EXTRACT_SELECTED);
        EXPECT_EQ(capture.DialogCount(), 1);
    }
    EXPECT_EQ(GetFileAttributesW((folder.Path() + L"sel\\").c_str()), INVALID_FILE_ATTRIBUTES);

    Select({0, 1});
    {
        DialogCapture capture(ChooseExtractSettings(folder.Path() + L"sel", 0));
        Command(IDM_EXTRACT_SELECTED);
    }
    EXPECT_NE(GetFileAttributesW((folder.Path() + L"sel\\one.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW((folder.Path() + L"sel\\two.bmp").c_str()), INVALID_FILE_ATTRIBUTES);

    // Nothing selected, or no document: nothing happens.
    fake.Log().calls.clear();
    Select({});
    Command(IDM_EXTRACT_SELECTED);
    EXPECT_TRUE(fake.Log().calls.empty());
}

// Reads the clipboard's bitmap as top-down 0xRRGGBB pixels.
std::vector<uint32_t> ClipboardPixels(int width, int height) {
    std::vector<uint32_t> pixels;
    if (!OpenClipboard(nullptr)) return pixels;
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (bitmap) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        pixels.resize(static_cast<size_t>(width) * height);
        ScopedGetDC screen(nullptr);
        if (!GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS)) {
            pixels.clear();
        }
        for (auto& p : pixels) p &= 0xFFFFFF;
    }
    CloseClipboard();
    return pixels;
}

TEST_F(MainFrameTest, CopyImagePutsTheUprightPictureOnTheClipboard) {
    FakeReaderScript script;
    // Same picture stored four ways, with padded rows.
    script.images = {{L"plain", 2, 2, Pixels(kPixelBgr24, 0, 8)},
                     {L"bottomup", 2, 2, Pixels(kPixelBgr24, kLayoutBottomUp, 7)},
                     {L"mirrored", 2, 2, Pixels(kPixelBgr24, kLayoutMirroredRows, 8)},
                     {L"alpha", 2, 2, Pixels(kPixelBgra32, kLayoutBottomUp | kLayoutMirroredRows, 12)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    for (int row = 0; row < 4; ++row) {
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        Select({row});
        Command(IDM_COPY_IMAGE);
        EXPECT_EQ(ClipboardPixels(2, 2), (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}))
            << "row " << row;
    }
    // With two rows selected nothing is copied.
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    Select({0, 1});
    Command(IDM_COPY_IMAGE);
    EXPECT_TRUE(ClipboardPixels(2, 2).empty());
}

TEST_F(MainFrameTest, GrayTypesAreCopiedAsGray) {
    auto grayImage = [](int type, std::vector<BYTE> rows) {
        ComPtr<IUnknown> image;
        image.Attach(static_cast<ReaderImage*>(FakeReaderImage::FromRows(type, 2, 1, 4, 0, rows)));
        return image;
    };
    FakeReaderScript script;
    script.images = {{L"gray", 2, 1, grayImage(kPixelGray8, {0, 200})},
                     {L"plusone", 2, 1, grayImage(kPixelGrayPlusOne8, {0, 1})}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    Select({0});
    Command(IDM_COPY_IMAGE);
    EXPECT_EQ(ClipboardPixels(2, 1), (std::vector<uint32_t>{0x000000, 0xC8C8C8}));
    Select({1});
    Command(IDM_COPY_IMAGE);
    EXPECT_EQ(ClipboardPixels(2, 1), (std::vector<uint32_t>{0xFFFFFF, 0x000000}));
}

TEST_F(MainFrameTest, SelectingARowHandsItsImageToThePreview) {
    FakeReaderScript script;
    script.images = {{L"first", 2, 2, Pixels()}, {L"second", 2, 2, Pixels()}};
    auto* first = static_cast<FakeReaderImage*>(static_cast<ReaderImage*>(script.images[0].pixels.Get()));
    auto* second = static_cast<FakeReaderImage*>(static_cast<ReaderImage*>(script.images[1].pixels.Get()));
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_NE(frame->Preview(), nullptr) << "the image-view control beside the test program";
    ASSERT_TRUE(frame->Open(kDocument));
    // The script copy in the registration and the one here each hold a reference.
    const ULONG firstBase = first->RefCount();
    const ULONG secondBase = second->RefCount();
    Select({0});
    EXPECT_GT(first->RefCount(), firstBase) << "the preview keeps the image it shows";
    // Adding a second row to the selection shows the second image.
    ListView_SetItemState(frame->List().Hwnd(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(first->RefCount(), firstBase);
    EXPECT_GT(second->RefCount(), secondBase);
    // Removing a row from the selection leaves the preview as it was.
    ListView_SetItemState(frame->List().Hwnd(), 0, 0, LVIS_SELECTED);
    EXPECT_GT(second->RefCount(), secondBase);
}

}  // namespace
}  // namespace pictrove::test

namespace pictrove::test {
namespace {

TEST(ToolbarGreyCopy, UsesLuminanceFormulaAndKeepsBackground) {
    uint32_t pixels[] = {0x00C0C0C0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0xFFC0C0C0};
    GreyToolbarPixels(pixels, std::size(pixels));
    EXPECT_EQ(pixels[0], 0x00C0C0C0u);
    EXPECT_EQ(pixels[1], 0x00515151u);  // 0.257 * 255 + 16 = 81.5
    EXPECT_EQ(pixels[2], 0x00909090u);  // 0.504 * 255 + 16 = 144.5
    EXPECT_EQ(pixels[3], 0x00282828u);  // 0.098 * 255 + 16 = 40.99, truncated
    EXPECT_EQ(pixels[4], 0x00EBEBEBu);  // 235.8
    EXPECT_EQ(pixels[5], 0x00101010u);
    EXPECT_EQ(pixels[6], 0xFFC0C0C0u) << "the background is recognised whatever the fourth byte";
}

// Records where context menus open and closes them at once.
struct MenuWatch {
    static inline std::vector<POINT> opened;
    static inline HWND menu = nullptr;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_CREATE) {
            wchar_t name[16] = L"";
            GetClassNameW(message->hwnd, name, 16);
            if (wcscmp(name, L"#32768") == 0) {
                menu = message->hwnd;
                // The menu window is placed after its creation; read where it ended up, then close it.
                SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
                    KillTimer(nullptr, id);
                    RECT rect{};
                    GetWindowRect(menu, &rect);
                    opened.push_back(POINT{rect.left, rect.top});
                    EndMenu();
                });
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

TEST_F(MainFrameTest, ContextMenuOpensAtTheCursorAndStaysOnScreenForKeyboardRequests) {
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 300));
    MenuWatch::opened.clear();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MenuWatch::Hook, nullptr, GetCurrentThreadId());
    SendMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame->List().Hwnd()), MAKELPARAM(120, 140));
    SendMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame->List().Hwnd()), MAKELPARAM(-1, -1));
    // A request from another window is not the list's.
    SendMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame->StatusBar()), MAKELPARAM(50, 50));
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(MenuWatch::opened.size(), 2u);
    EXPECT_EQ(MenuWatch::opened[0].x, 120);
    EXPECT_EQ(MenuWatch::opened[0].y, 140);
    EXPECT_GE(MenuWatch::opened[1].x, 0) << "the x of a keyboard request is brought onto the monitor";
}

// Extraction through the main frame: what the one-image Save As shows, and a settings dialog
// that is cancelled.
TEST_F(MainFrameTest, ExtractSelectedWithOneRowShowsTheSaveAsDialogWithTheRowsName) {
    FakeReaderScript script;
    script.images = {{L"one", 2, 2, Pixels()}, {L"two", 2, 2, Pixels()}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    Select({1});
    fake.Log().calls.clear();  // the preview has read the selected image
    std::wstring title, proposed;
    int dialogs = 0;
    {
        DialogCapture capture([&](HWND dialog) {
            ++dialogs;
            wchar_t text[128] = L"";
            GetWindowTextW(dialog, text, 128);
            title = text;
            proposed = DialogItemText(dialog, 0x47C);  // the file name box (cmb13)
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        Command(IDM_EXTRACT_SELECTED);
    }
    EXPECT_EQ(dialogs, 1) << "the Save As only, no settings dialog";
    EXPECT_EQ(title, L"Save As") << "no title of our own: the platform's";
    EXPECT_EQ(proposed, L"two");
    EXPECT_EQ(JoinCalls(fake.Log()).find(L"GetImage("), std::wstring::npos) << "cancelled before any image was read";
}

TEST_F(MainFrameTest, CancelInTheExtractSettingsDialogCreatesAndWritesNothing) {
    FakeReaderScript script;
    script.images = {{L"one", 2, 2, Pixels()}, {L"two", 2, 2, Pixels()}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    const std::wstring target = folder.Path() + L"never\\deeper";
    for (UINT command : {IDM_EXTRACT_ALL, IDM_EXTRACT_SELECTED}) {
        Select({0, 1});
        fake.Log().calls.clear();
        int dialogs = 0;
        {
            DialogCapture capture([&](HWND dialog) {
                ++dialogs;
                SetDlgItemTextW(dialog, IDC_EXTRACT_FOLDER, target.c_str());
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            });
            Command(command);
            EXPECT_TRUE(capture.Boxes().empty()) << command;
        }
        EXPECT_EQ(dialogs, 1) << "the settings dialog only, no progress window; command " << command;
        EXPECT_EQ(GetFileAttributesW((folder.Path() + L"never").c_str()), INVALID_FILE_ATTRIBUTES) << command;
        EXPECT_TRUE(fake.Log().calls.empty()) << JoinCalls(fake.Log());
    }
}

}  // namespace
}  // namespace pictrove::test
