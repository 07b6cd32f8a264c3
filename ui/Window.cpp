// Window procedures that route messages to the C++ objects behind our windows and dialogs.
#include "ui/Window.h"

#include <commctrl.h>

#include <algorithm>

namespace pictrove {

namespace {

INT_PTR RunFromModuleTemplate(UINT dialogId, HWND owner, DLGPROC proc, LPARAM param) {
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(dialogId), owner, proc, param);
}

ModalDialogRunner g_dialogRunner = RunFromModuleTemplate;

// Dialog messages whose answer is the procedure's return value rather than DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool RegisterWindowClassOnce(const wchar_t* className, WNDPROC proc, UINT style, HCURSOR cursor, HBRUSH background) {
    WNDCLASSEXW existing{sizeof(existing)};
    if (GetClassInfoExW(ResourceInstance(), className, &existing)) return true;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ResourceInstance();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Window::~Window() {
    Destroy();
}

HWND Window::Create(const wchar_t* className,
                    HWND parent,
                    const wchar_t* title,
                    DWORD style,
                    DWORD exStyle,
                    const RECT& rect,
                    HMENU menuOrId) {
    if (hwnd_) return nullptr;
    return CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, menuOrId, ResourceInstance(), this);
}

void Window::Destroy() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

LRESULT CALLBACK Window::StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->ProcessMessage(hwnd, message, wParam, lParam, result);
    } catch (...) {
        handled = false;
    }
    if (!handled) result = DefWindowProcW(hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage();
    }
    return result;
}

SubclassedWindow::~SubclassedWindow() {
    Detach();
}

bool SubclassedWindow::Attach(HWND hwnd) {
    if (hwnd_ || !hwnd) return false;
    if (!SetWindowSubclass(hwnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this))) return false;
    hwnd_ = hwnd;
    return true;
}

void SubclassedWindow::Detach() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, SubclassProc, 1);
        hwnd_ = nullptr;
    }
}

LRESULT CALLBACK
SubclassedWindow::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
    auto* self = reinterpret_cast<SubclassedWindow*>(refData);
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->ProcessMessage(hwnd, message, wParam, lParam, result);
    } catch (...) {
        handled = false;
    }
    if (!handled) result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Detach();
    return result;
}

ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner) {
    const ModalDialogRunner previous = g_dialogRunner;
    g_dialogRunner = runner ? runner : RunFromModuleTemplate;
    return previous;
}

INT_PTR ModalDialog::RunModal(HWND owner) {
    return g_dialogRunner(dialogId_, owner, StandardDialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ModalDialog::StandardDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog*>(lParam);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        }
    }
    if (!self) return FALSE;

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->ProcessMessage(hwnd, message, wParam, lParam, result);
    } catch (...) {
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    if (!handled) return message == WM_INITDIALOG ? TRUE : FALSE;
    if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

void CenterWindow(HWND hwnd, HWND over) {
    RECT area{};
    if (over && IsWindow(over) && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        MONITORINFO info{sizeof(info)};
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
        area = info.rcWork;
    }
    RECT self{};
    GetWindowRect(hwnd, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    // Keep the dialog on the monitor even when the owner hangs off its edge.
    MONITORINFO info{sizeof(info)};
    GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &info);
    x = std::max<int>(info.rcWork.left, std::min<int>(x, info.rcWork.right - width));
    y = std::max<int>(info.rcWork.top, std::min<int>(y, info.rcWork.bottom - height));
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pictrove
