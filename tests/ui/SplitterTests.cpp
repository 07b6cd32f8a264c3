// The splitter's limits, its fixed left pane, and the user's position kept through resizing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Splitter.h"

namespace pictrove::test {
namespace {

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

TEST(Splitter, TheKeyboardMovesKeepsAndUndoesTheBar) {
    CommandSink parent;
    Splitter splitter;
    splitter.Create(parent.Hwnd(), RECT{0, 0, 900, 400}, 0x56000000);
    HWND left = MakePane(splitter.Hwnd());
    HWND right = MakePane(splitter.Hwnd());
    splitter.SetPanes(left, right);
    splitter.SetPosition(400);
    const int upper = 900 - splitter.BarWidth() - 1 - 300;
    SetFocus(splitter.Hwnd());
    const struct {
        UINT key;
        bool ctrl;
        int shown;
    } steps[] = {
        {VK_RIGHT, false, 408},  {VK_RIGHT, true, 409}, {VK_LEFT, false, 401},
        {VK_RETURN, false, 401}, {VK_LEFT, false, 393}, {VK_ESCAPE, false, 401},  // back to the position Enter kept
        {VK_UP, false, 401},                                                      // not an arrow of this bar
    };
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    for (const auto& step : steps) {
        BYTE held[256];
        memcpy(held, keys, sizeof(held));
        held[VK_CONTROL] = step.ctrl ? 0x80 : 0;
        SetKeyboardState(held);
        SendMessageW(splitter.Hwnd(), WM_KEYDOWN, step.key, 1);
        SetKeyboardState(keys);
        EXPECT_EQ(splitter.DisplayPosition(), step.shown) << "key " << step.key;
        EXPECT_EQ(ChildRect(left).right, step.shown) << "key " << step.key;
    }
    for (int i = 0; i < 100; ++i) SendMessageW(splitter.Hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(splitter.DisplayPosition(), upper) << "the keyboard keeps to the limits too";
    SetFocus(parent.Hwnd());
    EXPECT_EQ(splitter.Position(), 401) << "leaving with a move not kept takes it back";
    EXPECT_EQ(ChildRect(left).right, 401);
}

}  // namespace
}  // namespace pictrove::test
