// Message tables for our windows and dialogs: each class lists its handlers once, in the order
// they are tried; unhandled messages go to chained targets, then notifications are reflected
// back to the child control that sent them.
#pragma once

#include <windows.h>
#include <span>
#include <vector>

namespace pictrove {

// Reflected notifications arrive at the child as kReflectBase + the original message.
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

class MessageTarget {
  public:
    virtual ~MessageTarget() = default;
    // Returns true when the message was handled; result is then the window procedure's answer.
    virtual bool ProcessMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

enum class EntryKind { kMessage, kCommand, kNotify, kReflectedNotify };

// One row of a message table. A handler gets the message as it came and sets handled to false
// to let the next row (or default processing) have it.
template <class T>
struct MessageEntry {
    using Handler = LRESULT (T::*)(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    EntryKind kind;
    UINT code;  // message, command id or notification code
    Handler handler;
};

template <class T>
constexpr MessageEntry<T> OnMessage(UINT message, typename MessageEntry<T>::Handler handler) {
    return {EntryKind::kMessage, message, handler};
}
template <class T>
constexpr MessageEntry<T> OnCommand(UINT id, typename MessageEntry<T>::Handler handler) {
    return {EntryKind::kCommand, id, handler};
}
template <class T>
constexpr MessageEntry<T> OnNotify(int code, typename MessageEntry<T>::Handler handler) {
    return {EntryKind::kNotify, static_cast<UINT>(code), handler};
}

// A notification that the parent reflected back to the control that sent it.
template <class T>
constexpr MessageEntry<T> OnReflectedNotify(int code, typename MessageEntry<T>::Handler handler) {
    return {EntryKind::kReflectedNotify, static_cast<UINT>(code), handler};
}

template <class T>
bool EntryMatches(const MessageEntry<T>& entry, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (entry.kind) {
        case EntryKind::kMessage:
            return entry.code == message;
        case EntryKind::kCommand:
            return message == WM_COMMAND && LOWORD(wParam) == entry.code;
        case EntryKind::kNotify:
            return message == WM_NOTIFY && lParam && reinterpret_cast<const NMHDR*>(lParam)->code == entry.code;
        case EntryKind::kReflectedNotify:
            return message == kReflectBase + WM_NOTIFY && lParam &&
                   reinterpret_cast<const NMHDR*>(lParam)->code == entry.code;
    }
    return false;
}

// Sends WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and friends back to the control that sent them.
// Returns false when the message names no child window.
bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Walks a table, then the chained targets, then (when reflect is set) reflects notifications.
class MessageDispatcher {
  public:
    template <class T>
    static bool Dispatch(T* object,
                         std::span<const MessageEntry<T>> table,
                         HWND hwnd,
                         UINT message,
                         WPARAM wParam,
                         LPARAM lParam,
                         LRESULT& result) {
        for (const auto& entry : table) {
            if (!EntryMatches(entry, message, wParam, lParam)) continue;
            bool handled = true;
            LRESULT value = (object->*entry.handler)(message, wParam, lParam, handled);
            if (handled) {
                result = value;
                return true;
            }
        }
        return false;
    }
};

// Holds the chained targets of one window and the reflection switch.
class MessageChain {
  public:
    void Chain(MessageTarget* target) { targets_.push_back(target); }
    void Unchain(MessageTarget* target);
    void SetReflectNotifications(bool reflect) { reflect_ = reflect; }
    bool Run(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    std::vector<MessageTarget*> targets_;
    bool reflect_ = false;
};

}  // namespace pictrove
