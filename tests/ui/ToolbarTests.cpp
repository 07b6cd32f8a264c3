// The toolbar: its layout, states and commands, and its painting read back from the screen
// (gradient, hot, pressed and checked boxes, the lifted image and its shadow, grey disabled
// images, separators, and new system colours).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "resources/ResourceIds.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Toolbar.h"

namespace pictrove::test {
namespace {

constexpr COLORREF kKey = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kRed = RGB(220, 20, 20);
constexpr COLORREF kGrey = RGB(90, 90, 90);
// Each test picture is a 20 x 20 square at (22, 22) on the transparent key colour.
constexpr int kSquare = 22;

HBITMAP SquarePicture(COLORREF square) {
    ScopedGetDC screen(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), 64, 64);
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    ScopedSelectObject select(dc.Get(), bitmap);
    UniqueBrush key(CreateSolidBrush(kKey));
    UniqueBrush fill(CreateSolidBrush(square));
    const RECT all{0, 0, 64, 64};
    const RECT box{kSquare, kSquare, kSquare + 20, kSquare + 20};
    FillRect(dc.Get(), &all, key.Get());
    FillRect(dc.Get(), &box, fill.Get());
    return bitmap;
}

class ToolbarPaintTest : public testing::Test {
  protected:
    void SetUp() override {
        normal = ImageList_Create(64, 64, ILC_COLOR32 | ILC_MASK, 8, 8);
        disabled = ImageList_Create(64, 64, ILC_COLOR32 | ILC_MASK, 8, 8);
        for (int i = 0; i < 4; ++i) {
            UniqueBitmap red(SquarePicture(kRed));
            UniqueBitmap grey(SquarePicture(kGrey));
            ImageList_AddMasked(normal, red.Get(), kKey);
            ImageList_AddMasked(disabled, grey.Get(), kKey);
        }
        toolbar.Create(host.Hwnd(), RECT{0, 0, 960, 72}, normal, disabled);
        toolbar.AddButton(0, IDM_OPEN, 0, 64);
        toolbar.AddSeparator(0);
        toolbar.AddButton(0, IDM_EXTRACT_SELECTED, 1, 64);
        toolbar.AddButton(0, IDM_EXTRACT_ALL, 2, 64);
        toolbar.AddSeparator(0);
        toolbar.AddButton(0, IDM_ABOUT, 3, 64);
        colors = toolbar.Colors();
        Shot();
    }
    void TearDown() override {
        toolbar.Destroy();
        ImageList_Destroy(normal);
        ImageList_Destroy(disabled);
    }
    Pixels Shot() {
        RedrawWindow(toolbar.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessages();
        return CaptureWindow(toolbar.Hwnd());
    }
    // What a hot change repaints at once, without a full repaint.
    Pixels Screen() { return CaptureWindow(toolbar.Hwnd()); }
    void Move(size_t index) {
        const RECT box = toolbar.ButtonBox(0, index);
        SendMessageW(toolbar.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM((box.left + box.right) / 2, 30));
    }
    // Left edge of a button's picture.
    int ImageLeft(size_t index) const { return toolbar.GroupOrigin(0) + toolbar.Buttons(0)[index].x; }

    TestHost host;
    Toolbar toolbar;
    HIMAGELIST normal = nullptr;
    HIMAGELIST disabled = nullptr;
    ToolbarColors colors;
};

int Brightness(COLORREF c) {
    return GetRValue(c) + GetGValue(c) + GetBValue(c);
}

bool Near(COLORREF a, Rgb b, int tolerance) {
    return std::abs(GetRValue(a) - b.red) <= tolerance && std::abs(GetGValue(a) - b.green) <= tolerance &&
           std::abs(GetBValue(a) - b.blue) <= tolerance;
}

TEST_F(ToolbarPaintTest, BackgroundIsAVerticalGradientFromLightToBase) {
    const Pixels p = Shot();
    ASSERT_EQ(p.height, 72);
    const int x = 900;  // right of every button
    EXPECT_TRUE(Near(p.At(x, 0), colors.barTop, 1));
    EXPECT_TRUE(Near(p.At(x, 71), colors.barBase, 2));
    EXPECT_GT(Brightness(p.At(x, 0)), Brightness(p.At(x, 71)));
    for (int y = 1; y < 72; ++y) EXPECT_LE(Brightness(p.At(x, y)), Brightness(p.At(x, y - 1))) << y;
    for (int y : {0, 35, 71}) EXPECT_EQ(p.At(x, y), p.At(400, y)) << "rows are uniform, row " << y;
    // The pictures of idle buttons sit on the gradient, 4 pixels below the top.
    const int left = ImageLeft(2);
    EXPECT_EQ(p.At(left + kSquare, 4 + kSquare), kRed);
    EXPECT_EQ(p.At(left + kSquare - 1, 4 + kSquare), p.At(x, 4 + kSquare));
    EXPECT_EQ(p.At(left + kSquare, 4 + kSquare - 1), p.At(x, 4 + kSquare - 1));
}

TEST_F(ToolbarPaintTest, SeparatorIsAOnePixelLineInTheSeparatorColour) {
    const Pixels p = Shot();
    const int x = toolbar.GroupOrigin(0) + toolbar.Buttons(0)[1].x + 1;
    const COLORREF line = colors.separator.ToColorRef();
    for (int y : {1, 30, 70}) EXPECT_EQ(p.At(x, y), line) << y;
    EXPECT_NE(p.At(x, 0), line);
    EXPECT_NE(p.At(x, 71), line);
    EXPECT_NE(p.At(x - 1, 30), line);
    EXPECT_NE(p.At(x + 1, 30), line);
}

TEST_F(ToolbarPaintTest, HotButtonHasFrameFillAndLiftedImageWithShadow) {
    Move(0);
    const Pixels p = Screen();
    const RECT box = toolbar.ButtonBox(0, 0);
    const COLORREF frame = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(colors.frame.ToColorRef(), frame);
    EXPECT_EQ(p.At(box.left, 30), frame);
    EXPECT_EQ(p.At(box.right - 1, 30), frame);
    EXPECT_EQ(p.At(box.left + 10, 1), frame);
    EXPECT_EQ(p.At(box.left + 10, 70), frame);
    EXPECT_NE(p.At(box.left + 10, 0), frame) << "the frame leaves the top row to the gradient";
    EXPECT_NE(p.At(box.left + 10, 71), frame);
    EXPECT_EQ(p.At(box.left + 1, 30), colors.hotFill.ToColorRef());
    EXPECT_EQ(p.At(box.left + 10, 60), colors.hotFill.ToColorRef());

    // The picture moves one pixel up and left; its silhouette lies one pixel down and right.
    const int left = ImageLeft(0), top = 4;
    EXPECT_EQ(p.At(left + kSquare - 1, top + kSquare - 1), kRed);
    EXPECT_EQ(p.At(left + kSquare + 18, top + kSquare + 18), kRed);
    EXPECT_EQ(p.At(left + kSquare + 20, top + kSquare + 20), colors.imageShadow.ToColorRef());
    EXPECT_EQ(p.At(left + kSquare + 20, top + kSquare + 5), colors.imageShadow.ToColorRef());
    EXPECT_EQ(p.At(left + kSquare - 2, top + kSquare + 5), colors.hotFill.ToColorRef());
    EXPECT_EQ(p.At(left + 5, top + 5), colors.hotFill.ToColorRef()) << "no shadow where the picture is transparent";

    // Leaving repaints it idle: no frame, picture back in place.
    SendMessageW(toolbar.Hwnd(), WM_MOUSELEAVE, 0, 0);
    const Pixels idle = Screen();
    EXPECT_EQ(idle.At(box.left, 30), idle.At(900, 30));
    EXPECT_EQ(idle.At(left + kSquare - 1, top + kSquare - 1), idle.At(900, top + kSquare - 1));
    EXPECT_EQ(idle.At(left + kSquare, top + kSquare), kRed);
}

TEST_F(ToolbarPaintTest, PressedButtonUsesThePressedFillAndAnUnliftedImage) {
    Move(2);
    // A real press carries the point where the mouse is: over the button just entered.
    const RECT box = toolbar.ButtonBox(0, 2);
    const LPARAM point = MAKELPARAM((box.left + box.right) / 2, 30);
    SendMessageW(toolbar.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    const Pixels p = Screen();
    EXPECT_EQ(p.At(box.left, 30), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(p.At(box.left + 1, 30), colors.pressedFill.ToColorRef());
    const int left = ImageLeft(2), top = 4;
    EXPECT_EQ(p.At(left + kSquare, top + kSquare), kRed);
    EXPECT_EQ(p.At(left + kSquare - 1, top + kSquare - 1), colors.pressedFill.ToColorRef());
    EXPECT_EQ(p.At(left + kSquare + 20, top + kSquare + 20), colors.pressedFill.ToColorRef()) << "no shadow";
    SendMessageW(toolbar.Hwnd(), WM_LBUTTONUP, 0, point);
    EXPECT_EQ(host.commands, (std::vector<UINT>{IDM_EXTRACT_SELECTED}));
}

TEST_F(ToolbarPaintTest, DisabledButtonShowsGreyImageAndNoFillEvenWhenHot) {
    SendMessageW(toolbar.Hwnd(), kToolbarSetEnabled, IDM_OPEN, 0);
    SendMessageW(toolbar.Hwnd(), kToolbarSetChecked, IDM_OPEN, 1);
    Move(0);
    const RECT box = toolbar.ButtonBox(0, 0);
    const LPARAM point = MAKELPARAM((box.left + box.right) / 2, 30);
    SendMessageW(toolbar.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    const Pixels p = Screen();
    for (int y : {1, 30, 70}) {
        EXPECT_EQ(p.At(box.left, y), p.At(900, y)) << y;
        EXPECT_EQ(p.At(box.left + 1, y), p.At(900, y)) << y;
    }
    const int left = ImageLeft(0), top = 4;
    EXPECT_EQ(p.At(left + kSquare, top + kSquare), kGrey);
    EXPECT_EQ(p.At(left + kSquare + 19, top + kSquare + 19), kGrey);
    EXPECT_EQ(p.At(left + kSquare - 1, top + kSquare), p.At(900, top + kSquare));
    SendMessageW(toolbar.Hwnd(), WM_LBUTTONUP, 0, point);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ToolbarPaintTest, CheckedButtonHasTheCheckedFillUntilItIsHot) {
    SendMessageW(toolbar.Hwnd(), kToolbarSetChecked, IDM_ABOUT, 1);
    const RECT box = toolbar.ButtonBox(0, 5);
    Pixels p = Screen();
    EXPECT_EQ(p.At(box.left, 30), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(p.At(box.left + 1, 30), colors.checkedFill.ToColorRef());
    EXPECT_EQ(p.At(ImageLeft(5) + kSquare, 4 + kSquare), kRed);
    Move(5);
    p = Screen();
    EXPECT_EQ(p.At(box.left + 1, 30), colors.hotFill.ToColorRef());
    // Moving on repaints only the old and the new hot button.
    Move(3);
    p = Screen();
    EXPECT_EQ(p.At(box.left + 1, 30), colors.checkedFill.ToColorRef());
    EXPECT_EQ(p.At(toolbar.ButtonBox(0, 3).left + 1, 30), colors.hotFill.ToColorRef());
}

TEST_F(ToolbarPaintTest, NewSystemColoursRepaintTheBar) {
    const COLORREF before = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF changed = before == RGB(200, 0, 0) ? RGB(0, 160, 0) : RGB(200, 0, 0);
    const ToolbarColors old = colors;
    {
        ScopedSysColor highlight(COLOR_HIGHLIGHT, changed);
        EXPECT_EQ(toolbar.Colors().frame, old.frame) << "nothing changes before the bar is told";
        SendMessageW(toolbar.Hwnd(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(toolbar.Colors().frame.ToColorRef(), changed);
        EXPECT_NE(toolbar.Colors().hotFill, old.hotFill);
        EXPECT_NE(toolbar.Colors().pressedFill, old.pressedFill);
        EXPECT_EQ(toolbar.Colors().barBase, old.barBase) << "the face colour did not change";
        Move(0);
        const Pixels p = Screen();
        const RECT box = toolbar.ButtonBox(0, 0);
        EXPECT_EQ(p.At(box.left, 30), changed);
        EXPECT_EQ(p.At(box.left + 1, 30), toolbar.Colors().hotFill.ToColorRef());
        SendMessageW(toolbar.Hwnd(), WM_MOUSELEAVE, 0, 0);
    }
    SendMessageW(toolbar.Hwnd(), WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(toolbar.Colors().frame, old.frame);
    EXPECT_EQ(toolbar.Colors().hotFill, old.hotFill);
}

}  // namespace
}  // namespace pictrove::test

namespace pictrove::test {
namespace {

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

TEST_F(ToolbarTest, TheKeyboardWalksTheEnabledButtonsAndPressesThem) {
    SendMessageW(toolbar.Hwnd(), kToolbarSetEnabled, IDM_EXTRACT_SELECTED, 0);
    HWND before =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 100, 50, 20, sink.Hwnd(), nullptr, nullptr, nullptr);
    SetFocus(before);
    SetFocus(toolbar.Hwnd());
    sink.commands.clear();  // the edit's focus notifications
    EXPECT_EQ(toolbar.FocusedCommand(), static_cast<UINT>(IDM_OPEN)) << "the first button takes the focus";
    const struct {
        UINT key;
        UINT focused;
        std::vector<UINT> commands;
    } steps[] = {
        {VK_RIGHT, IDM_EXTRACT_ALL, {}},  // the disabled button is passed over
        {VK_RIGHT, IDM_ABOUT, {}},
        {VK_RIGHT, IDM_OPEN, {}},  // round to the first
        {VK_LEFT, IDM_ABOUT, {}},
        {VK_HOME, IDM_OPEN, {}},
        {VK_END, IDM_ABOUT, {}},
        {VK_UP, IDM_EXTRACT_ALL, {}},
        {VK_RETURN, IDM_EXTRACT_ALL, {IDM_EXTRACT_ALL}},
        {VK_SPACE, IDM_EXTRACT_ALL, {IDM_EXTRACT_ALL, IDM_EXTRACT_ALL}},
    };
    for (const auto& step : steps) {
        SendMessageW(toolbar.Hwnd(), WM_KEYDOWN, step.key, 1);
        EXPECT_EQ(toolbar.FocusedCommand(), step.focused) << "key " << step.key;
        EXPECT_EQ(sink.commands, step.commands) << "key " << step.key;
    }
    EXPECT_EQ(SendMessageW(toolbar.Hwnd(), WM_GETDLGCODE, 0, 0) & DLGC_WANTARROWS, DLGC_WANTARROWS);
    SendMessageW(toolbar.Hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(GetFocus(), before) << "Escape gives the focus back";
    DestroyWindow(before);
}

TEST_F(ToolbarPaintTest, TheFocusedButtonShowsAsHotOnlyWhileTheBarHasTheFocus) {
    const RECT box = toolbar.ButtonBox(0, 0);
    const int x = box.left + 4, y = 10;  // inside the box, clear of the picture and the dots
    EXPECT_NE(Shot().At(x, y), colors.hotFill.ToColorRef());
    SetFocus(toolbar.Hwnd());
    PumpMessages();
    Pixels focused = Screen();
    EXPECT_EQ(focused.At(x, y), colors.hotFill.ToColorRef());
    EXPECT_EQ(focused.At(box.left, 30), colors.frame.ToColorRef());
    SetFocus(host.Hwnd());
    PumpMessages();
    EXPECT_NE(Screen().At(x, y), colors.hotFill.ToColorRef()) << "the cue goes with the focus";
}

}  // namespace
}  // namespace pictrove::test
