// Message loop with idle processing.
#include "app/MessageLoop.h"

#include <algorithm>

namespace pictrove {

namespace {

template <class T>
void RemoveFrom(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

void MessageLoop::AddIdleHandler(IdleHandler* handler) {
    idleHandlers_.push_back(handler);
}

void MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
    RemoveFrom(idleHandlers_, handler);
}

void MessageLoop::AddMessageFilter(MessageFilter* filter) {
    filters_.push_back(filter);
}

void MessageLoop::RemoveMessageFilter(MessageFilter* filter) {
    RemoveFrom(filters_, filter);
}

bool MessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case 0x0118:  // WM_SYSTIMER, the caret blink
            return false;
        default:
            return true;
    }
}

bool MessageLoop::RunIdleHandlers() {
    bool again = false;
    // A handler may remove itself while running.
    const auto handlers = idleHandlers_;
    for (IdleHandler* handler : handlers) again = handler->OnIdle() || again;
    return again;
}

bool MessageLoop::PreTranslate(MSG& msg) {
    const auto filters = filters_;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if ((*it)->PreTranslateMessage(msg)) return true;
    }
    return false;
}

int MessageLoop::Run() {
    bool idle = true;
    MSG msg{};
    for (;;) {
        while (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!RunIdleHandlers()) idle = false;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (IsIdleMessage(msg)) idle = true;
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace pictrove
