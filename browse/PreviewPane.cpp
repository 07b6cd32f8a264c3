// Creating the preview pane and handing it the selected image.
#include "browse/PreviewPane.h"

#include <wrl/client.h>

#include "contracts/ImageViewContract.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"

namespace pictrove {

bool CreatePreview(ControlHost& host, HWND parent, const RECT& rect) {
    if (!host.CreateHost(parent, rect)) return false;
    // The hosted view takes its accessible name from its container, as a control does from its label.
    SetWindowTextW(host.Hwnd(), LoadUiString(IDS_PREVIEW_NAME).c_str());
    if (host.CreateControl(kClsidImageViewControl)) return true;
    host.Destroy();
    return false;
}

bool ShowInPreview(ControlHost& host, IUnknown* image, const std::wstring& note, const std::wstring& name) {
    host.ShowNote(image ? std::wstring() : note);
    Microsoft::WRL::ComPtr<IUnknown> control = host.Control();
    if (!control) return false;
    Microsoft::WRL::ComPtr<ImageView> view;
    if (FAILED(control->QueryInterface(kIidImageView, reinterpret_cast<void**>(view.GetAddressOf())))) return false;
    if (HWND window = host.ControlWindow()) SetWindowTextW(window, image ? name.c_str() : L"");
    // The control converts the whole picture before it returns, seconds for a very large one.
    const HCURSOR previous = image ? SetCursor(LoadCursorW(nullptr, IDC_WAIT)) : nullptr;
    view->SetImage(image);
    if (image) SetCursor(previous);
    return true;
}

}  // namespace pictrove
