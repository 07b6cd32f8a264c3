// The image-view control's COM faces, in-place activation and its window.
#include "components/imageview/ImageViewControl_win.h"

#include <new>

#include "components/imageview/PixelConversion.h"
#include "contracts/ReaderImageFields.h"

namespace pictrove::imageview {

using Microsoft::WRL::ComPtr;

HINSTANCE g_module = nullptr;

namespace {

constexpr LONG kHimetricPerInch = 2540;

}  // namespace

bool RegisterViewWindowClass() {
    WNDCLASSEXW existing{sizeof(existing)};
    if (GetClassInfoExW(g_module, kViewWindowClass, &existing)) return true;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_DBLCLKS;  // no CS_HREDRAW/VREDRAW: resizing repaints only what it must
    wc.lpfnWndProc = ImageViewControl::WindowProc;
    wc.hInstance = g_module;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kViewWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterViewWindowClass() {
    UnregisterClassW(kViewWindowClass, g_module);
}

ImageViewControl::~ImageViewControl() {
    // A container that never closed us: the window must not outlive its object.
    if (hwnd_) DestroyWindow(hwnd_);
}

HRESULT ImageViewControl::CreateInstance(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* control = new (std::nothrow) ImageViewControl();
    if (!control) return E_OUTOFMEMORY;
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
}

std::optional<HRESULT> ImageViewControl::QueryInterfaceHook(REFIID iid, void** out) {
    if (!IsEqualIID(iid, IID_IOleWindow)) return std::nullopt;
    Answer<IOleInPlaceObject>(out);
    return S_OK;
}

HRESULT ImageViewControl::SetImage(IUnknown* image) {
    try {
        ComPtr<ReaderImage> reader;
        if (image) image->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(reader.GetAddressOf()));
        // Let go of the old picture before converting the new one, so two huge pictures never
        // sit in memory together.
        ClearImage();
        if (!reader) {
            Redraw();
            return image ? E_NOINTERFACE : S_OK;
        }
        ReaderImageFields fields;
        if (ReadReaderImage(reader.Get(), fields) != ReaderImageCheck::kOk) {
            Redraw();
            return E_INVALIDARG;
        }
        DisplayImage converted;
        const ConversionStatus status = ConvertStoredPixels(fields, converted);
        if (status != ConversionStatus::kOk) {
            Redraw();
            return status == ConversionStatus::kOutOfMemory ? E_OUTOFMEMORY : E_INVALIDARG;
        }
        const int width = converted.width;
        const int height = converted.height;
        renderer_.SetImage(std::move(converted));
        geometry_.SetImageSize(width, height);
        image_ = image;
        UpdateLayout();
        Redraw();
        return S_OK;
    } catch (...) {
        ClearImage();
        Redraw();
        return E_OUTOFMEMORY;
    }
}

void ImageViewControl::ClearImage() {
    image_.Reset();
    renderer_.Clear();
    geometry_.SetImageSize(0, 0);
    dragging_ = false;
    UpdateLayout();
}

HRESULT ImageViewControl::SetClientSite(IOleClientSite* site) {
    if (site == clientSite_.Get()) return S_OK;
    // Without a site the in-place pointers it gave us mean nothing any more.
    if (!site) InPlaceDeactivate();
    clientSite_ = site;
    return S_OK;
}

HRESULT ImageViewControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = clientSite_.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

HRESULT ImageViewControl::Close(DWORD) {
    InPlaceDeactivate();
    // A closed control shows nothing, so it holds on to no picture (nor its memory).
    ClearImage();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT ImageViewControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ImageViewControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT ImageViewControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) {
    try {
        IOleClientSite* site = clientSite_ ? clientSite_.Get() : activeSite;
        switch (verb) {
            case OLEIVERB_PRIMARY:
            case OLEIVERB_SHOW:
            case OLEIVERB_INPLACEACTIVATE: {
                const HRESULT hr = InPlaceActivate(site, parent, position);
                if (SUCCEEDED(hr) && verb != OLEIVERB_INPLACEACTIVATE) ShowWindow(hwnd_, SW_SHOWNA);
                return hr;
            }
            case OLEIVERB_UIACTIVATE: {
                HRESULT hr = InPlaceActivate(site, parent, position);
                if (FAILED(hr)) return hr;
                hr = UIActivate();
                // Explicit UI activation is the one case besides a click that takes the focus.
                if (SUCCEEDED(hr) && GetFocus() != hwnd_) SetFocus(hwnd_);
                return hr;
            }
            case OLEIVERB_HIDE:
                if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
                return S_OK;
            default:
                if (verb > 0) {
                    // Unknown verbs of the object's own range act as the primary one.
                    const HRESULT hr = InPlaceActivate(site, parent, position);
                    return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
                }
                return E_NOTIMPL;
        }
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ImageViewControl::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
}

HRESULT ImageViewControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kClsidImageViewControl;
    return S_OK;
}

HRESULT ImageViewControl::GetUserType(DWORD, LPOLESTR* type) {
    if (type) *type = nullptr;
    return E_NOTIMPL;
}

HRESULT ImageViewControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

HRESULT ImageViewControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    if (extent_.cx == 0 && extent_.cy == 0 && hwnd_) {
        // Before any container set one, the window's own size in HIMETRIC units.
        RECT rect{};
        GetWindowRect(hwnd_, &rect);
        ScopedGetDC screen(nullptr);
        const int dpiX = GetDeviceCaps(screen.Get(), LOGPIXELSX);
        const int dpiY = GetDeviceCaps(screen.Get(), LOGPIXELSY);
        size->cx = MulDiv(rect.right - rect.left, kHimetricPerInch, dpiX > 0 ? dpiX : 96);
        size->cy = MulDiv(rect.bottom - rect.top, kHimetricPerInch, dpiY > 0 ? dpiY : 96);
        return S_OK;
    }
    *size = extent_;
    return S_OK;
}

HRESULT ImageViewControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!connection) return E_POINTER;
    *connection = 0;
    if (!adviseHolder_) {
        const HRESULT hr = CreateOleAdviseHolder(adviseHolder_.GetAddressOf());
        if (FAILED(hr)) return hr;
    }
    return adviseHolder_->Advise(sink, connection);
}

HRESULT ImageViewControl::Unadvise(DWORD connection) {
    if (!adviseHolder_) return OLE_E_NOCONNECTION;
    return adviseHolder_->Unadvise(connection);
}

HRESULT ImageViewControl::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    if (!adviseHolder_) return S_OK;
    return adviseHolder_->EnumAdvise(advise);
}

HRESULT ImageViewControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE;
    return S_OK;
}

HRESULT ImageViewControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

HRESULT ImageViewControl::InPlaceActivate(IOleClientSite* site, HWND parentHint, LPCRECT positionHint) {
    if (hwnd_) return S_OK;
    if (!site) return E_UNEXPECTED;
    ComPtr<IOleInPlaceSite> inPlaceSite;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(inPlaceSite.GetAddressOf())))) {
        return E_NOINTERFACE;
    }
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceSite->OnInPlaceActivate();

    HWND parent = nullptr;
    if (FAILED(inPlaceSite->GetWindow(&parent)) || !parent) parent = parentHint;
    RECT position{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    if (FAILED(inPlaceSite->GetWindowContext(frame.GetAddressOf(), document.GetAddressOf(), &position, &clip,
                                             &frameInfo))) {
        if (positionHint) position = *positionHint;
    }
    if (!parent || !RegisterViewWindowClass()) {
        inPlaceSite->OnInPlaceDeactivate();
        return E_FAIL;
    }
    inPlaceSite_ = inPlaceSite;
    frame_ = frame;
    document_ = document;
    HWND hwnd = CreateWindowExW(0, kViewWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                position.left, position.top, position.right - position.left,
                                position.bottom - position.top, parent, nullptr, g_module, this);
    if (!hwnd) {
        inPlaceSite_.Reset();
        frame_.Reset();
        document_.Reset();
        inPlaceSite->OnInPlaceDeactivate();
        return E_FAIL;
    }
    UpdateLayout();
    return S_OK;
}

HRESULT ImageViewControl::UIActivate() {
    if (uiActive_) return S_OK;
    if (!inPlaceSite_) return E_UNEXPECTED;
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(this, nullptr);
    if (document_) document_->SetActiveObject(this, nullptr);
    return S_OK;
}

HRESULT ImageViewControl::UIDeactivate() {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (document_) document_->SetActiveObject(nullptr, nullptr);
    if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT ImageViewControl::InPlaceDeactivate() {
    // Hold ourselves: the site may release its last reference on us while being told.
    ComPtr<IOleObject> self(this);
    UIDeactivate();
    if (hwnd_) DestroyWindow(hwnd_);
    frame_.Reset();
    document_.Reset();
    if (ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_)) site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ImageViewControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (hwnd_) {
        SetWindowPos(hwnd_, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return S_OK;
}

LRESULT CALLBACK ImageViewControl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ImageViewControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<ImageViewControl*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    bool handled = false;
    try {
        result = self->HandleMessage(message, wParam, lParam, handled);
    } catch (...) {
        handled = false;
    }
    if (!handled) result = DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->backBuffer_.Reset();
        self->backBits_ = nullptr;
        self->backWidth_ = self->backHeight_ = 0;
        self->dragging_ = false;
    }
    return result;
}

}  // namespace pictrove::imageview
