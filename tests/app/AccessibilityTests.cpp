// What a screen reader finds in the main window, asked through oleacc as a reader asks: names,
// roles, states and descriptions of the toolbar and its buttons, the list, the preview, the
// busy notice and the too-large note, and the events that tell a reader when they change.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppModule.h"
#include "app/MainFrame.h"
#include "app/MessageLoop.h"
#include "common/Handles.h"
#include "contracts/DocumentConditionContract.h"
#include "resources/ResourceIds.h"
#include "tests/support/FakeReader.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DWORD kLiveRegionChanged = 0x8019;

struct Event {
    DWORD event;
    HWND hwnd;
    LONG object;
    LONG child;
};
std::vector<Event> g_events;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) g_events.push_back({event, hwnd, object, child});
}

bool Raised(DWORD event, HWND hwnd, LONG child = CHILDID_SELF) {
    for (const Event& e : g_events) {
        if (e.event == event && e.hwnd == hwnd && e.child == child) return true;
    }
    return false;
}

struct Answer {
    std::wstring name;
    std::wstring description;
    LONG role = -1;
    LONG state = -1;
};

Answer Ask(HWND hwnd, LONG child) {
    Answer answer;
    ComPtr<IAccessible> accessible;
    if (!hwnd || FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                   reinterpret_cast<void**>(accessible.GetAddressOf())))) {
        return answer;
    }
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    BSTR text = nullptr;
    if (accessible->get_accName(id, &text) == S_OK && text) answer.name = text;
    SysFreeString(text);
    text = nullptr;
    if (accessible->get_accDescription(id, &text) == S_OK && text) answer.description = text;
    SysFreeString(text);
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(accessible->get_accRole(id, &value)) && value.vt == VT_I4) answer.role = value.lVal;
    VariantInit(&value);
    if (SUCCEEDED(accessible->get_accState(id, &value)) && value.vt == VT_I4) answer.state = value.lVal;
    return answer;
}

ComPtr<IUnknown> Pixels() {
    const std::vector<BYTE> rows{0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    ComPtr<IUnknown> image;
    image.Attach(static_cast<ReaderImage*>(FakeReaderImage::FromRows(kPixelBgr24, 2, 2, 8, 0, rows)));
    return image;
}

class AccessibilityTest : public testing::Test {
  protected:
    void SetUp() override {
        hook_ = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, RecordEvent, GetCurrentProcessId(), 0,
                                WINEVENT_OUTOFCONTEXT);
        g_events.clear();
        App().Init(GetModuleHandleW(nullptr), folder.Path());
        App().AddMessageLoop(&loop);
        frame = std::make_unique<MainFrame>();
        ASSERT_TRUE(frame->CreateMain());
        frame->ApplySettingsPlacement();
        ShowWindow(frame->Hwnd(), SW_SHOW);
        PumpMessages();
    }
    void TearDown() override {
        if (frame && frame->Hwnd()) SendMessageW(frame->Hwnd(), WM_CLOSE, 0, 0);
        PumpMessages();
        App().RemoveMessageLoop();
        App().Term();
        frame.reset();
        if (hook_) UnhookWinEvent(hook_);
    }
    void Show(int row) {
        HWND list = frame->List().Hwnd();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        PumpMessages();
        frame->OnIdle();
    }

    HWINEVENTHOOK hook_ = nullptr;
    TempFolder folder;
    MessageLoop loop;
    std::unique_ptr<MainFrame> frame;
};

TEST_F(AccessibilityTest, EveryElementHasANameARoleAndAState) {
    FakeReaderScript script;
    script.images = {{L"cover", 2, 2, Pixels()}, {L"vast scan", 40000, 30000, nullptr, kImageOverPixelLimit}};
    FakeReaderRegistration fake(kReaderClassIds[2], script);
    ASSERT_NE(frame->Preview(), nullptr);
    ASSERT_TRUE(frame->Open(L"C:\\Docs\\book.djvu"));
    HWND overlay = frame->Overlay().Hwnd();
    EXPECT_TRUE(Raised(kLiveRegionChanged, overlay)) << "the busy notice is announced as it appears";
    Show(1);
    HWND note = frame->Preview()->NoteWindow();
    ASSERT_TRUE(note);
    EXPECT_TRUE(Raised(kLiveRegionChanged, note)) << "the too-large note is announced as it appears";
    const std::wstring noteText = Ask(note, CHILDID_SELF).name;
    Show(0);
    HWND toolbar = frame->ToolbarWindow().Hwnd();
    HWND view = frame->Preview()->ControlWindow();
    EXPECT_TRUE(Raised(EVENT_OBJECT_DESCRIPTIONCHANGE, view)) << "a new picture is told";

    constexpr LONG kShown = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE;
    constexpr LONG kProxyRole = 0;
    const struct {
        const char* element;
        HWND hwnd;
        LONG child;
        std::wstring name;  // a part of it, for names that carry a shortcut
        LONG role;
        LONG stateMask;
        LONG state;
    } cases[] = {
        {"toolbar", toolbar, CHILDID_SELF, L"Standard", ROLE_SYSTEM_TOOLBAR, kShown, 0},
        {"Open button", toolbar, 1, L"Open File", ROLE_SYSTEM_PUSHBUTTON, kShown, 0},
        {"first separator", toolbar, 2, L"", ROLE_SYSTEM_SEPARATOR, 0, 0},
        {"Extract selected button", toolbar, 3, L"Extract selected items", ROLE_SYSTEM_PUSHBUTTON, kShown, 0},
        {"About button", toolbar, 6, L"Show about dialog", ROLE_SYSTEM_PUSHBUTTON, kShown, 0},
        // The role is the system proxy's: a list on Windows, a plain client area under Wine 8.
        {"image list", frame->List().Hwnd(), CHILDID_SELF, L"Images", kProxyRole, kShown, 0},
        {"preview", view, CHILDID_SELF, L"Preview", ROLE_SYSTEM_GRAPHIC, STATE_SYSTEM_FOCUSABLE | kShown,
         STATE_SYSTEM_FOCUSABLE},
        {"busy notice, hidden", overlay, CHILDID_SELF, L"Opening document", ROLE_SYSTEM_CLIENT, STATE_SYSTEM_INVISIBLE,
         STATE_SYSTEM_INVISIBLE},
    };
    for (const auto& c : cases) {
        const Answer answer = Ask(c.hwnd, c.child);
        EXPECT_NE(answer.name.find(c.name), std::wstring::npos) << c.element;
        EXPECT_EQ(answer.name.empty(), c.name.empty()) << c.element;
        if (c.role != kProxyRole) EXPECT_EQ(answer.role, c.role) << c.element;
        EXPECT_GT(answer.role, 0) << c.element;
        EXPECT_EQ(answer.state & c.stateMask, c.state) << c.element << " state " << answer.state;
    }
    EXPECT_NE(noteText.find(L"vast scan"), std::wstring::npos) << "the note is read by its text";
    EXPECT_EQ(Ask(view, CHILDID_SELF).description, L"cover, 2 \u00D7 2, 100 %");
    EXPECT_EQ(Ask(toolbar, 7).role, -1) << "no child beyond the last button";

    // A button greyed out is told, and said so when asked.
    g_events.clear();
    SendMessageW(toolbar, kToolbarSetEnabled, IDM_EXTRACT_SELECTED, FALSE);
    PumpMessages();  // events reach an out-of-context hook as messages
    EXPECT_TRUE(Raised(EVENT_OBJECT_STATECHANGE, toolbar, 3));
    EXPECT_EQ(Ask(toolbar, 3).state & STATE_SYSTEM_UNAVAILABLE, STATE_SYSTEM_UNAVAILABLE);

    // Zooming changes the description and says so.
    g_events.clear();
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    PumpMessages();
    EXPECT_TRUE(Raised(EVENT_OBJECT_DESCRIPTIONCHANGE, view));
    EXPECT_EQ(Ask(view, CHILDID_SELF).description, L"cover, 2 \u00D7 2, 125 %");
}

// The keyboard's button on the toolbar is told as it moves and answers as the focused one.
TEST_F(AccessibilityTest, TheToolbarsKeyboardPlaceIsToldAndFocused) {
    HWND toolbar = frame->ToolbarWindow().Hwnd();
    g_events.clear();
    SetFocus(toolbar);
    PumpMessages();
    EXPECT_TRUE(Raised(EVENT_OBJECT_FOCUS, toolbar, 1)) << "Open, where the keyboard starts";
    SendMessageW(toolbar, WM_KEYDOWN, VK_END, 0);
    PumpMessages();
    EXPECT_TRUE(Raised(EVENT_OBJECT_FOCUS, toolbar, 6)) << "About";
    EXPECT_EQ(Ask(toolbar, 6).state & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE),
              STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE);
    EXPECT_EQ(Ask(toolbar, 1).state & STATE_SYSTEM_FOCUSED, 0);
    SetFocus(frame->List().Hwnd());
    EXPECT_EQ(Ask(toolbar, 6).state & STATE_SYSTEM_FOCUSED, 0) << "only while the bar has the focus";
}

// The view draws a dotted frame inside its edge while it has the focus, and none without it.
TEST_F(AccessibilityTest, PreviewDrawsAFocusFrameOnlyWithTheFocus) {
    ASSERT_NE(frame->Preview(), nullptr);
    HWND view = frame->Preview()->ControlWindow();
    RECT client{};
    GetClientRect(view, &client);
    ASSERT_GT(client.right, 8);
    const auto edgeRow = [&](bool focused) {
        SetFocus(focused ? view : frame->List().Hwnd());
        PumpMessages();
        EXPECT_EQ(GetFocus() == view, focused);
        ScopedGetDC screen(nullptr);
        UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
        ScopedSelectObject select(memory.Get(), bitmap.Get());
        SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
        std::vector<COLORREF> row;
        for (int x = 2; x < client.right - 2; ++x) row.push_back(GetPixel(memory.Get(), x, 1));
        return row;
    };
    const std::vector<COLORREF> plain = edgeRow(false);
    const std::vector<COLORREF> framed = edgeRow(true);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    int marked = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(plain[i], window) << "x " << i + 2;
        marked += framed[i] != window;
    }
    EXPECT_GT(marked, static_cast<int>(plain.size()) / 3) << "a dotted line along the top";
}

}  // namespace
}  // namespace pictrove::test
