// The window framework's message routing, in message sequences: every handler of real windows
// records what it saw, and each case compares the record with its expected sequence (as Wine's
// ok_sequence does): the table's rows in their order, handled=false passing a message on, chained
// targets, notifications reflected back to the child that sent them, and WM_NCDESTROY ending the
// object's tie to its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "ui/MessageMap.h"
#include "ui/Window.h"

namespace pictrove::test {
namespace {

// Messages of the cases (private to the window class, so the system sends none of them).
constexpr UINT kTwoRowsBothTake = WM_APP + 1;
constexpr UINT kFirstRowDeclines = WM_APP + 2;
constexpr UINT kOnlyTheChainTakes = WM_APP + 3;
constexpr UINT kNobodyTakes = WM_APP + 4;

constexpr UINT kOwnerCommand = 101;
constexpr UINT kChildCommand = 102;
constexpr int kChildNotification = -901;
constexpr int kChainNotification = -902;

// One message as a handler saw it. detail: the command id, the notification code or the
// owner-drawn control id; 0 for other messages.
struct Seen {
    std::string who;
    UINT message = 0;
    int detail = 0;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> g_seen;

int DetailOf(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT original = message >= kReflectBase ? message - kReflectBase : message;
    switch (original) {
        case WM_COMMAND:
            return LOWORD(wParam);
        case WM_NOTIFY:
            return static_cast<int>(reinterpret_cast<const NMHDR*>(lParam)->code);
        case WM_DRAWITEM:
            return static_cast<int>(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlID);
        default:
            return 0;
    }
}

void Record(const char* who, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({who, message, DetailOf(message, wParam, lParam)});
}

std::string MessageName(UINT message) {
    struct Named {
        UINT message;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {WM_COMMAND, "WM_COMMAND"},
        {WM_NOTIFY, "WM_NOTIFY"},
        {WM_DRAWITEM, "WM_DRAWITEM"},
        {WM_SETTEXT, "WM_SETTEXT"},
        {WM_DESTROY, "WM_DESTROY"},
        {WM_NCDESTROY, "WM_NCDESTROY"},
        {kTwoRowsBothTake, "kTwoRowsBothTake"},
        {kFirstRowDeclines, "kFirstRowDeclines"},
        {kOnlyTheChainTakes, "kOnlyTheChainTakes"},
        {kNobodyTakes, "kNobodyTakes"},
    };
    const bool reflected = message >= kReflectBase && message < kReflectBase + 0x400;
    const UINT original = reflected ? message - kReflectBase : message;
    for (const Named& named : kNames) {
        if (named.message == original) return reflected ? std::string("reflected ") + named.name : named.name;
    }
    return "message " + std::to_string(message);
}

std::string Describe(std::span<const Seen> sequence) {
    std::ostringstream text;
    for (const Seen& seen : sequence) {
        text << "\n    " << seen.who << ": " << MessageName(seen.message);
        if (seen.detail != 0) text << " (" << seen.detail << ")";
    }
    return sequence.empty() ? "\n    (nothing)" : text.str();
}

// Compares what the handlers saw since the last check with the expected sequence, then starts a
// new record.
void ExpectSequence(std::span<const Seen> expected, const char* label) {
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), g_seen.begin(), g_seen.end()))
        << label << "\n  expected:" << Describe(expected) << "\n  seen:" << Describe(g_seen);
    g_seen.clear();
}

// A handler object chained behind the owner's table: it takes kOnlyTheChainTakes and its own
// notification, and records every message of the cases that reaches it.
class ChainedHandler : public MessageTarget {
  public:
    bool ProcessMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case kTwoRowsBothTake:
            case kFirstRowDeclines:
            case kNobodyTakes:
            case WM_COMMAND:
            case WM_DRAWITEM:
            case WM_SETTEXT:
                Record("chained", message, wParam, lParam);
                return false;
            case kOnlyTheChainTakes:
                Record("chained", message, wParam, lParam);
                result = 42;
                return true;
            case WM_NOTIFY:
                Record("chained", message, wParam, lParam);
                if (reinterpret_cast<const NMHDR*>(lParam)->code != static_cast<UINT>(kChainNotification)) return false;
                result = 43;
                return true;
            default:
                return false;
        }
    }
};

class Owner : public WindowImpl<Owner> {
  public:
    static constexpr wchar_t kClassName[] = L"PictroveMessageMapOwner";
    bool takeSetText = false;

    Owner() {
        RegisterWindowClassOnce(kClassName, StandardWindowProc, 0, nullptr, nullptr);
        Chain().Chain(&chained);
    }
    HWND Make() { return Create(kClassName, nullptr, L"owner", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 200, 100}); }

    static std::span<const MessageEntry<Owner>> MessageTable() {
        static constexpr MessageEntry<Owner> kTable[] = {
            OnMessage<Owner>(kTwoRowsBothTake, &Owner::OnFirstRowTakes),
            OnMessage<Owner>(kFirstRowDeclines, &Owner::OnFirstRowDeclines),
            OnMessage<Owner>(kTwoRowsBothTake, &Owner::OnSecondRowTakes),
            OnMessage<Owner>(kFirstRowDeclines, &Owner::OnSecondRowTakes),
            OnMessage<Owner>(kOnlyTheChainTakes, &Owner::OnFirstRowDeclines),
            OnMessage<Owner>(kNobodyTakes, &Owner::OnFirstRowDeclines),
            OnMessage<Owner>(WM_SETTEXT, &Owner::OnSetText),
            OnCommand<Owner>(kOwnerCommand, &Owner::OnOwnCommand),
            OnMessage<Owner>(WM_DESTROY, &Owner::OnDestroying),
            OnMessage<Owner>(WM_NCDESTROY, &Owner::OnDestroying),
        };
        return kTable;
    }

    ChainedHandler chained;
    HWND hwndAtFinalMessage = reinterpret_cast<HWND>(1);
    LONG_PTR userDataAtFinalMessage = 1;

  protected:
    void OnFinalMessage() override {
        Record("owner final", 0, 0, 0);
        hwndAtFinalMessage = Hwnd();
        userDataAtFinalMessage = GetWindowLongPtrW(lastHwnd_, GWLP_USERDATA);
    }

  private:
    LRESULT OnFirstRowTakes(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        Record("owner row 1", message, wParam, lParam);
        return 11;
    }
    LRESULT OnFirstRowDeclines(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        Record("owner row 1", message, wParam, lParam);
        handled = false;
        return 0;
    }
    LRESULT OnSecondRowTakes(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        Record("owner row 2", message, wParam, lParam);
        return 12;
    }
    LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        Record("owner", message, wParam, lParam);
        handled = takeSetText;
        return TRUE;
    }
    LRESULT OnOwnCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        Record("owner", message, wParam, lParam);
        return 0;
    }
    LRESULT OnDestroying(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        Record(Hwnd() ? "owner" : "owner without hwnd", message, wParam, lParam);
        lastHwnd_ = Hwnd();
        handled = false;
        return 0;
    }

    HWND lastHwnd_ = nullptr;
};

// A child control that answers the notifications its parent reflects back to it.
class Child : public WindowImpl<Child> {
  public:
    static constexpr wchar_t kClassName[] = L"PictroveMessageMapChild";
    HWND Make(HWND parent) {
        RegisterWindowClassOnce(kClassName, StandardWindowProc, 0, nullptr, nullptr);
        return Create(kClassName, parent, L"", WS_CHILD | WS_VISIBLE, 0, RECT{0, 0, 50, 20},
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kChildCommand)));
    }

    static std::span<const MessageEntry<Child>> MessageTable() {
        static constexpr MessageEntry<Child> kTable[] = {
            OnMessage<Child>(kReflectBase + WM_COMMAND, &Child::OnReflected),
            OnReflectedNotify<Child>(kChildNotification, &Child::OnReflected),
            OnMessage<Child>(kReflectBase + WM_DRAWITEM, &Child::OnReflected),
            OnMessage<Child>(WM_DESTROY, &Child::OnDestroying),
            OnMessage<Child>(WM_NCDESTROY, &Child::OnDestroying),
        };
        return kTable;
    }

  protected:
    void OnFinalMessage() override { Record(Hwnd() ? "child final with hwnd" : "child final", 0, 0, 0); }

  private:
    LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
        Record("child", message, wParam, lParam);
        return 77;
    }
    LRESULT OnDestroying(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        Record("child", message, wParam, lParam);
        handled = false;
        return 0;
    }
};

class MessageMapTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(owner.Make(), nullptr);
        ASSERT_NE(child.Make(owner.Hwnd()), nullptr);
        g_seen.clear();
    }
    void TearDown() override { g_seen.clear(); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(owner.Hwnd(), message, wParam, lParam);
    }
    LRESULT SendCommandFromChild(UINT id) {
        return Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(child.Hwnd()));
    }
    LRESULT SendNotifyFromChild(int code) {
        NMHDR header{child.Hwnd(), kChildCommand, static_cast<UINT>(code)};
        return Send(WM_NOTIFY, kChildCommand, reinterpret_cast<LPARAM>(&header));
    }
    LRESULT SendDrawItemFromChild(UINT controlType) {
        DRAWITEMSTRUCT item{};
        item.CtlType = controlType;
        item.CtlID = kChildCommand;
        item.hwndItem = child.Hwnd();
        return Send(WM_DRAWITEM, controlType == ODT_MENU ? 0 : kChildCommand, reinterpret_cast<LPARAM>(&item));
    }

    Owner owner;
    Child child;
};

TEST_F(MessageMapTest, RowsAreTriedInTableOrderAndTheFirstThatTakesAMessageEndsIt) {
    EXPECT_EQ(Send(kTwoRowsBothTake), 11);
    static const Seen kExpected[] = {{"owner row 1", kTwoRowsBothTake}};
    ExpectSequence(kExpected, "two rows that both take a message");
}

TEST_F(MessageMapTest, HandledFalsePassesTheMessageOnToTheNextRow) {
    EXPECT_EQ(Send(kFirstRowDeclines), 12);
    static const Seen kExpected[] = {{"owner row 1", kFirstRowDeclines}, {"owner row 2", kFirstRowDeclines}};
    ExpectSequence(kExpected, "the first row declines, the second takes");
}

TEST_F(MessageMapTest, AChainedTargetGetsWhatTheTableDoesNotTake) {
    EXPECT_EQ(Send(kOnlyTheChainTakes), 42);
    static const Seen kExpected[] = {{"owner row 1", kOnlyTheChainTakes}, {"chained", kOnlyTheChainTakes}};
    ExpectSequence(kExpected, "declined by the table, taken by the chain");

    // What the table takes never reaches the chain.
    SendCommandFromChild(kOwnerCommand);
    static const Seen kOwnCommand[] = {{"owner", WM_COMMAND, kOwnerCommand}};
    ExpectSequence(kOwnCommand, "the owner's own command");

    owner.Chain().Unchain(&owner.chained);
    EXPECT_EQ(Send(kOnlyTheChainTakes), 0);
    static const Seen kUnchained[] = {{"owner row 1", kOnlyTheChainTakes}};
    ExpectSequence(kUnchained, "after Unchain");
}

TEST_F(MessageMapTest, WhatNobodyTakesGoesToDefaultProcessing) {
    EXPECT_EQ(Send(kNobodyTakes), 0);
    static const Seen kExpected[] = {{"owner row 1", kNobodyTakes}, {"chained", kNobodyTakes}};
    ExpectSequence(kExpected, "a private message nobody takes");

    // DefWindowProc's work shows: it sets the caption only when the message came through.
    struct Case {
        bool take;
        const wchar_t* caption;
        const wchar_t* expected;
    } cases[] = {{false, L"passed on", L"passed on"}, {true, L"taken", L"passed on"}};
    for (const Case& c : cases) {
        owner.takeSetText = c.take;
        SetWindowTextW(owner.Hwnd(), c.caption);
        wchar_t caption[32] = L"";
        GetWindowTextW(owner.Hwnd(), caption, 32);
        EXPECT_STREQ(caption, c.expected) << "WM_SETTEXT " << (c.take ? "taken" : "declined") << " by the owner";
    }
    static const Seen kSetText[] = {
        {"owner", WM_SETTEXT},
        {"chained", WM_SETTEXT},  // declined: on to the chain and DefWindowProc
        {"owner", WM_SETTEXT},    // taken: nothing further
    };
    ExpectSequence(kSetText, "WM_SETTEXT declined, then taken");
}

TEST_F(MessageMapTest, NotificationsNobodyTakesAreReflectedToTheChildThatSentThem) {
    owner.Chain().SetReflectNotifications(true);
    EXPECT_EQ(SendCommandFromChild(kChildCommand), 77);
    EXPECT_EQ(SendNotifyFromChild(kChildNotification), 77);
    EXPECT_EQ(SendDrawItemFromChild(ODT_BUTTON), 77);
    static const Seen kExpected[] = {
        {"chained", WM_COMMAND, kChildCommand},     {"child", kReflectBase + WM_COMMAND, kChildCommand},
        {"chained", WM_NOTIFY, kChildNotification}, {"child", kReflectBase + WM_NOTIFY, kChildNotification},
        {"chained", WM_DRAWITEM, kChildCommand},    {"child", kReflectBase + WM_DRAWITEM, kChildCommand},
    };
    ExpectSequence(kExpected, "command, notification and owner-drawn item from the child");

    // A chained target that takes a notification keeps it; menu items have no child to go back to.
    EXPECT_EQ(SendNotifyFromChild(kChainNotification), 43);
    SendDrawItemFromChild(ODT_MENU);
    static const Seen kNotReflected[] = {
        {"chained", WM_NOTIFY, kChainNotification},
        {"chained", WM_DRAWITEM, kChildCommand},
    };
    ExpectSequence(kNotReflected, "taken by the chain; a menu item");
}

TEST_F(MessageMapTest, WithoutReflectionTheChildHearsNothing) {
    SendCommandFromChild(kChildCommand);
    SendNotifyFromChild(kChildNotification);
    static const Seen kExpected[] = {
        {"chained", WM_COMMAND, kChildCommand},
        {"chained", WM_NOTIFY, kChildNotification},
    };
    ExpectSequence(kExpected, "reflection off");
}

TEST_F(MessageMapTest, NcDestroyEndsTheObjectsTieToItsWindow) {
    const HWND hwnd = owner.Hwnd();
    DestroyWindow(hwnd);
    // The parent hears WM_DESTROY first; the child's WM_NCDESTROY comes before the parent's.
    static const Seen kExpected[] = {
        {"owner", WM_DESTROY}, {"child", WM_DESTROY},   {"child", WM_NCDESTROY},
        {"child final"},       {"owner", WM_NCDESTROY}, {"owner final"},
    };
    ExpectSequence(kExpected, "destroying the owner and its child");
    EXPECT_EQ(owner.Hwnd(), nullptr);
    EXPECT_EQ(child.Hwnd(), nullptr);
    EXPECT_EQ(owner.hwndAtFinalMessage, nullptr) << "cleared before OnFinalMessage";
    EXPECT_EQ(owner.userDataAtFinalMessage, 0) << "the window no longer leads to the object";
    EXPECT_FALSE(IsWindow(hwnd));

    // The object is free for a new window, which it serves like the first.
    ASSERT_NE(owner.Make(), nullptr);
    EXPECT_EQ(Send(kFirstRowDeclines), 12);
    static const Seen kAgain[] = {{"owner row 1", kFirstRowDeclines}, {"owner row 2", kFirstRowDeclines}};
    ExpectSequence(kAgain, "a second window of the same object");
}

}  // namespace
}  // namespace pictrove::test
