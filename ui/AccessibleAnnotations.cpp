// Annotations through IAccPropServices. A service object is made per call: they are rare (a
// window is named once, a notice marked once) and the thread's apartment is the caller's.
#include "ui/AccessibleAnnotations.h"

#include <oleacc.h>
#include <wrl/client.h>

namespace pictrove {

namespace {

// UI Automation's LiveSetting property, as an annotation's property id.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};

// EVENT_OBJECT_LIVEREGIONCHANGED, from Windows 8 on; the headers hide it from a Windows 7 build,
// and Windows 7 passes the unknown event on to whoever listens.
constexpr DWORD kLiveRegionChanged = 0x8019;

Microsoft::WRL::ComPtr<IAccPropServices> PropertyServices() {
    Microsoft::WRL::ComPtr<IAccPropServices> services;
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(services.GetAddressOf()));
    return services;
}

}  // namespace

bool AnnotateAccessibleName(HWND window, const std::wstring& name) {
    if (!window) return false;
    SetWindowTextW(window, name.c_str());
    Microsoft::WRL::ComPtr<IAccPropServices> services = PropertyServices();
    return services && SUCCEEDED(services->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                          PROPID_ACC_NAME, name.c_str()));
}

bool MarkLiveRegion(HWND window, LiveSetting setting) {
    Microsoft::WRL::ComPtr<IAccPropServices> services = window ? PropertyServices() : nullptr;
    if (!services) return false;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = static_cast<LONG>(setting);
    return SUCCEEDED(
        services->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, value));
}

void AnnounceLiveRegion(HWND window) {
    if (!window) return;
    NotifyWinEvent(kLiveRegionChanged, window, OBJID_CLIENT, CHILDID_SELF);
    // Readers that know no live regions still hear a named element that raises an alert.
    NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace pictrove
