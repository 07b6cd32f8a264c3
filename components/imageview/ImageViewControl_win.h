// The image-view control: a windowed in-place OLE control that shows a reader's image object,
// fitted, zoomable and scrollable. Its COM faces are the view interface and the usual
// embedding interfaces a control container drives.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include "common/ComObject.h"
#include "common/OleInterfaceIds.h"
#include "contracts/ImageViewSlots.h"
#include "components/imageview/ViewDescription.h"
#include "components/imageview/ViewGeometry.h"
#include "components/imageview/ViewRenderer.h"
#include "common/Handles.h"

namespace pictrove::imageview {

// The DLL's module, for its window class.
extern HINSTANCE g_module;
inline constexpr wchar_t kViewWindowClass[] = L"PictroveImageView";

bool RegisterViewWindowClass();
void UnregisterViewWindowClass();

class ImageViewControl final
    : public ComObject<ImageViewSlots, IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject> {
  public:
    static HRESULT CreateInstance(REFIID iid, void** out);

    // ImageView
    HRESULT STDMETHODCALLTYPE SetImage(IUnknown* image) override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, WINBOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE
    DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* type) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (of both in-place interfaces)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

    // IOleInPlaceActiveObject: keys are handled by the window itself.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The control behind one of its windows, null for any other window or once it is destroyed.
    static ImageViewControl* FromWindow(HWND hwnd);
    // The picture's name (the window text its host gives), size and zoom, for screen readers.
    std::wstring Description() const;

  private:
    ImageViewControl() = default;
    ~ImageViewControl() override;

    // IOleWindow is answered through the in-place object.
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** out) override;

    HRESULT InPlaceActivate(IOleClientSite* site, HWND parentHint, LPCRECT positionHint);
    HRESULT UIActivate();
    void ClearImage();

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void Paint(HDC dc);
    void UpdateLayout();
    void SyncScrollBars();
    void Redraw();
    void ZoomIn(POINT anchor);
    void ZoomOut(POINT anchor);
    POINT ViewCentre() const;
    void OnScroll(int bar, int request);
    void OnKeyDown(WPARAM key);
    void OnMouseWheel(int delta, bool control, bool shift, POINT screenPoint);
    // Checkerboard and scroll steps for the dpi of the screen the window is on.
    void ApplyDpi();
    LRESULT AnswerGetObject(WPARAM wParam, LPARAM lParam);
    // Tells screen readers when the description they hold no longer holds.
    void NotifyDescriptionChange();

    HWND hwnd_ = nullptr;
    Microsoft::WRL::ComPtr<IUnknown> image_;
    ViewRenderer renderer_;
    ViewGeometry geometry_;
    // One scroll step at 96 dpi; lineStep_ is the step at the window's dpi.
    static constexpr int kLineStep = 32;
    int lineStep_ = kLineStep;

    Microsoft::WRL::ComPtr<IOleClientSite> clientSite_;
    Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
    Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
    Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> document_;
    Microsoft::WRL::ComPtr<IOleAdviseHolder> adviseHolder_;
    bool uiActive_ = false;
    SIZEL extent_{};

    // Back buffer of the view: painting composes here and copies once, so nothing flickers.
    UniqueBitmap backBuffer_;
    uint32_t* backBits_ = nullptr;
    int backWidth_ = 0;
    int backHeight_ = 0;

    bool inLayout_ = false;
    bool dragging_ = false;
    POINT dragStart_{};
    POINT dragScroll_{};
    int wheelRemainder_ = 0;
    std::wstring announced_;
};

}  // namespace pictrove::imageview
