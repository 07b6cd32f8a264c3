// Menu conversion into owner-drawn items, their measuring and painting read back pixel by
// pixel, and the flat frame of real pop-up menus opened with TrackPopupMenu.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/MenuPalette.h"
#include "ui/OwnerDrawnMenu.h"

namespace pictrove::test {
namespace {

constexpr COLORREF kMarker = RGB(255, 0, 255);

MENUITEMINFOW ItemInfo(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU | MIIM_ID | MIIM_STATE;
    info.dwItemData = 0xdeadbeef;
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    return info;
}

const MenuItemRecord& RecordOf(HMENU menu, int position) {
    static const MenuItemRecord kMissing{};
    const MenuItemRecord* record = FindMenuItemRecord(ItemInfo(menu, position).dwItemData);
    EXPECT_NE(record, nullptr) << "position " << position;
    return record ? *record : kMissing;
}

// A small menu bar: "File" with items, a separator, a checked and a default item, and a
// sub-menu with its own separator.
UniqueMenu MakeMenu() {
    UniqueMenu bar(CreateMenu());
    HMENU file = CreatePopupMenu();
    HMENU more = CreatePopupMenu();
    AppendMenuW(more, MF_STRING, 301, L"Deeper");
    AppendMenuW(more, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(more, MF_STRING | MF_GRAYED, 302, L"Gray");
    AppendMenuW(file, MF_STRING, 101, L"E&xtract selected");
    AppendMenuW(file, MF_STRING, 102, L"Copy\tCtrl+C");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING | MF_CHECKED, 103, L"Checked");
    AppendMenuW(file, MF_STRING, 104, L"Default");
    SetMenuDefaultItem(file, 104, FALSE);
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(more), L"More");
    AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    AppendMenuW(bar.Get(), MF_STRING, 105, L"Help");
    return bar;
}

// Records of a converted menu, shared by the measuring and drawing tests.
struct Sample {
    UniqueMenu menu;
    HMENU file = nullptr;
    ULONG_PTR extract = 0, copy = 0, separator = 0, checked = 0, byDefault = 0, topLevel = 0;
};

const Sample& Samples() {
    static Sample sample = [] {
        Sample s;
        s.menu = MakeMenu();
        ConvertMenu(s.menu.Get(), true);
        s.file = GetSubMenu(s.menu.Get(), 0);
        s.extract = ItemInfo(s.file, 0).dwItemData;
        s.copy = ItemInfo(s.file, 1).dwItemData;
        s.separator = ItemInfo(s.file, 2).dwItemData;
        s.checked = ItemInfo(s.file, 3).dwItemData;
        s.byDefault = ItemInfo(s.file, 4).dwItemData;
        s.topLevel = ItemInfo(s.menu.Get(), 1).dwItemData;
        return s;
    }();
    return sample;
}

TEST(ConvertMenu, EveryItemBecomesOwnerDrawnWithItsRecord) {
    const size_t before = MenuItemRecordCount();
    UniqueMenu menu = MakeMenu();
    ConvertMenu(menu.Get(), true);
    HMENU file = GetSubMenu(menu.Get(), 0);
    HMENU more = GetSubMenu(file, 5);
    ASSERT_TRUE(file && more) << "sub-menus stay attached";

    // Top row: File and Help; File holds 5 items and More, More holds 2 items: 10 records,
    // separators share one that may already exist.
    const size_t added = MenuItemRecordCount() - before;
    EXPECT_TRUE(added == 10 || added == 11) << added;

    const struct {
        HMENU menu;
        int position;
        const wchar_t* text;
        UINT id;
        bool topLevel;
        UINT stateBits;
    } items[] = {
        {menu.Get(), 0, L"File", 0, true, 0},
        {menu.Get(), 1, L"Help", 105, true, 0},
        {file, 0, L"E&xtract selected", 101, false, 0},
        {file, 1, L"Copy\tCtrl+C", 102, false, 0},
        {file, 3, L"Checked", 103, false, MFS_CHECKED},
        {file, 4, L"Default", 104, false, MFS_DEFAULT},
        {file, 5, L"More", 0, false, 0},
        {more, 0, L"Deeper", 301, false, 0},
        {more, 2, L"Gray", 302, false, MF_GRAYED},
    };
    for (const auto& item : items) {
        const std::string label =
            "item " + std::to_string(item.position) + " text length " + std::to_string(wcslen(item.text));
        const MENUITEMINFOW info = ItemInfo(item.menu, item.position);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << label;
        const MenuItemRecord& record = RecordOf(item.menu, item.position);
        EXPECT_EQ(record.text, item.text) << label;
        EXPECT_EQ(record.type, static_cast<UINT>(MFT_STRING | MFT_OWNERDRAW)) << label;
        EXPECT_EQ(record.topLevel, item.topLevel) << label;
        EXPECT_EQ(record.state & (MFS_CHECKED | MFS_DEFAULT | MFS_GRAYED), item.stateBits) << label;
        if (item.id) {
            EXPECT_EQ(record.commandId, item.id) << label;
            EXPECT_EQ(info.wID, item.id) << label << ": the command id is kept";
        }
    }

    // Both separators, and those of any other menu, point at one record.
    const MENUITEMINFOW first = ItemInfo(file, 2);
    const MENUITEMINFOW second = ItemInfo(more, 1);
    EXPECT_EQ(first.fType, static_cast<UINT>(MFT_SEPARATOR | MFT_OWNERDRAW));
    EXPECT_EQ(second.fType, static_cast<UINT>(MFT_SEPARATOR | MFT_OWNERDRAW));
    EXPECT_EQ(first.dwItemData, second.dwItemData);
    EXPECT_EQ(first.dwItemData, Samples().separator);
    const MenuItemRecord& separator = RecordOf(file, 2);
    EXPECT_EQ(separator.type, 0x900u);
    EXPECT_TRUE(separator.text.empty());
    EXPECT_EQ(separator.state, 0u);
    EXPECT_EQ(separator.commandId, 0u);
}

TEST(ConvertMenu, KeepsAtMost99CharactersOfText) {
    UniqueMenu menu(CreatePopupMenu());
    const std::wstring longText(150, L'w');
    AppendMenuW(menu.Get(), MF_STRING, 1, longText.c_str());
    AppendMenuW(menu.Get(), MF_STRING, 2, std::wstring(99, L'n').c_str());
    ConvertMenu(menu.Get(), false);
    EXPECT_EQ(RecordOf(menu.Get(), 0).text, std::wstring(99, L'w'));
    EXPECT_EQ(RecordOf(menu.Get(), 1).text, std::wstring(99, L'n'));
}

TEST(ConvertMenu, TheProgramsContextMenuIsOwnerDrawnThroughout) {
    UniqueMenu menu = LoadMenuResource(IDR_CONTEXT_MENU);
    ASSERT_TRUE(menu);
    ConvertMenu(menu.Get(), true);
    HMENU popup = GetSubMenu(menu.Get(), 0);
    ASSERT_NE(popup, nullptr);
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const MENUITEMINFOW info = ItemInfo(popup, i);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        if (!(info.fType & MFT_SEPARATOR)) ids.push_back(RecordOf(popup, i).commandId);
    }
    EXPECT_EQ(ids, (std::vector<UINT>{IDM_COPY_IMAGE, IDM_EXTRACT_SELECTED, IDM_EXTRACT_ALL, IDM_ABOUT}));
    // Graying still works on owner-drawn items.
    EnableMenuItem(popup, IDM_EXTRACT_ALL, MF_BYCOMMAND | MF_GRAYED);
    EXPECT_TRUE(GetMenuState(popup, IDM_EXTRACT_ALL, MF_BYCOMMAND) & MF_GRAYED);
}

LOGFONTW MenuLogFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMenuFont;
}

int TextWidth(const wchar_t* text, LONG weight = FW_NORMAL) {
    LOGFONTW logFont = MenuLogFont();
    logFont.lfWeight = weight;
    UniqueFont font(CreateFontIndirectW(&logFont));
    ScopedGetDC screen(nullptr);
    ScopedSelectObject select(screen.Get(), font.Get());
    SIZE size{};
    GetTextExtentPoint32W(screen.Get(), text, static_cast<int>(wcslen(text)), &size);
    return size.cx;
}

MEASUREITEMSTRUCT Measure(ULONG_PTR data, UINT type = ODT_MENU) {
    MEASUREITEMSTRUCT item{};
    item.CtlType = type;
    item.itemData = data;
    item.itemWidth = 0xdeadbeef;
    item.itemHeight = 0xdeadbeef;
    return item;
}

TEST(OnMeasureItem, SeparatorAndTextItemSizes) {
    const Sample& s = Samples();
    MEASUREITEMSTRUCT separator = Measure(s.separator);
    ASSERT_TRUE(OnMeasureItem(separator));
    EXPECT_EQ(separator.itemHeight, 3u);
    EXPECT_EQ(separator.itemWidth, 0u);

    const UINT expectedHeight = static_cast<UINT>(std::abs(MenuLogFont().lfHeight) + 11);
    MEASUREITEMSTRUCT copy = Measure(s.copy);
    ASSERT_TRUE(OnMeasureItem(copy));
    EXPECT_EQ(copy.itemHeight, expectedHeight);
    // The whole text, the part after the tab included, plus room for the gutter and margins.
    EXPECT_GE(static_cast<int>(copy.itemWidth), TextWidth(L"Copy") + TextWidth(L"Ctrl+C") + 2 * 24 + 5);

    UniqueMenu plain(CreatePopupMenu());
    AppendMenuW(plain.Get(), MF_STRING, 1, L"Copy");
    ConvertMenu(plain.Get(), false);
    MEASUREITEMSTRUCT copyOnly = Measure(ItemInfo(plain.Get(), 0).dwItemData);
    ASSERT_TRUE(OnMeasureItem(copyOnly));
    EXPECT_EQ(static_cast<int>(copyOnly.itemWidth), TextWidth(L"Copy") + 2 * 24 + 5);
    EXPECT_GT(copy.itemWidth, copyOnly.itemWidth + TextWidth(L"Ctrl+C"));

    // The prefix character takes no room.
    MEASUREITEMSTRUCT extract = Measure(s.extract);
    ASSERT_TRUE(OnMeasureItem(extract));
    EXPECT_EQ(static_cast<int>(extract.itemWidth), TextWidth(L"Extract selected") + 2 * 24 + 5);
}

TEST(OnMeasureItem, TopLevelAndDefaultItems) {
    const Sample& s = Samples();
    MEASUREITEMSTRUCT help = Measure(s.topLevel);
    ASSERT_TRUE(OnMeasureItem(help));
    EXPECT_EQ(static_cast<int>(help.itemWidth), TextWidth(L"Help") + 5);

    MEASUREITEMSTRUCT byDefault = Measure(s.byDefault);
    ASSERT_TRUE(OnMeasureItem(byDefault));
    const LONG heavier = MenuLogFont().lfWeight + 200;
    EXPECT_EQ(static_cast<int>(byDefault.itemWidth), TextWidth(L"Default", heavier) + 2 * 24 + 5);
    EXPECT_GT(TextWidth(L"Default", heavier), TextWidth(L"Default")) << "the bold font must be wider here";
}

TEST(OnMeasureItem, RefusesOtherControlsAndUnknownItemData) {
    MEASUREITEMSTRUCT outside = Measure(MenuItemRecordCount());
    EXPECT_FALSE(OnMeasureItem(outside));
    EXPECT_EQ(outside.itemWidth, 0xdeadbeefu);
    EXPECT_EQ(outside.itemHeight, 0xdeadbeefu);
    MEASUREITEMSTRUCT button = Measure(Samples().copy, ODT_BUTTON);
    EXPECT_FALSE(OnMeasureItem(button));
    EXPECT_EQ(button.itemHeight, 0xdeadbeefu);
}

// Draws one item into a fresh canvas (with the menu font selected, as the system does).
class ItemCanvas {
  public:
    ItemCanvas(ULONG_PTR data, UINT state, int width = 200, int height = 23, UINT type = ODT_MENU)
        : canvas_(width, height, kMarker) {
        LOGFONTW logFont = MenuLogFont();
        font_.Reset(CreateFontIndirectW(&logFont));
        SelectObject(canvas_.Dc(), font_.Get());
        DRAWITEMSTRUCT item{};
        item.CtlType = type;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hDC = canvas_.Dc();
        item.rcItem = RECT{0, 0, width, height};
        item.itemData = data;
        drew_ = OnDrawItem(item);
        SelectObject(canvas_.Dc(), GetStockObject(SYSTEM_FONT));
    }
    bool Drew() const { return drew_; }
    COLORREF At(int x, int y) const { return canvas_.At(x, y); }
    // Pixels in [left, right) of any colour other than those given.
    int InkBetween(int left, int right, COLORREF a, COLORREF b) const {
        int count = 0;
        for (int y = 0; y < canvas_.Height(); ++y) {
            for (int x = left; x < right; ++x) {
                const COLORREF c = canvas_.At(x, y);
                if (c != a && c != b) ++count;
            }
        }
        return count;
    }
    bool Has(COLORREF color, int left, int right) const {
        for (int y = 0; y < canvas_.Height(); ++y) {
            for (int x = left; x < right; ++x) {
                if (canvas_.At(x, y) == color) return true;
            }
        }
        return false;
    }

  private:
    Canvas canvas_;
    UniqueFont font_;
    bool drew_ = false;
};

MenuColors Colors() {
    return DeriveMenuColors(ReadSystemColors());
}

TEST(OnDrawItem, PlainItemHasGutterThenBackgroundAndMenuText) {
    const MenuColors colors = Colors();
    ItemCanvas item(Samples().extract, 0);
    ASSERT_TRUE(item.Drew());
    for (int y : {0, 11, 22}) {
        EXPECT_EQ(item.At(0, y), colors.gutter.ToColorRef()) << y;
        EXPECT_EQ(item.At(21, y), colors.gutter.ToColorRef()) << y;
        EXPECT_EQ(item.At(22, y), colors.background.ToColorRef()) << y;
        EXPECT_EQ(item.At(199, y), colors.background.ToColorRef()) << y;
    }
    const COLORREF gutter = colors.gutter.ToColorRef(), background = colors.background.ToColorRef();
    EXPECT_EQ(item.InkBetween(0, 30, gutter, background), 0) << "the text starts at I + 14";
    EXPECT_GT(item.InkBetween(30, 60, gutter, background), 0);
    EXPECT_TRUE(item.Has(GetSysColor(COLOR_MENUTEXT), 30, 200));
}

// On a denser screen the gutter, the text's indent and the room measured for them grow with it;
// the text itself comes in the menu font the system gives.
TEST(OnDrawItem, GutterAndIndentFollowTheMenusDpi) {
    const MenuColors colors = Colors();
    const COLORREF gutter = colors.gutter.ToColorRef(), background = colors.background.ToColorRef();
    struct Restore {
        ~Restore() { SetMenuDpi(96); }
    } restore;
    SetMenuDpi(0);
    EXPECT_EQ(MenuDpi(), 96u) << "no dpi is no change";
    SetMenuDpi(192);
    EXPECT_EQ(MenuDpi(), 192u);
    MEASUREITEMSTRUCT extract = Measure(Samples().extract);
    ASSERT_TRUE(OnMeasureItem(extract));
    EXPECT_EQ(static_cast<int>(extract.itemWidth), TextWidth(L"Extract selected") + 2 * 48 + 5);

    ItemCanvas item(Samples().extract, 0);
    ASSERT_TRUE(item.Drew());
    for (int y : {0, 11, 22}) {
        EXPECT_EQ(item.At(43, y), gutter) << y;
        EXPECT_EQ(item.At(44, y), background) << y;
    }
    EXPECT_EQ(item.InkBetween(0, 60, gutter, background), 0) << "the text starts at twice I + 14";
    EXPECT_GT(item.InkBetween(60, 120, gutter, background), 0);
}

TEST(OnDrawItem, SelectedItemIsAFramedHighlightBox) {
    const MenuColors colors = Colors();
    const COLORREF pen = GetSysColor(COLOR_HIGHLIGHT);
    ItemCanvas item(Samples().extract, ODS_SELECTED);
    EXPECT_EQ(item.At(0, 0), pen);
    EXPECT_EQ(item.At(0, 22), pen);
    EXPECT_EQ(item.At(100, 0), pen);
    EXPECT_EQ(item.At(198, 11), pen) << "the box ends one pixel before the right edge";
    EXPECT_EQ(item.At(199, 11), kMarker);
    EXPECT_EQ(item.At(5, 2), colors.highlight.ToColorRef());
    EXPECT_EQ(item.At(25, 20), colors.highlight.ToColorRef());
}

TEST(OnDrawItem, GrayedSelectedItemHasNoBoxAndGrayText) {
    const MenuColors colors = Colors();
    const COLORREF gutter = colors.gutter.ToColorRef(), background = colors.background.ToColorRef();
    ItemCanvas item(Samples().extract, ODS_SELECTED | ODS_GRAYED);
    EXPECT_EQ(item.At(0, 0), gutter);
    EXPECT_EQ(item.At(100, 0), background);
    EXPECT_EQ(item.At(199, 11), background);
    EXPECT_TRUE(item.Has(colors.grayText.ToColorRef(), 30, 200));
    EXPECT_FALSE(item.Has(GetSysColor(COLOR_MENUTEXT), 0, 200));
    EXPECT_FALSE(item.Has(colors.highlight.ToColorRef(), 0, 200));
}

TEST(OnDrawItem, SeparatorIsAGrayLineFromThirtyPixels) {
    const MenuColors colors = Colors();
    ItemCanvas item(Samples().separator, 0, 200, 3);
    const COLORREF gray = colors.grayText.ToColorRef();
    EXPECT_EQ(item.At(29, 1), colors.background.ToColorRef());
    EXPECT_EQ(item.At(30, 1), gray);
    EXPECT_EQ(item.At(199, 1), gray);
    EXPECT_EQ(item.At(10, 1), colors.gutter.ToColorRef());
    for (int x : {10, 30, 150}) {
        EXPECT_NE(item.At(x, 0), gray) << x;
        EXPECT_NE(item.At(x, 2), gray) << x;
    }
}

TEST(OnDrawItem, ShortcutIsRightAlignedTwelvePixelsFromTheEdge) {
    const MenuColors colors = Colors();
    const COLORREF gutter = colors.gutter.ToColorRef(), background = colors.background.ToColorRef();
    ItemCanvas item(Samples().copy, 0, 300);
    const int copyWidth = TextWidth(L"Copy");
    const int shortcutWidth = TextWidth(L"Ctrl+C");
    EXPECT_GT(item.InkBetween(30, 30 + copyWidth, gutter, background), 0);
    EXPECT_EQ(item.InkBetween(30 + copyWidth + 2, 288 - shortcutWidth - 2, gutter, background), 0)
        << "nothing between the label and the shortcut";
    EXPECT_GT(item.InkBetween(288 - 6, 288, gutter, background), 0);
    EXPECT_EQ(item.InkBetween(288, 300, gutter, background), 0);
}

TEST(OnDrawItem, DefaultItemIsBold) {
    const MenuColors colors = Colors();
    const COLORREF gutter = colors.gutter.ToColorRef(), background = colors.background.ToColorRef();
    ItemCanvas normal(Samples().byDefault, 0);
    ItemCanvas bold(Samples().byDefault, ODS_DEFAULT);
    EXPECT_GT(bold.InkBetween(30, 200, gutter, background), normal.InkBetween(30, 200, gutter, background));
}

TEST(OnDrawItem, CheckBoxColourFollowsTheItemState) {
    const MenuColors colors = Colors();
    const COLORREF pen = GetSysColor(COLOR_HIGHLIGHT);
    const struct {
        UINT state;
        Rgb fill;
        const char* label;
    } cases[] = {{ODS_CHECKED, colors.checked, "checked"},
                 {ODS_CHECKED | ODS_SELECTED, colors.highlight, "selected"},
                 {ODS_CHECKED | ODS_GRAYED, colors.background, "grayed"},
                 {ODS_CHECKED | ODS_GRAYED | ODS_SELECTED, colors.background, "grayed and selected"}};
    for (const auto& c : cases) {
        ItemCanvas item(Samples().checked, c.state);
        EXPECT_EQ(item.At(1, 0), pen) << c.label;
        EXPECT_EQ(item.At(20, 10), pen) << c.label;
        EXPECT_EQ(item.At(1, 20), pen) << c.label << ": bottom line at bottom - 3";
        EXPECT_EQ(item.At(2, 1), c.fill.ToColorRef()) << c.label;
        EXPECT_EQ(item.At(19, 19), c.fill.ToColorRef()) << c.label;
        EXPECT_TRUE(item.Has(GetSysColor(COLOR_MENUTEXT), 5, 20)) << c.label << ": the check mark";
    }
    ItemCanvas unchecked(Samples().checked, 0);
    EXPECT_EQ(unchecked.At(1, 0), colors.gutter.ToColorRef());
}

TEST(OnDrawItem, RefusesOtherControlsAndUnknownItemData) {
    ItemCanvas outside(MenuItemRecordCount() + 5, ODS_SELECTED);
    EXPECT_FALSE(outside.Drew());
    EXPECT_EQ(outside.At(0, 0), kMarker);
    EXPECT_EQ(outside.At(100, 11), kMarker);
    ItemCanvas button(Samples().extract, 0, 200, 23, ODT_BUTTON);
    EXPECT_FALSE(button.Drew());
    EXPECT_EQ(button.At(0, 0), kMarker);
}

TEST(OnDrawItem, NewHighlightColourShowsOnTheNextPainting) {
    const COLORREF before = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF changed = before == RGB(200, 0, 0) ? RGB(0, 160, 0) : RGB(200, 0, 0);
    {
        ScopedSysColor highlight(COLOR_HIGHLIGHT, changed);
        ASSERT_EQ(GetSysColor(COLOR_HIGHLIGHT), changed);
        ItemCanvas item(Samples().extract, ODS_SELECTED);
        EXPECT_EQ(item.At(0, 0), changed);
        const Rgb expected = HlsToRgb(LessSaturated(Lighter(RgbToHls(Rgb::FromColorRef(changed)), 71), 71));
        EXPECT_EQ(item.At(5, 2), expected.ToColorRef());
    }
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), before);
}

// Watches pop-up menus as they open: size, client area and pixels, then closes them.
struct PopupWatch {
    static inline HWND menu = nullptr;
    static inline RECT window{};
    static inline RECT client{};
    static inline Pixels pixels;
    static inline size_t framed = 0;

    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_CREATE) {
            wchar_t name[16] = L"";
            GetClassNameW(message->hwnd, name, 16);
            if (wcscmp(name, L"#32768") == 0) {
                menu = message->hwnd;
                SetTimer(nullptr, 0, 50, Look);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK Look(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        RedrawWindow(menu, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
        GetWindowRect(menu, &window);
        GetClientRect(menu, &client);
        pixels = CaptureWindow(menu, true);
        framed = PopupFrameHook::FramedWindowCount();
        EndMenu();
    }
    static void Open(TestHost& host, HMENU popup) {
        menu = nullptr;
        window = client = RECT{};
        pixels = Pixels{};
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
        TrackPopupMenu(popup, TPM_LEFTBUTTON, 100, 100, 0, host.Hwnd(), nullptr);
        UnhookWindowsHookEx(hook);
        PumpMessages();
    }
};

TEST(PopupFrame, PopupIsSmallerAndHasAOnePixelFrame) {
    TestHost host;
    UniqueMenu menu = MakeMenu();
    ConvertMenu(menu.Get(), true);
    HMENU file = GetSubMenu(menu.Get(), 0);

    ASSERT_FALSE(PopupFrameHook::Installed());
    PopupWatch::Open(host, file);
    ASSERT_NE(PopupWatch::menu, nullptr);
    const RECT plain = PopupWatch::window;
    EXPECT_GT(host.measured, 0);
    EXPECT_GT(host.drawn, 0);
    EXPECT_EQ(PopupWatch::framed, 0u);

    {
        PopupFrameHook frame;
        ASSERT_TRUE(PopupFrameHook::Installed());
        PopupWatch::Open(host, file);
        ASSERT_NE(PopupWatch::menu, nullptr);
        EXPECT_EQ(PopupWatch::framed, 1u);
    }
    EXPECT_FALSE(PopupFrameHook::Installed());
    EXPECT_EQ(PopupFrameHook::FramedWindowCount(), 0u) << "the subclass goes with the window";

    const RECT& framed = PopupWatch::window;
    const int width = framed.right - framed.left;
    const int height = framed.bottom - framed.top;
    EXPECT_EQ(width, plain.right - plain.left - 3);
    EXPECT_EQ(height, plain.bottom - plain.top - 2);
    EXPECT_EQ(PopupWatch::client.right, width - 3) << "client inset left 2, right 1";
    EXPECT_EQ(PopupWatch::client.bottom, height - 4) << "client inset top 2, bottom 2";

    const Pixels& p = PopupWatch::pixels;
    ASSERT_EQ(p.width, width);
    ASSERT_EQ(p.height, height);
    const MenuColors colors = Colors();
    const COLORREF frameColor = colors.frame.ToColorRef();
    for (const POINT point :
         {POINT{0, 0}, POINT{width - 1, 0}, POINT{0, height - 1}, POINT{width - 1, height - 1}, POINT{width / 2, 0},
          POINT{width / 2, height - 1}, POINT{0, height / 2}, POINT{width - 1, height / 2}}) {
        EXPECT_EQ(p.At(point.x, point.y), frameColor) << point.x << "," << point.y;
    }
    EXPECT_EQ(p.At(width / 2, 1), colors.background.ToColorRef());
    EXPECT_EQ(p.At(width / 2, height - 2), colors.background.ToColorRef());
    EXPECT_EQ(p.At(1, height / 2), GetSysColor(COLOR_MENU));
    // Inside, the items (which this system sets 3 pixels into the client area): the gutter of
    // the first one, and a separator line that starts 30 pixels into the client area.
    EXPECT_EQ(p.At(2 + 3, 2 + 3), colors.gutter.ToColorRef());
    int separatorRows = 0;
    for (int y = 2; y < height - 2; ++y) {
        if (p.At(2 + 30, y) == colors.grayText.ToColorRef() && p.At(2 + 29, y) == colors.background.ToColorRef() &&
            p.At(width / 2, y) == colors.grayText.ToColorRef()) {
            ++separatorRows;
        }
    }
    EXPECT_EQ(separatorRows, 1);
}

// The High Contrast Black scheme, slot by slot.
class HighContrastBlack {
  public:
    HighContrastBlack()
        : face_(COLOR_BTNFACE, RGB(0, 0, 0)),
          shadow_(COLOR_3DDKSHADOW, RGB(255, 255, 255)),
          menu_(COLOR_MENU, RGB(0, 0, 0)),
          menuText_(COLOR_MENUTEXT, RGB(255, 255, 255)),
          highlight_(COLOR_HIGHLIGHT, RGB(26, 235, 255)),
          highlightText_(COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)),
          grayText_(COLOR_GRAYTEXT, RGB(63, 242, 63)),
          buttonText_(COLOR_BTNTEXT, RGB(255, 255, 255)) {}

  private:
    ScopedSysColor face_, shadow_, menu_, menuText_, highlight_, highlightText_, grayText_, buttonText_;
};

// The best contrast any pixel of a rectangle has against the colour at its right end, which is
// background: the drawn text's, whatever its smoothing.
double TextContrast(const Pixels& p, RECT area) {
    const Rgb background = Rgb::FromColorRef(p.At(area.right - 2, (area.top + area.bottom) / 2));
    double best = 1;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            best = std::max(best, ContrastRatio(Rgb::FromColorRef(p.At(x, y)), background));
        }
    }
    return best;
}

TEST(HighContrast, MenuTextKeepsItsContrastInARealPopup) {
    TestHost host;
    UniqueMenu bar(CreateMenu());
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 101, L"E&xtract selected");
    AppendMenuW(popup, MF_STRING, 102, L"Extract &all");
    AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"temp");
    ConvertMenu(bar.Get(), true);
    PopupFrameHook frame;
    HighContrastBlack scheme;
    PopupWatch::Open(host, popup);
    ASSERT_NE(PopupWatch::menu, nullptr);
    const Pixels& p = PopupWatch::pixels;
    // The first item's text, inside the frame, right of the gutter.
    const int itemHeight = (PopupWatch::client.bottom - 6) / 2;
    const RECT text{5, 5, p.width - 4, 5 + itemHeight - 2};
    EXPECT_GE(TextContrast(p, text), kMinimumTextContrast);
    EXPECT_EQ(p.At(p.width / 2, 1), RGB(0, 0, 0)) << "the inner frame lines are the menu's own colour";
}

TEST(HighContrast, ItemsUseTheSystemColoursAsTheyAre) {
    HighContrastBlack scheme;
    const struct {
        UINT state;
        COLORREF background;
        COLORREF text;
        const char* label;
    } cases[] = {
        {0, RGB(0, 0, 0), RGB(255, 255, 255), "plain: menu text on the menu"},
        {ODS_SELECTED, RGB(26, 235, 255), RGB(0, 0, 0), "selected: highlight text on the highlight"},
        {ODS_GRAYED, RGB(0, 0, 0), RGB(63, 242, 63), "grayed: gray text on the menu"},
    };
    for (const auto& c : cases) {
        ItemCanvas item(Samples().extract, c.state | ODS_NOACCEL);
        EXPECT_EQ(item.At(150, 2), c.background) << c.label;
        EXPECT_EQ(item.At(5, 11), c.background) << c.label << ": the gutter is no tint either";
        EXPECT_TRUE(item.Has(c.text, 30, 200)) << c.label;
    }
}

TEST(OnMenuChar, TheMarkedLetterRunsSelectsOrPassesItsItem) {
    UniqueMenu bar(CreateMenu());
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 1, L"&Copy image\tCtrl+C");
    AppendMenuW(popup, MF_STRING, 2, L"E&xtract selected");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING | MF_GRAYED, 3, L"&Help");
    AppendMenuW(popup, MF_STRING, 4, L"&Close");
    AppendMenuW(popup, MF_STRING, 5, L"Fish && Chips");
    AppendMenuW(popup, MF_STRING, 6, L"Save\tCtrl+&S");
    AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"temp");
    ConvertMenu(bar.Get(), true);
    const auto hilite = [&](int position) {
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            MENUITEMINFOW info{sizeof(info)};
            info.fMask = MIIM_STATE;
            GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
            info.fState = (info.fState & ~MFS_HILITE) | (i == position ? MFS_HILITE : 0);
            SetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
        }
    };
    const struct {
        wchar_t typed;
        int selected;  // the item the user is on, -1 none
        LRESULT expected;
        const char* label;
    } cases[] = {
        {L'x', -1, MAKELRESULT(1, MNC_EXECUTE), "one item: it runs"},
        {L'X', -1, MAKELRESULT(1, MNC_EXECUTE), "letter case does not matter"},
        {L'h', -1, MAKELRESULT(3, MNC_SELECT), "a grayed item is only selected"},
        {L'c', -1, MAKELRESULT(0, MNC_SELECT), "two items: the first is selected"},
        {L'c', 0, MAKELRESULT(4, MNC_SELECT), "then the next"},
        {L'c', 4, MAKELRESULT(0, MNC_SELECT), "and round again"},
        {L'f', -1, MAKELRESULT(0, MNC_IGNORE), "&& is an ampersand, no mnemonic"},
        {L's', -1, MAKELRESULT(0, MNC_IGNORE), "the shortcut after the tab is no mnemonic"},
        {L'q', -1, MAKELRESULT(0, MNC_IGNORE), "no item"},
    };
    for (const auto& c : cases) {
        hilite(c.selected);
        const LRESULT result = OnMenuChar(popup, c.typed);
        EXPECT_EQ(LOWORD(result), LOWORD(c.expected)) << c.label;
        EXPECT_EQ(HIWORD(result), HIWORD(c.expected)) << c.label;
    }
}

TEST(PopupFrame, HookStaysWhileAnyHostHoldsIt) {
    EXPECT_FALSE(PopupFrameHook::Installed());
    auto first = std::make_unique<PopupFrameHook>();
    {
        PopupFrameHook second;
        EXPECT_TRUE(PopupFrameHook::Installed());
        first.reset();
        EXPECT_TRUE(PopupFrameHook::Installed());
    }
    EXPECT_FALSE(PopupFrameHook::Installed());
}

}  // namespace
}  // namespace pictrove::test
