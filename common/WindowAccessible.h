// The base of our own IAccessible objects for windows that draw their content themselves: the
// window is the object (child 0) and the parts it paints are simple children 1..N. Derived
// classes describe the parts; this class checks every argument, keeps exceptions inside and
// answers the rest (parent, location, navigation, hit testing) from the window. Header only, so
// the application and the image-view component share it without sharing a library.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "common/ComObject.h"

namespace pictrove {

template <>
inline constexpr const IID* kInterfaceId<IAccessible> = &IID_IAccessible;

class WindowAccessible : public ComObject<IAccessible> {
  public:
    // IDispatch: no type library; screen readers call the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!Alive()) return RPC_E_DISCONNECTED;
        return AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!Alive()) return RPC_E_DISCONNECTED;
        return Guard([&] { *count = ChildCount(); });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        // The children are simple elements, answered by this object with their ids.
        return Check(child) == kInvalid ? E_INVALIDARG : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, [this](LONG id) { return Name(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Text(child, value, [](LONG) { return std::wstring(); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return Text(child, description, [this](LONG id) { return Description(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return Number(child, role, [this](LONG id) { return Role(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return Number(child, state, [this](LONG id) { return State(id); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return Text(child, help, [](LONG) { return std::wstring(); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Text(child, shortcut, [](LONG) { return std::wstring(); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (GetFocus() != hwnd_) return S_FALSE;
        focus->vt = VT_I4;
        focus->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        return Alive() ? S_FALSE : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(child, action, [this](LONG id) { return DefaultAction(id); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override {
        return Alive() ? DISP_E_MEMBERNOTFOUND : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        const LONG id = Check(child);
        if (id == kInvalid) return Alive() ? E_INVALIDARG : RPC_E_DISCONNECTED;
        RECT box{};
        if (id == CHILDID_SELF) {
            GetClientRect(hwnd_, &box);
        } else if (!ChildBox(id, box)) {
            return S_FALSE;
        }
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&box), 2);
        *left = box.left;
        *top = box.top;
        *width = box.right - box.left;
        *height = box.bottom - box.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInit(end);
        const LONG id = Check(start);
        if (id == kInvalid) return Alive() ? E_INVALIDARG : RPC_E_DISCONNECTED;
        const LONG count = ChildCount();
        LONG target = kInvalid;
        if (id == CHILDID_SELF) {
            // The window's siblings are the system's window object's business.
            if (direction == NAVDIR_FIRSTCHILD && count > 0) target = 1;
            if (direction == NAVDIR_LASTCHILD && count > 0) target = count;
        } else if ((direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT) && id < count) {
            target = id + 1;
        } else if ((direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT) && id > 1) {
            target = id - 1;
        }
        if (target == kInvalid) return S_FALSE;
        end->vt = VT_I4;
        end->lVal = target;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        VariantInit(hit);
        if (!Alive()) return RPC_E_DISCONNECTED;
        POINT point{x, y};
        ScreenToClient(hwnd_, &point);
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (!PtInRect(&client, point)) return S_FALSE;
        LONG id = CHILDID_SELF;
        for (LONG child = 1; child <= ChildCount(); ++child) {
            RECT box{};
            if (ChildBox(child, box) && PtInRect(&box, point)) id = child;
        }
        hit->vt = VT_I4;
        hit->lVal = id;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const LONG id = Check(child);
        if (id == kInvalid) return Alive() ? E_INVALIDARG : RPC_E_DISCONNECTED;
        bool done = false;
        const HRESULT hr = Guard([&] { done = DoDefaultAction(id); });
        return FAILED(hr) ? hr : (done ? S_OK : DISP_E_MEMBERNOTFOUND);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  protected:
    explicit WindowAccessible(HWND hwnd) : hwnd_(hwnd) {}

    HWND Hwnd() const { return hwnd_; }
    // Once the window is gone, so is everything the object could say about it.
    virtual bool Alive() const { return IsWindow(hwnd_) != FALSE; }

    // Child 0 is the window; children are 1..ChildCount().
    virtual LONG ChildCount() const { return 0; }
    virtual std::wstring Name(LONG child) const = 0;
    virtual std::wstring Description(LONG) const { return {}; }
    virtual LONG Role(LONG child) const = 0;
    // The window's own state; children add theirs.
    virtual LONG State(LONG) const {
        LONG state = 0;
        if (!IsWindowVisible(hwnd_)) state |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(hwnd_)) state |= STATE_SYSTEM_UNAVAILABLE;
        if (GetFocus() == hwnd_) state |= STATE_SYSTEM_FOCUSED;
        return state;
    }
    virtual std::wstring DefaultAction(LONG) const { return {}; }
    virtual bool DoDefaultAction(LONG) { return false; }
    // A child's box in client coordinates; false when it has none.
    virtual bool ChildBox(LONG, RECT&) const { return false; }

  private:
    static constexpr LONG kInvalid = -1;

    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** out) override {
        if (!IsEqualIID(iid, IID_IDispatch)) return std::nullopt;
        Answer<IAccessible>(out);
        return S_OK;
    }

    // The child a VARIANT names, or kInvalid for a wrong type, an id out of range or a dead window.
    LONG Check(const VARIANT& child) const {
        if (child.vt != VT_I4 || !Alive()) return kInvalid;
        return child.lVal >= 0 && child.lVal <= ChildCount() ? child.lVal : kInvalid;
    }

    template <class Body>
    static HRESULT Guard(Body&& body) {
        try {
            body();
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    template <class Source>
    HRESULT Text(const VARIANT& child, BSTR* out, Source&& source) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        const LONG id = Check(child);
        if (id == kInvalid) return Alive() ? E_INVALIDARG : RPC_E_DISCONNECTED;
        std::wstring text;
        const HRESULT hr = Guard([&] { text = source(id); });
        if (FAILED(hr)) return hr;
        if (text.empty()) return S_FALSE;
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    template <class Source>
    HRESULT Number(const VARIANT& child, VARIANT* out, Source&& source) const {
        if (!out) return E_POINTER;
        VariantInit(out);
        const LONG id = Check(child);
        if (id == kInvalid) return Alive() ? E_INVALIDARG : RPC_E_DISCONNECTED;
        LONG value = 0;
        const HRESULT hr = Guard([&] { value = source(id); });
        if (FAILED(hr)) return hr;
        out->vt = VT_I4;
        out->lVal = value;
        return S_OK;
    }

    HWND hwnd_;
};

}  // namespace pictrove
