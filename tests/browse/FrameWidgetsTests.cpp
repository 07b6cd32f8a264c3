// The splitter's limits and fixed left pane, and the toolbar's layout, states and commands.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"
#include "ui/Splitter.h"
#include "ui/Toolbar.h"

namespace pictrove {
namespace {

// A parent that records the commands its children send.
class CommandSink : public WindowImpl<CommandSink> {
  public:
    CommandSink() {
        RegisterWindowClassOnce(L"PictroveCommandSink", StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW),
                                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        Create(L"PictroveCommandSink", nullptr, L"sink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 1000, 600});
    }
    static std::span<const MessageEntry<CommandSink>> MessageTable() {
        static constexpr MessageEntry<CommandSink> kTable[] = {
            OnMessage<CommandSink>(WM_COMMAND, &CommandSink::OnCommand)};
        return kTable;
    }
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, bool&) {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    std::vector<UINT> commands;
};

HWND MakePane(HWND parent) {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
}

RECT ChildRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(Splitter, KeepsPositionWithinMinimumPaneSizes) {
    CommandSink parent;
    Splitter splitter;
    ASSERT_NE(splitter.Create(parent.Hwnd(), RECT{0, 0, 900, 400}, 0x56000000), nullptr);
    wchar_t className[64] = L"";
    GetClassNameW(splitter.Hwnd(), className, 64);
    EXPECT_STREQ(className, L"WTL_SplitterWindow");
    const int bar = splitter.BarWidth();
    const int upper = 900 - bar - Splitter::kBarEdge - Splitter::kMinPaneSize;

    const struct {
        int requested;
        int expected;
    } cases[] = {{50, 300},      {300, 300},         {301, 301},    {450, 450},
                 {upper, upper}, {upper + 1, upper}, {5000, upper}, {-1, (900 - bar) / 2}};
    for (const auto& c : cases) {
        splitter.SetPosition(c.requested);
        EXPECT_EQ(splitter.DisplayPosition(), c.expected) << "requested " << c.requested;
    }
    // Below the minimum the kept position is the minimum; above the upper limit it is kept
    // as asked, for a wider window to show.
    splitter.SetPosition(50);
    EXPECT_EQ(splitter.Position(), 300);
    splitter.SetPosition(5000);
    EXPECT_EQ(splitter.Position(), 5000);
}

TEST(Splitter, LeftPaneKeepsItsWidthWhenResized) {
    CommandSink parent;
    Splitter splitter;
    splitter.Create(parent.Hwnd(), RECT{0, 0, 900, 400}, 0x56000000);
    HWND left = MakePane(splitter.Hwnd());
    HWND right = MakePane(splitter.Hwnd());
    splitter.SetPanes(left, right);
    splitter.SetPosition(320);
    EXPECT_EQ(ChildRect(left).right, 320);
    EXPECT_EQ(ChildRect(right).left, 320 + splitter.BarWidth());
    EXPECT_EQ(ChildRect(right).right, 900);

    MoveWindow(splitter.Hwnd(), 0, 0, 980, 300, TRUE);
    EXPECT_EQ(splitter.Position(), 320);
    EXPECT_EQ(ChildRect(left).right, 320);
    EXPECT_EQ(ChildRect(left).bottom, 300);
    EXPECT_EQ(ChildRect(right).right, 980);

    // Narrowing beyond the limit pulls the bar shown to the left, not the one kept.
    MoveWindow(splitter.Hwnd(), 0, 0, 610, 300, TRUE);
    EXPECT_EQ(splitter.DisplayPosition(), 610 - splitter.BarWidth() - 1 - 300);
    EXPECT_EQ(ChildRect(left).right, splitter.DisplayPosition());
    EXPECT_EQ(splitter.Position(), 320);
}

TEST(Splitter, ShrinkingAndMinimisingKeepTheUsersPosition) {
    CommandSink parent;
    Splitter splitter;
    splitter.Create(parent.Hwnd(), RECT{0, 0, 900, 400}, 0x56000000);
    HWND left = MakePane(splitter.Hwnd());
    HWND right = MakePane(splitter.Hwnd());
    splitter.SetPanes(left, right);
    splitter.SetPosition(420);
    const int bar = splitter.BarWidth();

    const struct {
        int width;
        int shownLeft;                        // width of the list pane on screen
    } steps[] = {{0, 0},                      // minimised: nothing to show
                 {610, 610 - bar - 1 - 300},  // narrower than both panes need
                 {284, (284 - bar) / 2},      // the frame's smallest: both panes share it
                 {1200, 420},                 // wide again: back where the user put it
                 {720, 720 - bar - 1 - 300},
                 {900, 420}};
    for (const auto& step : steps) {
        MoveWindow(splitter.Hwnd(), 0, 0, step.width, 300, TRUE);
        EXPECT_EQ(splitter.Position(), 420) << "width " << step.width;
        EXPECT_EQ(ChildRect(left).right, step.shownLeft) << "width " << step.width;
        if (step.width > 0) {
            EXPECT_GT(ChildRect(left).right, 0) << "width " << step.width << ": the list stays visible";
        }
    }
}

class ToolbarTest : public testing::Test {
  protected:
    void SetUp() override {
        normal = ImageList_Create(64, 64, ILC_COLOR32 | ILC_MASK, 8, 8);
        disabled = ImageList_Create(64, 64, ILC_COLOR32 | ILC_MASK, 8, 8);
        toolbar.Create(sink.Hwnd(), RECT{0, 0, 1000, 72}, normal, disabled);
        toolbar.AddButton(0, IDM_OPEN, 0, 64);
        toolbar.AddSeparator(0);
        toolbar.AddButton(0, IDM_EXTRACT_SELECTED, 1, 64);
        toolbar.AddButton(0, IDM_EXTRACT_ALL, 2, 64);
        toolbar.AddSeparator(0);
        toolbar.AddButton(0, IDM_ABOUT, 3, 64);
    }
    void TearDown() override {
        toolbar.Destroy();
        ImageList_Destroy(normal);
        ImageList_Destroy(disabled);
    }
    POINT CentreOf(size_t index) const {
        const RECT box = toolbar.ButtonBox(0, index);
        return POINT{(box.left + box.right) / 2, 30};
    }
    // Button messages carry the point where the mouse is, as real ones do.
    void Move(POINT p) {
        mouse = p;
        SendMessageW(toolbar.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    }
    void Down() { SendMessageW(toolbar.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(mouse.x, mouse.y)); }
    void Up() { SendMessageW(toolbar.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(mouse.x, mouse.y)); }
    void ClickWithoutMoving(POINT p) {
        mouse = p;
        Down();
        Up();
    }

    CommandSink sink;
    Toolbar toolbar;
    POINT mouse{-1, -1};
    HIMAGELIST normal = nullptr;
    HIMAGELIST disabled = nullptr;
};

TEST_F(ToolbarTest, LaysOutFrameButtonsAtTheirOffsets) {
    const auto& items = toolbar.Buttons(0);
    ASSERT_EQ(items.size(), 6u);
    const int offsets[] = {0, 70, 77, 147, 217, 224};
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].x, offsets[i]) << i;
    EXPECT_EQ(items[1].kindAndState, static_cast<UINT>(kToolbarSeparator));
    EXPECT_EQ(items[0].kindAndState, static_cast<UINT>(kToolbarImageButton | kToolbarEnabled));
    EXPECT_EQ(toolbar.GroupOrigin(0), Toolbar::kMargin);
    const RECT box = toolbar.ButtonBox(0, 2);
    EXPECT_EQ(box.left, 7 + 77 - 3);
    EXPECT_EQ(box.right, 7 + 77 + 64 + 3);
    wchar_t text[32] = L"";
    GetWindowTextW(toolbar.Hwnd(), text, 32);
    EXPECT_STREQ(text, L"Standart");
    EXPECT_EQ(SendMessageW(toolbar.Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 4);
}

TEST_F(ToolbarTest, CommandGoesToButtonUnderMouseOnRelease) {
    Move(CentreOf(0));
    Down();
    Move(CentreOf(5));
    Up();
    EXPECT_EQ(sink.commands, (std::vector<UINT>{IDM_ABOUT}));
    // A press and release over a separator, or off every button, sends nothing.
    Move(POINT{toolbar.GroupOrigin(0) + 71, 30});
    Down();
    Up();
    Move(POINT{900, 30});
    Down();
    Up();
    EXPECT_EQ(sink.commands.size(), 1u);
}

TEST_F(ToolbarTest, DisabledButtonSendsNothingAndStateMessagesSetBits) {
    SendMessageW(toolbar.Hwnd(), kToolbarSetEnabled, IDM_EXTRACT_ALL, 0);
    EXPECT_EQ(toolbar.FindButton(IDM_EXTRACT_ALL)->kindAndState & kToolbarEnabled, 0u);
    Move(CentreOf(3));
    Down();
    Up();
    EXPECT_TRUE(sink.commands.empty());
    SendMessageW(toolbar.Hwnd(), kToolbarSetEnabled, IDM_EXTRACT_ALL, 1);
    Down();
    Up();
    EXPECT_EQ(sink.commands, (std::vector<UINT>{IDM_EXTRACT_ALL}));

    SendMessageW(toolbar.Hwnd(), kToolbarSetChecked, IDM_OPEN, 1);
    SendMessageW(toolbar.Hwnd(), kToolbarSetState80, IDM_OPEN, 1);
    SendMessageW(toolbar.Hwnd(), kToolbarSetState40, IDM_OPEN, 1);
    EXPECT_EQ(toolbar.FindButton(IDM_OPEN)->kindAndState, 0xF1u);
    SendMessageW(toolbar.Hwnd(), kToolbarSetChecked, IDM_OPEN, 0);
    EXPECT_EQ(toolbar.FindButton(IDM_OPEN)->kindAndState, 0xD1u);
    EXPECT_EQ(toolbar.FindButton(12345), nullptr);
}

TEST_F(ToolbarTest, AClickWithoutAMouseMoveFindsItsOwnButton) {
    // A dialog opened from Open and closed again: the bar last saw the mouse over Open, and the
    // next click, over About, comes with no move in between (nor any at all for a fresh bar).
    ClickWithoutMoving(CentreOf(2));
    EXPECT_EQ(sink.commands, (std::vector<UINT>{IDM_EXTRACT_SELECTED}));
    Move(CentreOf(0));
    ClickWithoutMoving(CentreOf(5));
    EXPECT_EQ(sink.commands, (std::vector<UINT>{IDM_EXTRACT_SELECTED, IDM_ABOUT}));
    // Pressed off every button after hovering one: nothing.
    Move(CentreOf(3));
    ClickWithoutMoving(POINT{900, 30});
    EXPECT_EQ(sink.commands.size(), 2u);
}

TEST_F(ToolbarTest, ToolTextCanCarryTheShortcut) {
    toolbar.SetToolText(IDM_OPEN, L"Open File (Ctrl+O)");
    wchar_t text[80] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = toolbar.Hwnd();
    tool.uId = IDM_OPEN;
    tool.lpszText = text;
    SendMessageW(toolbar.Tooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Open File (Ctrl+O)");
}

TEST_F(ToolbarTest, LeavingTheBarEndsHotAndPressed) {
    Move(CentreOf(0));
    Down();
    SendMessageW(toolbar.Hwnd(), WM_MOUSELEAVE, 0, 0);
    Up();
    EXPECT_TRUE(sink.commands.empty());
}

}  // namespace
}  // namespace pictrove
