// The main window driven with messages: start-up placement, opening by command and drop, list,
// title and status, command states, extraction in display order, clipboard copy and preview.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "app/AppModule.h"
#include "app/MainFrame.h"
#include "app/MessageLoop.h"
#include "ui/OwnerDrawnMenu.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "contracts/DocumentConditionContract.h"
#include "tests/resources/XmlTestSupport.h"
#include "tests/support/FakeReader.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

using Microsoft::WRL::ComPtr;

// The DjVu class: the test program lists no reader component, so the fake registered here is what opens.
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
        PumpMessages();
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

// Moved to a denser screen, everything drawn at a size of its own grows with it: toolbar bar,
// images and buttons, status bar, list columns (the user's width too, the names taking what is
// left) and row icons, the splitter's minimum panes and the user's position, the window's minimum
// size; and back again without drifting.
TEST_F(MainFrameTest, ScalesWithTheScreenDensityAndBack) {
    Start(SettingsXml(0, RECT{0, 0, 600, 400}, 350));
    EXPECT_EQ(frame->Dpi(), 96u) << "the test prefix runs at 96 dpi";
    HWND list = frame->List().Hwnd();
    ListView_SetColumnWidth(list, 1, 50);  // as the user dragged it
    const auto toolbarHeight = [&] {
        RECT rect{};
        GetClientRect(frame->ToolbarWindow().Hwnd(), &rect);
        return static_cast<int>(rect.bottom);
    };
    const auto statusHeight = [&] {
        RECT rect{};
        GetWindowRect(frame->StatusBar(), &rect);
        return static_cast<int>(rect.bottom - rect.top);
    };
    const auto imageSize = [](HIMAGELIST images) {
        int width = 0, height = 0;
        ImageList_GetIconSize(images, &width, &height);
        return std::pair{width, height};
    };
    const auto minimum = [&] {
        MINMAXINFO info{};
        SendMessageW(frame->Hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        return info.ptMinTrackSize;
    };
    struct Step {
        UINT dpi;
        int toolbar, image, button, gap, widthColumn, heightColumn, rowIcon, splitter, minPane, minWidth;
    } steps[] = {
        {144, 108, 96, 96, 9, 75, 105, 24, 525, 450, 450},
        {192, 144, 128, 128, 12, 100, 140, 32, 700, 600, 600},
        {96, 72, 64, 64, 6, 50, 70, 16, 350, 300, 300},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.dpi);
        RECT suggested{10, 20, 10 + MulDiv(600, step.dpi, 96), 20 + MulDiv(400, step.dpi, 96)};
        SendMessageW(frame->Hwnd(), WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();
        RECT window{};
        GetWindowRect(frame->Hwnd(), &window);
        EXPECT_EQ(window.right - window.left, suggested.right - suggested.left) << "the suggested size is taken";
        EXPECT_EQ(toolbarHeight(), step.toolbar);
        EXPECT_EQ(imageSize(frame->NormalImages()), std::pair(step.image, step.image));
        EXPECT_EQ(imageSize(frame->DisabledImages()), std::pair(step.image, step.image));
        EXPECT_EQ(ImageList_GetImageCount(frame->NormalImages()), 4);
        const ToolbarButton* open = frame->ToolbarWindow().FindButton(IDM_OPEN);
        const ToolbarButton* extract = frame->ToolbarWindow().FindButton(IDM_EXTRACT_SELECTED);
        ASSERT_TRUE(open && extract);
        EXPECT_EQ(open->width, step.button);
        // Open, gap, separator, gap, Extract selected.
        EXPECT_EQ(extract->x, step.button + 2 * step.gap + 1);
        EXPECT_EQ(ListView_GetColumnWidth(list, 1), step.widthColumn);
        EXPECT_EQ(ListView_GetColumnWidth(list, 2), step.heightColumn);
        RECT listClient{};
        GetClientRect(list, &listClient);
        EXPECT_EQ(ListView_GetColumnWidth(list, 0) + step.widthColumn + step.heightColumn, listClient.right);
        EXPECT_EQ(imageSize(ListView_GetImageList(list, LVSIL_SMALL)), std::pair(step.rowIcon, step.rowIcon));
        EXPECT_EQ(frame->SplitterWindow().Position(), step.splitter);
        EXPECT_EQ(frame->SplitterWindow().MinPaneSize(), step.minPane);
        EXPECT_EQ(minimum().x, step.minWidth);
        EXPECT_EQ(MenuDpi(), step.dpi) << "the context menu is laid out for the window's screen";
        // The fonts follow: the list's rows grow with the screen.
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(font), &font);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
        EXPECT_EQ(font.lfHeight, MulDiv(metrics.lfMessageFont.lfHeight, step.dpi, 96));
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(frame->StatusBar(), WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, MulDiv(metrics.lfMessageFont.lfHeight, step.dpi, 96));
        EXPECT_GE(statusHeight(), std::abs(font.lfHeight) + 2) << "the status bar holds its text";
    }
}

TEST_F(MainFrameTest, OpenFillsListTitleAndStatus) {
    FakeReaderScript script;
    script.images = {{L"B", 30, 1}, {L"a", 10, 2}, {L"b", 20, 3}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_TRUE(frame->Open(kDocument));
    EXPECT_EQ(Title(), L"book.djvu - Pictrove");
    EXPECT_EQ(Status(), L"1 images selected") << "a new document starts on its first row";
    EXPECT_EQ(frame->List().RowCount(), 3);
    Select({0, 2});
    EXPECT_EQ(Status(), L"2 images selected");
    Select({});
    EXPECT_EQ(Status(), L"3 images");

    // A failed open leaves no trace of the old document: empty list, bare title, no status.
    fake.Script().firstOpen = E_FAIL;
    DialogCapture capture;
    EXPECT_FALSE(frame->Open(L"C:\\Docs\\other.djvu"));
    EXPECT_EQ(capture.Boxes().size(), 1u);
    EXPECT_EQ(frame->List().RowCount(), 0);
    EXPECT_EQ(Title(), L"Pictrove");
    EXPECT_EQ(Status(), L"");
}

TEST_F(MainFrameTest, DropOpensTheLastFileOfTheDrop) {
    FakeReaderRegistration fake(FakeClass(), {});
    Start();
    const std::wstring names =
        std::wstring(L"C:\\a.djvu") + L'\0' + L"C:\\b.djvu" + L'\0' + L"C:\\c.djvu" + L'\0' + L'\0';
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
    Select({});
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

// A picture the reader refuses for a limit: the preview says which picture and which limit; a
// damaged one or a row that decodes shows no such note.
TEST_F(MainFrameTest, PreviewNamesThePictureAndTheLimitThatRefusedIt) {
    FakeReaderScript script;
    script.images = {{L"vast scan", 40000, 30000, nullptr, kImageOverPixelLimit},
                     {L"deep scan", 15000, 15000, nullptr, kImageOverStreamLimit},
                     {L"damaged", 2, 2, nullptr, E_FAIL},
                     {L"fine", 2, 2, Pixels()}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_NE(frame->Preview(), nullptr);
    ASSERT_TRUE(frame->Open(kDocument));
    const auto noteText = [&]() -> std::wstring {
        HWND note = frame->Preview()->NoteWindow();
        if (!note) return L"";
        wchar_t text[512] = L"";
        GetWindowTextW(note, text, 512);
        return text;
    };
    HWND list = frame->List().Hwnd();
    const auto show = [&](int row) {
        Select({});
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PumpMessages();
    };
    show(0);
    std::wstring text = noteText();
    EXPECT_NE(text.find(L"vast scan"), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"250 megapixels"), std::wstring::npos);
    HWND note = frame->Preview()->NoteWindow();
    ASSERT_TRUE(note);
    RECT noteRect{}, paneRect{};
    GetWindowRect(note, &noteRect);
    GetWindowRect(frame->Preview()->Hwnd(), &paneRect);
    EXPECT_GT(noteRect.right - noteRect.left, (paneRect.right - paneRect.left) / 2) << "the note spans the pane";
    show(1);
    text = noteText();
    EXPECT_NE(text.find(L"deep scan"), std::wstring::npos);
    EXPECT_NE(text.find(L"1024 MB"), std::wstring::npos);
    show(2);
    EXPECT_EQ(noteText(), L"") << "damage is not a limit";
    show(3);
    EXPECT_EQ(noteText(), L"");
    EXPECT_TRUE(IsWindowVisible(frame->Preview()->ControlWindow())) << "the control is back for a picture";
    if (const char* hold = std::getenv("PICTROVE_HOLD_DIALOG_MS")) {
        show(0);
        Sleep(static_cast<DWORD>(std::atoi(hold)));
    }
}

TEST_F(MainFrameTest, SelectingARowHandsItsImageToThePreview) {
    FakeReaderScript script;
    script.images = {{L"first", 2, 2, Pixels()}, {L"second", 2, 2, Pixels()}};
    auto* first = static_cast<FakeReaderImage*>(static_cast<ReaderImage*>(script.images[0].pixels.Get()));
    auto* second = static_cast<FakeReaderImage*>(static_cast<ReaderImage*>(script.images[1].pixels.Get()));
    FakeReaderRegistration fake(FakeClass(), script);
    Start();
    ASSERT_NE(frame->Preview(), nullptr) << "the image-view control beside the test program";
    const ULONG firstClosed = first->RefCount();
    const ULONG secondClosed = second->RefCount();
    ASSERT_TRUE(frame->Open(kDocument));
    EXPECT_GT(first->RefCount() - firstClosed, second->RefCount() - secondClosed)
        << "the first row is shown as the document opens";
    // The open document holds its images too; with no row selected the preview holds none.
    Select({});
    const ULONG firstBase = first->RefCount();
    const ULONG secondBase = second->RefCount();
    // Selecting the first row, then adding the second as a click with Ctrl does (the focus
    // comes with it), shows the second.
    HWND list = frame->List().Hwnd();
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpMessages();
    EXPECT_GT(first->RefCount(), firstBase) << "the preview keeps the image it shows";
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpMessages();
    EXPECT_EQ(first->RefCount(), firstBase);
    EXPECT_GT(second->RefCount(), secondBase);
    // Taking the focused row out of the selection shows the row still selected.
    ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
    PumpMessages();
    EXPECT_GT(first->RefCount(), firstBase);
    EXPECT_EQ(second->RefCount(), secondBase);
    // No row selected: nothing shown.
    Select({});
    EXPECT_EQ(first->RefCount(), firstBase);
    EXPECT_EQ(second->RefCount(), secondBase);
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

// Keyboard use, and a window that shows only what is true: focus and shortcuts, the preview
// following the focused row, the state after a failed open, the splitter through minimising,
// and the message loop's own idle pass.
namespace pictrove::test {
namespace {

// A 1 x 1 picture of one colour (0xRRGGBB), stored as 24-bit rows.
ComPtr<IUnknown> Dot(uint32_t rgb) {
    ComPtr<IUnknown> image;
    const std::vector<BYTE> pixel = {static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16)};
    image.Attach(static_cast<ReaderImage*>(FakeReaderImage::FromRows(kPixelBgr24, 1, 1, 4, 0, pixel)));
    return image;
}

ULONG RefsOf(const FakeDocumentImage& image) {
    return static_cast<FakeReaderImage*>(static_cast<ReaderImage*>(image.pixels.Get()))->RefCount();
}

// Registered after the frame's handler, so it runs after it in each idle pass: the first pass
// does the step given (posts a user's keys, say); the next one, which comes only when the loop
// has taken every message and gone idle again, ends the loop.
class IdleScript : public IdleHandler {
  public:
    explicit IdleScript(std::function<void()> first) : first_(std::move(first)) {}
    bool OnIdle() override {
        if (first_) {
            std::exchange(first_, nullptr)();
            return false;
        }
        PostQuitMessage(0);
        return false;
    }

  private:
    std::function<void()> first_;
};

// A picture that notes which cursor was showing while its pixels were read.
class CursorProbeImage final : public ComObject<ReaderImageSlots> {
  public:
    HCURSOR cursorWhileRead = nullptr;
    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override { return *type = kPixelBgra32, S_OK; }
    HRESULT STDMETHODCALLTYPE SetPixelType(int) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override { return *width = 1, S_OK; }
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override { return *height = 1, S_OK; }
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override { return *stride = 4, S_OK; }
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override { return *layout = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override {
        cursorWhileRead = GetCursor();
        *bits = pixel_;
        return S_OK;
    }

  private:
    BYTE pixel_[4] = {10, 20, 30, 255};
};

class FrameKeyboardTest : public MainFrameTest {
  protected:
    // Runs the program's own loop: first, when it is idle, then until it is idle again.
    void RunLoopUntilIdle(std::function<void()> first = {}) {
        IdleScript script(std::move(first));
        static bool timedOut;
        timedOut = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) {
            timedOut = true;
            PostQuitMessage(0);
        });
        loop.AddIdleHandler(&script);
        loop.Run();
        loop.RemoveIdleHandler(&script);
        KillTimer(nullptr, timer);
        EXPECT_FALSE(timedOut) << "the loop never went idle again";
    }
    // Posts a key press to the window with the focus, Ctrl (and Shift) held, and lets the
    // program's loop take it as it takes a user's keys.
    void PressKey(UINT key, bool ctrl, bool shift = false) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE held[256];
        memcpy(held, keys, sizeof(held));
        held[VK_CONTROL] = held[VK_LCONTROL] = ctrl ? 0x80 : 0;
        held[VK_SHIFT] = held[VK_LSHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(held);
        RunLoopUntilIdle([&] {
            HWND target = GetFocus() ? GetFocus() : frame->Hwnd();
            PostMessageW(target, WM_KEYDOWN, key, 1);
            PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        });
        SetKeyboardState(keys);
    }
    RECT ScreenRectOfRow(int row) {
        RECT rect{};
        ListView_GetItemRect(frame->List().Hwnd(), row, &rect, LVIR_BOUNDS);
        MapWindowPoints(frame->List().Hwnd(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    std::wstring ToolText(UINT id) {
        wchar_t text[128] = L"";
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = frame->ToolbarWindow().Hwnd();
        tool.uId = id;
        tool.lpszText = text;
        SendMessageW(frame->ToolbarWindow().Tooltip(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
        return text;
    }
    std::wstring MenuText(UINT id) {
        HMENU popup = GetSubMenu(frame->ContextMenu(), 0);
        MENUITEMINFOW item{sizeof(item)};
        item.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(popup, id, FALSE, &item)) return L"?";
        const MenuItemRecord* record = FindMenuItemRecord(item.dwItemData);
        return record ? record->text : L"?";
    }
};

TEST_F(FrameKeyboardTest, OpeningFocusesTheFirstRowAndTabMovesBetweenListAndPreview) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}, {L"c", 1, 1, Dot(0x0000FF)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_NE(frame->Preview(), nullptr);
    ASSERT_TRUE(frame->Open(kDocument));
    HWND list = frame->List().Hwnd();
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 0);
    EXPECT_EQ(frame->List().GetSelectedIndices(), std::vector<int>{0});
    EXPECT_GT(RefsOf(fake.Script().images[0]), RefsOf(fake.Script().images[1])) << "the preview shows row 0";

    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), frame->SplitterWindow().Hwnd()) << "Tab goes to the bar between the panes";
    PressKey(VK_TAB, false);
    HWND preview = frame->Preview()->Hwnd();
    EXPECT_TRUE(GetFocus() == preview || IsChild(preview, GetFocus())) << "then to the preview";
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), frame->ToolbarWindow().Hwnd()) << "then to the toolbar";
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), list) << "and back to the list";
}

TEST_F(FrameKeyboardTest, ShortcutsRunTheirCommandsAndShowInMenuAndTooltips) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}, {L"c", 1, 1, Dot(0x0000FF)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    EXPECT_EQ(ToolText(IDM_OPEN), L"Open File (Ctrl+O)");
    EXPECT_EQ(ToolText(IDM_EXTRACT_SELECTED), L"Extract selected items (Ctrl+S)");
    EXPECT_EQ(ToolText(IDM_EXTRACT_ALL), L"Extract all items (Ctrl+Shift+S)");
    EXPECT_EQ(ToolText(IDM_ABOUT), L"Show about dialog (F1)");
    EXPECT_EQ(MenuText(IDM_COPY_IMAGE), L"Copy image\tCtrl+C");
    EXPECT_EQ(MenuText(IDM_EXTRACT_SELECTED), L"E&xtract selected\tCtrl+S");
    EXPECT_EQ(MenuText(IDM_EXTRACT_ALL), L"Extract &all\tCtrl+Shift+S");
    EXPECT_EQ(MenuText(IDM_ABOUT), L"About &Pictrove\tF1");

    ASSERT_TRUE(frame->Open(kDocument));
    PressKey('A', true);
    EXPECT_EQ(frame->List().SelectedCount(), 3) << "Ctrl+A";

    ListView_SetItemState(frame->List().Hwnd(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(frame->List().Hwnd(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    PressKey('C', true);
    EXPECT_EQ(ClipboardPixels(1, 1), std::vector<uint32_t>{0x00FF00}) << "Ctrl+C";

    const struct {
        const char* label;
        UINT key;
        bool shift;
        UINT control;  // a control that tells the dialog that came
    } dialogs[] = {{"Ctrl+S: Save As for the one row", 'S', false, 0x47C /* cmb13 */},
                   {"Ctrl+Shift+S: extract settings", 'S', true, IDC_EXTRACT_TYPE},
                   {"Ctrl+O: the open dialog", 'O', false, 0x47C}};
    for (const auto& d : dialogs) {
        bool seen = false;
        DialogCapture capture([&](HWND dialog) {
            seen = GetDlgItem(dialog, static_cast<int>(d.control)) != nullptr ||
                   (d.control == 0x47C && GetDlgItem(dialog, 0x480 /* edt1 */) != nullptr);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        PressKey(d.key, true, d.shift);
        EXPECT_EQ(capture.DialogCount(), 1) << d.label;
        EXPECT_TRUE(seen) << d.label;
    }
    EXPECT_EQ(Title(), L"book.djvu - Pictrove") << "nothing was opened or lost";
}

// One key of a sequence: F10 and Alt come as system keys, as the keyboard sends them.
struct Key {
    UINT vk;
    bool shift = false;
};

class FrameFocusTest : public FrameKeyboardTest {
  protected:
    void Play(std::initializer_list<Key> keys) {
        for (const Key& key : keys) {
            BYTE saved[256] = {};
            GetKeyboardState(saved);
            BYTE held[256];
            memcpy(held, saved, sizeof(held));
            held[VK_SHIFT] = held[VK_LSHIFT] = key.shift ? 0x80 : 0;
            SetKeyboardState(held);
            RunLoopUntilIdle([&] {
                HWND target = GetFocus() ? GetFocus() : frame->Hwnd();
                if (key.vk == VK_MENU) {
                    PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, 0x20000001);
                    PostMessageW(target, WM_SYSKEYUP, VK_MENU, 0xC0000001);
                } else if (key.vk == VK_F10) {
                    PostMessageW(target, WM_SYSKEYDOWN, VK_F10, 1);
                    PostMessageW(target, WM_SYSKEYUP, VK_F10, 0xC0000001);
                } else {
                    PostMessageW(target, WM_KEYDOWN, key.vk, 1);
                    PostMessageW(target, WM_KEYUP, key.vk, 0xC0000001);
                }
            });
            SetKeyboardState(saved);
        }
    }
    // The element with the focus, by name.
    std::string Focused() {
        HWND focus = GetFocus();
        if (focus == frame->ToolbarWindow().Hwnd()) {
            const std::map<UINT, std::string> names = {{IDM_OPEN, "Open"},
                                                       {IDM_EXTRACT_SELECTED, "Extract selected"},
                                                       {IDM_EXTRACT_ALL, "Extract all"},
                                                       {IDM_ABOUT, "About"}};
            const auto name = names.find(frame->ToolbarWindow().FocusedCommand());
            return "toolbar " + (name == names.end() ? std::string("?") : name->second);
        }
        if (focus == frame->List().Hwnd()) return "list";
        if (focus == frame->SplitterWindow().Hwnd()) return "splitter";
        HWND preview = frame->Preview() ? frame->Preview()->Hwnd() : nullptr;
        if (preview && (focus == preview || IsChild(preview, focus))) return "preview";
        return "elsewhere";
    }
};

TEST_F(FrameFocusTest, KeySequencesReachEveryPartOfTheWindow) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_NE(frame->Preview(), nullptr);
    ASSERT_TRUE(frame->Open(kDocument));
    const struct {
        const char* label;
        std::initializer_list<Key> keys;
        const char* focused;  // "About" when the About dialog came
    } cases[] = {
        {"F10", {{VK_F10}}, "toolbar Open"},
        {"Alt alone", {{VK_MENU}}, "toolbar Open"},
        {"F10 Right", {{VK_F10}, {VK_RIGHT}}, "toolbar Extract selected"},
        {"F10 Right Right", {{VK_F10}, {VK_RIGHT}, {VK_RIGHT}}, "toolbar Extract all"},
        {"F10 Left wraps", {{VK_F10}, {VK_LEFT}}, "toolbar About"},
        {"F10 Escape", {{VK_F10}, {VK_ESCAPE}}, "list"},
        {"F10 F10", {{VK_F10}, {VK_F10}}, "list"},
        {"Alt Alt", {{VK_MENU}, {VK_MENU}}, "list"},
        {"Shift+F10 is the menu key, not the toolbar's", {{VK_F10, true}}, "list"},
        {"Tab", {{VK_TAB}}, "splitter"},
        {"Tab Tab", {{VK_TAB}, {VK_TAB}}, "preview"},
        {"Tab Tab Tab", {{VK_TAB}, {VK_TAB}, {VK_TAB}}, "toolbar Open"},
        {"Shift+Tab", {{VK_TAB, true}}, "toolbar Open"},
        {"Shift+Tab Shift+Tab", {{VK_TAB, true}, {VK_TAB, true}}, "preview"},
        {"Tab Right stays on the bar", {{VK_TAB}, {VK_RIGHT}}, "splitter"},
        {"F1", {{VK_F1}}, "About"},
        {"F10 End Enter", {{VK_F10}, {VK_END}, {VK_RETURN}}, "About"},
        {"F10 End Space", {{VK_F10}, {VK_END}, {VK_SPACE}}, "About"},
    };
    // Shift+F10 opens the context menu: it closes again at once.
    MenuWatch::opened.clear();
    HHOOK menus = SetWindowsHookExW(WH_CALLWNDPROC, MenuWatch::Hook, nullptr, GetCurrentThreadId());
    for (const auto& c : cases) {
        SetFocus(frame->List().Hwnd());
        bool aboutCame = false;
        {
            DialogCapture capture([&](HWND dialog) {
                aboutCame = GetDlgItem(dialog, IDC_ABOUT_SITE) != nullptr;
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            });
            Play(c.keys);
        }
        EXPECT_EQ(aboutCame ? std::string("About") : Focused(), c.focused) << c.label;
        if (frame->ToolbarWindow().Hwnd() == GetFocus()) SendMessageW(GetFocus(), WM_KEYDOWN, VK_HOME, 0);
    }
    UnhookWindowsHookEx(menus);
    EXPECT_EQ(MenuWatch::opened.size(), 1u) << "Shift+F10 opened the context menu";
    EXPECT_EQ(frame->SplitterWindow().Position(), 320) << "moves not kept with Enter are undone";
}

TEST_F(FrameFocusTest, ContextMenuItemsAnswerTheirMnemonics) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_TRUE(frame->Open(kDocument));
    static wchar_t typed;
    struct Typing {
        static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
            const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
            wchar_t name[16] = L"";
            if (code == HC_ACTION && message->message == WM_CREATE && GetClassNameW(message->hwnd, name, 16) &&
                wcscmp(name, L"#32768") == 0) {
                // Typed once the menu runs its own loop; a menu still open after it is closed.
                PostMessageW(message->hwnd, WM_CHAR, typed, 1);
                SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
                    KillTimer(nullptr, id);
                    EndMenu();
                });
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        }
    };
    const struct {
        wchar_t letter;
        int dialogs;
        const char* label;
    } cases[] = {{L'p', 1, "About &Pictrove"}, {L'P', 1, "in capitals too"}, {L'q', 0, "no item"}};
    for (const auto& c : cases) {
        typed = c.letter;
        DialogCapture capture([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, Typing::Hook, nullptr, GetCurrentThreadId());
        RunLoopUntilIdle([&] {
            PostMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame->List().Hwnd()),
                         MAKELPARAM(-1, -1));
        });
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(capture.DialogCount(), c.dialogs) << c.label;
    }
}

TEST_F(FrameKeyboardTest, KeyboardContextMenuOpensBelowTheFocusedRow) {
    FakeReaderScript script;
    for (int i = 0; i < 8; ++i) script.images.push_back({L"row" + std::to_wstring(i), 1, 1, Dot(0x808080)});
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_TRUE(frame->Open(kDocument));
    HWND list = frame->List().Hwnd();
    ListView_SetItemState(list, 4, LVIS_FOCUSED, LVIS_FOCUSED);
    const RECT row = ScreenRectOfRow(4);

    MenuWatch::opened.clear();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MenuWatch::Hook, nullptr, GetCurrentThreadId());
    SendMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    // With no rows the menu opens at the top of the list, below its header.
    fake.Script().firstOpen = E_FAIL;
    {
        DialogCapture capture;
        EXPECT_FALSE(frame->Open(L"C:\\Docs\\broken.djvu"));
    }
    SendMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    UnhookWindowsHookEx(hook);

    ASSERT_EQ(MenuWatch::opened.size(), 2u);
    EXPECT_EQ(MenuWatch::opened[0].y, row.bottom) << "just below the focused row";
    EXPECT_EQ(MenuWatch::opened[0].x, row.left);
    RECT listRect{}, header{};
    GetWindowRect(list, &listRect);
    GetWindowRect(ListView_GetHeader(list), &header);
    EXPECT_EQ(MenuWatch::opened[1].y, header.bottom);
    EXPECT_GE(MenuWatch::opened[1].x, listRect.left);
    EXPECT_LT(MenuWatch::opened[1].x, listRect.right);
}

TEST_F(FrameKeyboardTest, AFailedOpenShowsNoTraceOfTheOldDocument) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_NE(frame->Preview(), nullptr);
    const auto images = fake.Script().images;
    const ULONG base = RefsOf(fake.Script().images[0]);

    const struct {
        const char* label;
        const wchar_t* path;
        HRESULT firstOpen;
        int imageCount;
        const wchar_t* password;  // typed into the prompt; null: the prompt is cancelled
    } cases[] = {{"damaged file", L"C:\\Docs\\broken.djvu", E_FAIL, -1, nullptr},
                 {"wrong password", L"C:\\Docs\\locked.djvu", kOpenNeedsPassword, -1, L"wrong"},
                 {"empty password", L"C:\\Docs\\locked.djvu", kOpenNeedsPassword, -1, L""},
                 {"cancelled password", L"C:\\Docs\\locked.djvu", kOpenNeedsPassword, -1, nullptr},
                 {"no images", L"C:\\Docs\\empty.djvu", S_OK, 0, nullptr},
                 {"unsupported", L"C:\\Docs\\notes.xyz", S_OK, -1, nullptr}};
    for (const auto& c : cases) {
        fake.Script().firstOpen = S_OK;
        fake.Script().correctPassword = L"right";
        ASSERT_TRUE(frame->Open(kDocument)) << c.label;
        ASSERT_GT(RefsOf(fake.Script().images[0]), base) << c.label;
        fake.Script().firstOpen = c.firstOpen;
        if (c.imageCount == 0) fake.Script().images.clear(), fake.Script().imageCount = 0;
        {
            // A wrong password is asked again: the second prompt is cancelled.
            int prompts = 0;
            DialogCapture capture([&](HWND dialog) {
                const bool answer = c.password && prompts++ == 0;
                if (answer) SetDlgItemTextW(dialog, IDC_PASSWORD_EDIT, c.password);
                PostMessageW(dialog, WM_COMMAND, answer ? IDOK : IDCANCEL, 0);
            });
            EXPECT_FALSE(frame->Open(c.path)) << c.label;
        }
        fake.Script().images = images;
        fake.Script().imageCount = 1;
        PumpMessages();
        EXPECT_EQ(frame->List().RowCount(), 0) << c.label;
        EXPECT_EQ(Title(), L"Pictrove") << c.label;
        EXPECT_EQ(Status(), L"") << c.label;
        EXPECT_EQ(RefsOf(fake.Script().images[0]), base) << c.label << ": the preview let the old picture go";
    }
}

TEST_F(FrameKeyboardTest, PreviewShowsTheClickedRowOfASelectionAndANewDocumentsFirstRow) {
    FakeReaderScript script;
    const uint32_t colours[] = {0x100000, 0x200000, 0x300000, 0x400000, 0x500000};
    for (uint32_t colour : colours) script.images.push_back({L"row", 1, 1, Dot(colour)});
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_NE(frame->Preview(), nullptr);
    std::vector<ULONG> closed, base;
    for (const auto& image : fake.Script().images) closed.push_back(RefsOf(image));
    ASSERT_TRUE(frame->Open(kDocument));
    HWND list = frame->List().Hwnd();
    // The open document holds its images too; with no row selected the preview holds none.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    PumpMessages();
    for (const auto& image : fake.Script().images) base.push_back(RefsOf(image));
    auto shown = [&] {
        std::vector<int> rows;
        for (size_t i = 0; i < base.size(); ++i) {
            if (RefsOf(fake.Script().images[i]) > base[i]) rows.push_back(static_cast<int>(i));
        }
        return rows;
    };
    PressKey('A', true);
    ListView_SetItemState(list, 4, LVIS_FOCUSED, LVIS_FOCUSED);
    PumpMessages();
    ASSERT_EQ(frame->List().SelectedCount(), 5);
    EXPECT_EQ(shown(), std::vector<int>{4});

    // A plain click on one of the five selected rows.
    const RECT row = ScreenRectOfRow(2);
    POINT click{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ScreenToClient(list, &click);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
    PumpMessages();
    EXPECT_EQ(frame->List().GetSelectedIndices(), std::vector<int>{2});
    EXPECT_EQ(shown(), std::vector<int>{2}) << "the clicked row";
    Command(IDM_COPY_IMAGE);
    EXPECT_EQ(ClipboardPixels(1, 1), std::vector<uint32_t>{colours[2]}) << "the same row is copied";

    // Another document: the old picture goes, the new first row comes.
    const std::vector<FakeDocumentImage> second = {{L"new", 1, 1, Dot(0x00AA00)}};
    const auto first = fake.Script().images;  // keeps what the script gives up
    fake.Script().images = second;
    const ULONG newBase = RefsOf(second[0]);
    ASSERT_TRUE(frame->Open(L"C:\\Docs\\second.djvu"));
    PumpMessages();
    for (size_t i = 0; i < closed.size(); ++i) EXPECT_EQ(RefsOf(first[i]), closed[i]) << "row " << i;
    EXPECT_GT(RefsOf(second[0]), newBase);
}

TEST_F(FrameKeyboardTest, WaitCursorShowsWhileThePreviewConverts) {
    ComPtr<CursorProbeImage> probe = Adopt(new CursorProbeImage);
    FakeReaderScript script;
    script.images = {{L"small", 1, 1, Dot(0x123456)},
                     {L"huge", 1, 1, ComPtr<IUnknown>(static_cast<ReaderImage*>(probe.Get()))}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_NE(frame->Preview(), nullptr);
    ASSERT_TRUE(frame->Open(kDocument));
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    HWND list = frame->List().Hwnd();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpMessages();
    EXPECT_EQ(probe->cursorWhileRead, LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), arrow) << "and the cursor comes back";
    Close();
}

TEST_F(FrameKeyboardTest, SplitterKeepsTheUsersPositionThroughMinimisingAndTheSmallestWindow) {
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 420));
    HWND frameWindow = frame->Hwnd();
    auto listWidth = [&] {
        RECT rect{};
        GetWindowRect(frame->List().Hwnd(), &rect);
        return static_cast<int>(rect.right - rect.left);
    };
    ASSERT_EQ(listWidth(), 420);
    ShowWindow(frameWindow, SW_MINIMIZE);
    PumpMessages();
    ShowWindow(frameWindow, SW_RESTORE);
    PumpMessages();
    EXPECT_EQ(listWidth(), 420) << "after minimising";

    MoveWindow(frameWindow, 0, 0, 300, 200, TRUE);
    PumpMessages();
    RECT window{};
    GetWindowRect(frameWindow, &window);
    EXPECT_EQ(window.right - window.left, 300);
    EXPECT_GT(listWidth(), 0) << "the list pane is visible at the smallest size";
    EXPECT_TRUE(IsWindowVisible(frame->List().Hwnd()));
    MoveWindow(frameWindow, 0, 0, 900, 600, TRUE);
    PumpMessages();
    EXPECT_EQ(listWidth(), 420) << "after the smallest size";

    // Maximised, then minimised and closed from the taskbar.
    ShowWindow(frameWindow, SW_MAXIMIZE);
    ShowWindow(frameWindow, SW_MINIMIZE);
    PumpMessages();
    Close();
    const std::string saved = SavedSettings();
    EXPECT_NE(saved.find("<MainWindow Maximized=\"1\"><Rect Left=\"0\" Top=\"0\" Right=\"900\" Bottom=\"600\"/>"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("SplitterPos=\"420\""), std::string::npos) << saved;
}

TEST_F(FrameKeyboardTest, ClosingMinimisedFromNormalKeepsNormalAndThePosition) {
    Start(SettingsXml(0, RECT{10, 10, 910, 610}, 380));
    ShowWindow(frame->Hwnd(), SW_MINIMIZE);
    PumpMessages();
    Close();
    const std::string saved = SavedSettings();
    EXPECT_NE(saved.find("<MainWindow Maximized=\"0\">"), std::string::npos) << saved;
    EXPECT_NE(saved.find("SplitterPos=\"380\""), std::string::npos) << saved;
}

// Counts the paints of a window.
LRESULT CALLBACK CountPaints(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR counter) {
    if (message == WM_PAINT) ++*reinterpret_cast<int*>(counter);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(FrameKeyboardTest, DraggingTheSplitterRepaintsTheListHeader) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 420));
    ASSERT_TRUE(frame->Open(kDocument));
    HWND header = ListView_GetHeader(frame->List().Hwnd());
    UpdateWindow(frame->Hwnd());
    PumpMessages();
    int paints = 0;
    SetWindowSubclass(header, CountPaints, 7, reinterpret_cast<DWORD_PTR>(&paints));
    HWND splitter = frame->SplitterWindow().Hwnd();
    const int bar = frame->SplitterWindow().DisplayPosition() + 1;
    SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(bar, 100));
    SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(bar - 60, 100));
    SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(bar - 60, 100));
    RemoveWindowSubclass(header, CountPaints, 7);
    EXPECT_EQ(frame->SplitterWindow().Position(), 360);
    EXPECT_GT(paints, 0) << "the header painted again after the drag";
}

TEST_F(FrameKeyboardTest, TheLoopItselfUpdatesToolbarAndMenuStates) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    RunLoopUntilIdle();
    EXPECT_FALSE(ToolbarEnabled(IDM_EXTRACT_SELECTED));
    EXPECT_FALSE(ToolbarEnabled(IDM_EXTRACT_ALL));
    EXPECT_TRUE(ToolbarEnabled(IDM_OPEN));

    ASSERT_TRUE(frame->Open(kDocument));
    RunLoopUntilIdle();
    EXPECT_TRUE(ToolbarEnabled(IDM_EXTRACT_SELECTED)) << "the first row is selected";
    EXPECT_TRUE(ToolbarEnabled(IDM_EXTRACT_ALL));

    // Ctrl+Space takes the focused row out of the selection, through the list's own keys.
    PressKey(VK_SPACE, true);
    ASSERT_EQ(frame->List().SelectedCount(), 0);
    EXPECT_FALSE(ToolbarEnabled(IDM_EXTRACT_SELECTED));
    EXPECT_TRUE(ToolbarEnabled(IDM_EXTRACT_ALL));

    // The menu opened from inside the loop takes the states of that moment.
    MenuWatch::opened.clear();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, MenuWatch::Hook, nullptr, GetCurrentThreadId());
    RunLoopUntilIdle([&] {
        PostMessageW(frame->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame->List().Hwnd()), MAKELPARAM(-1, -1));
    });
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(MenuWatch::opened.size(), 1u);
    HMENU popup = GetSubMenu(frame->ContextMenu(), 0);
    EXPECT_TRUE(GetMenuState(popup, IDM_COPY_IMAGE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(popup, IDM_EXTRACT_SELECTED, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(popup, IDM_EXTRACT_ALL, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(FrameKeyboardTest, OpenCommandTakesAFileFromTheOpenDialog) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}};
    FakeReaderRegistration fake(FakeClass(), script);
    for (const wchar_t* name : {L"book.djvu", L"picture.png", L"comic.cbz", L"scan.tiff", L"notes.xyz"}) {
        ASSERT_TRUE(WriteFileBytes(folder.File(name), {'x'}));
    }
    wchar_t previousFolder[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, previousFolder);
    SetCurrentDirectoryW(folder.Path().c_str());
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));

    static std::vector<std::wstring> listed;
    static HWND openDialog = nullptr;
    static std::wstring typed;
    listed.clear();
    typed = folder.File(L"book.djvu");
    DialogCapture capture([](HWND dialog) {
        openDialog = dialog;
        // The dialog fills its file list after it shows; look once it has.
        SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            EnumChildWindows(
                openDialog,
                [](HWND child, LPARAM) -> BOOL {
                    wchar_t name[32] = L"";
                    GetClassNameW(child, name, 32);
                    if (wcscmp(name, L"SysListView32") != 0) return TRUE;
                    const int count = ListView_GetItemCount(child);
                    for (int i = 0; i < count; ++i) {
                        wchar_t text[MAX_PATH] = L"";
                        ListView_GetItemText(child, i, 0, text, MAX_PATH);
                        listed.push_back(text);
                    }
                    return FALSE;
                },
                0);
            HWND name = GetDlgItem(openDialog, 0x47C /* cmb13 */);
            if (!name) name = GetDlgItem(openDialog, 0x480 /* edt1 */);
            SetWindowTextW(name, typed.c_str());
            PostMessageW(openDialog, WM_COMMAND, IDOK, 0);
        });
    });
    Command(IDM_OPEN);
    SetCurrentDirectoryW(previousFolder);
    EXPECT_EQ(capture.DialogCount(), 1);
    EXPECT_EQ(Title(), L"book.djvu - Pictrove");
    EXPECT_NE(JoinCalls(fake.Log()).find(L"Open(" + typed + L")"), std::wstring::npos) << JoinCalls(fake.Log());
    // The first choice of the filter shows every kind of document the readers take.
    // The list may hide known extensions.
    auto has = [&](const std::wstring& name) {
        const std::wstring stem = name.substr(0, name.find(L'.'));
        return std::find_if(listed.begin(), listed.end(),
                            [&](const std::wstring& item) { return item == name || item == stem; }) != listed.end();
    };
    EXPECT_TRUE(has(L"picture.png")) << testing::PrintToString(listed);
    EXPECT_TRUE(has(L"comic.cbz")) << testing::PrintToString(listed);
    EXPECT_TRUE(has(L"scan.tiff")) << testing::PrintToString(listed);
    EXPECT_TRUE(has(L"book.djvu")) << testing::PrintToString(listed);
    EXPECT_FALSE(has(L"notes.xyz")) << testing::PrintToString(listed);
}

// Whatever took the activation (a dialog, the Save As, a message box, the progress window), the
// keys go back to the pane that had them, with the selection as it was.
TEST_F(FrameKeyboardTest, FocusComesBackToItsPaneAfterEveryDialogAndMessageBox) {
    FakeReaderScript script;
    script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, Dot(0x00FF00)}, {L"c", 1, 1, Dot(0x0000FF)}};
    FakeReaderRegistration fake(FakeClass(), script);
    Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
    ASSERT_TRUE(frame->Open(kDocument));
    const std::wstring out = folder.Path() + L"out";
    const auto cancel = [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); };
    const struct {
        const char* label;
        std::vector<int> rows;
        bool previewFocused;
        std::function<void()> act;
    } kCases[] = {
        {"about",
         {0, 1},
         false,
         [&] {
             DialogCapture capture(cancel);
             Command(IDM_ABOUT);
         }},
        {"extract settings cancelled",
         {0, 2},
         false,
         [&] {
             DialogCapture capture(cancel);
             Command(IDM_EXTRACT_SELECTED);
         }},
        {"save as cancelled",
         {1},
         false,
         [&] {
             DialogCapture capture(cancel);
             Command(IDM_EXTRACT_SELECTED);
         }},
        {"message box",
         {0, 1},
         false,
         [&] {
             DialogCapture capture;
             ShowProgramMessage(L"note", MB_ICONINFORMATION);
         }},
        {"extraction ran",
         {0, 1},
         false,
         [&] {
             DialogCapture capture(ChooseExtractSettings(out, 3));
             Command(IDM_EXTRACT_ALL);
         }},
        {"preview, about",
         {2},
         true,
         [&] {
             DialogCapture capture(cancel);
             Command(IDM_ABOUT);
         }},
    };
    HWND list = frame->List().Hwnd();
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        Select({});
        for (int row : c.rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
        SetFocus(c.previewFocused ? frame->Preview()->Hwnd() : list);
        RunLoopUntilIdle();
        HWND before = GetFocus();
        ASSERT_TRUE(before == list || IsChild(frame->Hwnd(), before));
        c.act();
        RunLoopUntilIdle();
        EXPECT_EQ(GetFocus(), before);
        EXPECT_EQ(GetActiveWindow(), frame->Hwnd());
        std::vector<int> selected;
        for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
             row = ListView_GetNextItem(list, row, LVNI_SELECTED))
            selected.push_back(row);
        EXPECT_EQ(selected, c.rows);
    }
}

// The status bar says when the reader had to work round damage, and what an extraction wrote.
TEST_F(FrameKeyboardTest, StatusBarTellsOfDamageAndOfWhatAnExtractionWrote) {
    const std::wstring out = folder.Path() + L"out";
    const struct {
        std::optional<int> condition;
        bool secondFails;
        const wchar_t* opened;
        const wchar_t* selected;
        std::wstring extracted;
    } kCases[] = {
        {std::nullopt, false, L"2 images", L"1 images selected", L"2 images written to " + out + L"\\"},
        {kDocumentWhole, true, L"2 images", L"1 images selected", L"1 images written to " + out + L"\\, 1 failed"},
        {kDocumentDamaged, false, L"2 images. The document is damaged: the list may be incomplete.",
         L"1 images selected. The document is damaged: the list may be incomplete.",
         L"2 images written to " + out + L"\\"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.opened);
        FakeReaderScript script;
        script.images = {{L"a", 1, 1, Dot(0xFF0000)}, {L"b", 1, 1, c.secondFails ? nullptr : Dot(0x00FF00)}};
        script.condition = c.condition;
        FakeReaderRegistration fake(FakeClass(), script);
        Start(SettingsXml(0, RECT{0, 0, 900, 600}, 320));
        ASSERT_TRUE(frame->Open(kDocument));
        Select({});
        EXPECT_EQ(Status(), c.opened);
        Select({1});
        EXPECT_EQ(Status(), c.selected);
        {
            DialogCapture capture(ChooseExtractSettings(out, 3));
            Command(IDM_EXTRACT_ALL);
            EXPECT_EQ(capture.Boxes().size(), c.secondFails ? 1u : 0u);
        }
        EXPECT_EQ(Status(), c.extracted);
        Close();
        DeleteFileW((out + L"\\a.png").c_str());
        DeleteFileW((out + L"\\b.png").c_str());
    }
}

}  // namespace
}  // namespace pictrove::test
