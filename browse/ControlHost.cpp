// The control container behind the preview pane, with its client site.
#include "browse/ControlHost.h"

#include <ocidl.h>

#include <algorithm>

#include "common/ComObject.h"
#include "common/OleInterfaceIds.h"
#include "ui/AccessibleAnnotations.h"

namespace pictrove {

using Microsoft::WRL::ComPtr;

// The container side a control talks to: client site, in-place site and a minimal frame (the
// control may ask the frame for border space and tells it which object is UI-active).
class ControlHost::Site final : public ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame> {
  public:
    explicit Site(ControlHost* host) : host_(host) {}

    // The host is going away: later calls from a control that kept the site find no window.
    void Detach() {
        host_ = nullptr;
        active_.Reset();
    }
    IOleInPlaceActiveObject* ActiveObject() const { return active_.Get(); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = host_ ? host_->Hwnd() : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return host_ && host_->Hwnd() ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document,
                                               LPRECT position,
                                               LPRECT clip,
                                               LPOLEINPLACEFRAMEINFO frameInfo) override {
        if (frame) *frame = nullptr;
        if (document) *document = nullptr;  // the frame is the document window too
        if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
        if (!host_ || !host_->Hwnd()) return E_UNEXPECTED;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        GetClientRect(host_->Hwnd(), position);
        *clip = *position;
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = GetAncestor(host_->Hwnd(), GA_ROOT);
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override {
        if (!position) return E_POINTER;
        if (host_) host_->PlaceControl(position);
        return S_OK;
    }

    // IOleInPlaceUIWindow: there are no toolbars to make room for.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override {
        if (border) SetRectEmpty(border);
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
        return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        active_ = host_ ? object : nullptr;
        return S_OK;
    }

    // IOleInPlaceFrame: no menus are merged.
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    ~Site() override = default;

    // The in-place site answers for IOleWindow, the frame for the UI window it extends.
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IOleWindow)) {
            Answer<IOleInPlaceSite>(out);
        } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow)) {
            Answer<IOleInPlaceFrame>(out);
        } else {
            return std::nullopt;
        }
        return S_OK;
    }

    ControlHost* host_;
    ComPtr<IOleInPlaceActiveObject> active_;
};

ControlHost::~ControlHost() {
    // The window must go while this object is whole: its handlers are ours.
    Destroy();
    DestroyControl();
}

std::span<const MessageEntry<ControlHost>> ControlHost::MessageTable() {
    static constexpr MessageEntry<ControlHost> kTable[] = {
        OnMessage<ControlHost>(WM_SIZE, &ControlHost::OnSize),
        OnMessage<ControlHost>(WM_SETFOCUS, &ControlHost::OnSetFocus),
        OnMessage<ControlHost>(WM_ERASEBKGND, &ControlHost::OnEraseBackground),
        OnMessage<ControlHost>(WM_DESTROY, &ControlHost::OnDestroy),
    };
    return kTable;
}

HWND ControlHost::CreateHost(HWND parent, const RECT& rect, DWORD style, UINT id) {
    if (!RegisterWindowClassOnce(kClassName, StandardWindowProc, 0, LoadCursorW(nullptr, IDC_ARROW), nullptr)) {
        return nullptr;
    }
    return Create(kClassName, parent, L"", style, 0, rect, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

bool ControlHost::CreateControl(const CLSID& clsid) {
    if (!Hwnd() || control_) return false;
    ComPtr<IUnknown> control;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown,
                                reinterpret_cast<void**>(control.GetAddressOf())))) {
        return false;
    }
    ComPtr<IOleObject> object;
    if (FAILED(control.As(&object))) return false;

    site_ = new Site(this);
    control_ = control;
    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) object->SetClientSite(static_cast<IOleClientSite*>(site_));
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(control.As(&persist))) persist->InitNew();
    if (!siteFirst) object->SetClientSite(static_cast<IOleClientSite*>(site_));

    RECT client{};
    GetClientRect(Hwnd(), &client);
    if (FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, Hwnd(),
                              &client)) ||
        !ControlWindow()) {
        DestroyControl();
        return false;
    }
    return true;
}

HWND ControlHost::ControlWindow() const {
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (control_ && SUCCEEDED(control_.As(&window))) window->GetWindow(&hwnd);
    return hwnd;
}

void ControlHost::DestroyControl() {
    if (control_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(control_.As(&inPlace))) inPlace->InPlaceDeactivate();
        ComPtr<IOleObject> object;
        if (SUCCEEDED(control_.As(&object))) {
            object->Close(OLECLOSE_NOSAVE);
            object->SetClientSite(nullptr);
        }
        control_.Reset();
    }
    if (site_) {
        site_->Detach();
        site_->Release();
        site_ = nullptr;
    }
}

bool ControlHost::PreTranslateMessage(MSG* message) {
    if (!message || !site_ || !site_->ActiveObject()) return false;
    if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return false;
    HWND window = ControlWindow();
    if (!window || (message->hwnd != window && !IsChild(window, message->hwnd))) return false;
    return site_->ActiveObject()->TranslateAccelerator(message) == S_OK;
}

void ControlHost::PlaceControl(const RECT* position) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (!control_ || FAILED(control_.As(&inPlace))) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    inPlace->SetObjectRects(position ? position : &client, &client);
}

void ControlHost::ShowNote(const std::wstring& text) {
    HWND control = ControlWindow();
    if (text.empty()) {
        if (note_) ShowWindow(note_, SW_HIDE);
        if (control) ShowWindow(control, SW_SHOWNA);
        return;
    }
    if (!note_) {
        note_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_CENTER | SS_NOPREFIX | SS_EDITCONTROL, 0, 0, 0, 0,
                                Hwnd(), nullptr, nullptr, nullptr);
        if (!note_) return;
        SendMessageW(note_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        // The static's text is its accessible name; as a live region it is also spoken when it
        // appears, not only found by a reader that goes looking.
        MarkLiveRegion(note_, LiveSetting::kPolite);
    }
    SetWindowTextW(note_, text.c_str());
    PlaceNote();
    if (control) ShowWindow(control, SW_HIDE);
    ShowWindow(note_, SW_SHOWNA);
    AnnounceLiveRegion(note_);
}

HWND ControlHost::NoteWindow() const {
    return note_ && IsWindowVisible(note_) ? note_ : nullptr;
}

void ControlHost::PlaceNote() {
    if (!note_) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    // A margin all round, and the text a little below the top, where a picture would start.
    const int margin = 12;
    MoveWindow(note_, client.left + margin, client.top + 2 * margin,
               std::max(0L, client.right - client.left - 2 * margin),
               std::max(0L, client.bottom - client.top - 3 * margin), TRUE);
}

LRESULT ControlHost::OnSize(UINT, WPARAM, LPARAM, bool&) {
    PlaceControl(nullptr);
    PlaceNote();
    return 0;
}

LRESULT ControlHost::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
    if (HWND window = ControlWindow())
        SetFocus(window);
    else
        handled = false;
    return 0;
}

LRESULT ControlHost::OnEraseBackground(UINT, WPARAM wParam, LPARAM, bool&) {
    // The control covers the window; paint only when there is none, so resizing does not flash.
    if (!ControlWindow()) {
        RECT client{};
        GetClientRect(Hwnd(), &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_WINDOW));
    }
    return 1;
}

LRESULT ControlHost::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    DestroyControl();
    note_ = nullptr;  // a child: Windows destroys it with this window
    handled = false;
    return 0;
}

}  // namespace pictrove
