// The view's accessible object: a graphic named by its container (as a control is by its label),
// described by the picture's name, size and zoom. Without it the view is a silent window.
#include <algorithm>
#include <new>

#include "common/WindowAccessible.h"
#include "components/imageview/ImageViewControl_win.h"

namespace pictrove::imageview {

namespace {

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(std::max(0, GetWindowTextLengthW(window))) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(window, text.data(), static_cast<int>(text.size())))));
    return text;
}

class ImageViewAccessible final : public WindowAccessible {
  public:
    explicit ImageViewAccessible(HWND hwnd) : WindowAccessible(hwnd) {}

  private:
    bool Alive() const override { return ImageViewControl::FromWindow(Hwnd()) != nullptr; }
    std::wstring Name(LONG) const override {
        HWND parent = GetParent(Hwnd());
        return parent ? WindowText(parent) : std::wstring();
    }
    std::wstring Description(LONG) const override { return ImageViewControl::FromWindow(Hwnd())->Description(); }
    LONG Role(LONG) const override { return ROLE_SYSTEM_GRAPHIC; }
    LONG State(LONG child) const override {
        return WindowAccessible::State(child) | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_READONLY;
    }
};

}  // namespace

ImageViewControl* ImageViewControl::FromWindow(HWND hwnd) {
    wchar_t className[64] = L"";
    if (!hwnd || !GetClassNameW(hwnd, className, 64) || lstrcmpW(className, kViewWindowClass) != 0) return nullptr;
    return reinterpret_cast<ImageViewControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

std::wstring ImageViewControl::Description() const {
    const DisplayImage* picture = renderer_.Full();
    if (!picture) return {};
    return DescribeView(hwnd_ ? WindowText(hwnd_) : std::wstring(), picture->width, picture->height, geometry_.Scale());
}

void ImageViewControl::NotifyDescriptionChange() {
    if (!hwnd_) return;
    std::wstring description = Description();
    if (description == announced_) return;
    announced_ = std::move(description);
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT ImageViewControl::AnswerGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    // Takes over the reference the object is made with (MinGW's Attach would add one).
    Microsoft::WRL::ComPtr<IAccessible> accessible;
    *accessible.ReleaseAndGetAddressOf() = new (std::nothrow) ImageViewAccessible(hwnd_);
    return accessible ? LresultFromObject(IID_IAccessible, wParam, accessible.Get()) : 0;
}

}  // namespace pictrove::imageview
