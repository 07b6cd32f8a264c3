// Chained message targets and notification reflection.
#include "ui/MessageMap.h"

#include <algorithm>

namespace pictrove {

bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    switch (message) {
        case WM_COMMAND:
            child = reinterpret_cast<HWND>(lParam);
            break;
        case WM_NOTIFY:
            child = lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
            break;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (wParam != 0 && item && item->CtlType != ODT_MENU) child = item->hwndItem;
            break;
        }
        case WM_MEASUREITEM: {
            const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            if (wParam != 0 && item && item->CtlType != ODT_MENU) child = GetDlgItem(parent, item->CtlID);
            break;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_HSCROLL:
        case WM_VSCROLL:
            child = reinterpret_cast<HWND>(lParam);
            break;
        case WM_PARENTNOTIFY:
            if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) child = reinterpret_cast<HWND>(lParam);
            break;
        default:
            return false;
    }
    // The sender may sit deeper than a direct child (a list inside a splitter pane).
    if (!child || !IsWindow(child) || child == parent) return false;
    result = SendMessageW(child, kReflectBase + message, wParam, lParam);
    return true;
}

void MessageChain::Unchain(MessageTarget* target) {
    targets_.erase(std::remove(targets_.begin(), targets_.end(), target), targets_.end());
}

bool MessageChain::Run(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A chained target may unchain itself while handling; walk a copy.
    const auto targets = targets_;
    for (MessageTarget* target : targets) {
        if (target->ProcessMessage(hwnd, message, wParam, lParam, result)) return true;
    }
    return reflect_ && ReflectToChild(hwnd, message, wParam, lParam, result);
}

}  // namespace pictrove
