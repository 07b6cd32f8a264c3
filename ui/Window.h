// Base classes for our own windows, subclassed controls and modal dialogs. The C++ object is kept
// in the window's pointer-sized user data (64-bit safe) and looked up on every message; no C++
// exception leaves a window procedure.
#pragma once

#include <windows.h>
#include <span>

#include "common/ResourceInstance.h"
#include "ui/MessageMap.h"

namespace pictrove {

// Registers a window class once per process; returns false only when registration failed.
bool RegisterWindowClassOnce(const wchar_t* className, WNDPROC proc, UINT style, HCURSOR cursor, HBRUSH background);

// A top-level or child window of a class of our own.
class Window : public MessageTarget {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window() override;

    HWND Hwnd() const { return hwnd_; }
    MessageChain& Chain() { return chain_; }

    // Creates the window of a class registered with StandardWindowProc.
    HWND Create(const wchar_t* className,
                HWND parent,
                const wchar_t* title,
                DWORD style,
                DWORD exStyle,
                const RECT& rect,
                HMENU menuOrId = nullptr);
    void Destroy();

    static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    // Called after WM_NCDESTROY, when the HWND is gone.
    virtual void OnFinalMessage() {}

  private:
    HWND hwnd_ = nullptr;
    MessageChain chain_;
};

// Derived lists its handlers in `static std::span<const MessageEntry<Derived>> MessageTable()`.
template <class Derived>
class WindowImpl : public Window {
  public:
    bool ProcessMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        auto* self = static_cast<Derived*>(this);
        return MessageDispatcher::Dispatch<Derived>(self, Derived::MessageTable(), hwnd, message, wParam, lParam,
                                                    result) ||
               Chain().Run(hwnd, message, wParam, lParam, result);
    }
};

// Hooks an existing control (a list view, say) so our table sees its messages first.
class SubclassedWindow : public MessageTarget {
  public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    ~SubclassedWindow() override;

    bool Attach(HWND hwnd);
    void Detach();
    HWND Hwnd() const { return hwnd_; }
    MessageChain& Chain() { return chain_; }

  private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND hwnd_ = nullptr;
    MessageChain chain_;
};

template <class Derived>
class SubclassedWindowImpl : public SubclassedWindow {
  public:
    bool ProcessMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        auto* self = static_cast<Derived*>(this);
        return MessageDispatcher::Dispatch<Derived>(self, Derived::MessageTable(), hwnd, message, wParam, lParam,
                                                    result) ||
               Chain().Run(hwnd, message, wParam, lParam, result);
    }
};

// Puts a modal dialog on screen from the template of its id and returns its end code. The window
// framework knows only the module's own template; the program installs the runner that picks the
// selected language's layout (RunModalDialog of the resources layer).
using ModalDialogRunner = INT_PTR (*)(UINT dialogId, HWND owner, DLGPROC proc, LPARAM param);
// Sets the runner every ModalDialog goes through (null: the module's own template) and returns
// the one set before. Set at start-up, before any dialog runs.
ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner);

// A modal dialog object: inputs and outputs are members, RunModal returns the end code.
class ModalDialog : public MessageTarget {
  public:
    explicit ModalDialog(UINT dialogId) : dialogId_(dialogId) {}
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    INT_PTR RunModal(HWND owner);
    HWND Hwnd() const { return hwnd_; }
    UINT DialogId() const { return dialogId_; }

    static INT_PTR CALLBACK StandardDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    UINT dialogId_;
    HWND hwnd_ = nullptr;
};

template <class Derived>
class ModalDialogImpl : public ModalDialog {
  public:
    using ModalDialog::ModalDialog;
    bool ProcessMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return MessageDispatcher::Dispatch<Derived>(static_cast<Derived*>(this), Derived::MessageTable(), hwnd, message,
                                                    wParam, lParam, result);
    }
};

// Centres a window over another (or over its owner's monitor work area when there is none).
void CenterWindow(HWND hwnd, HWND over);

}  // namespace pictrove
