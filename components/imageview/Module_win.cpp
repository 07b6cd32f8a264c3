// The DLL's entry points: class object of the image-view control and the unload check.
#include <windows.h>
#include <ole2.h>

#include "components/imageview/ImageViewControl_win.h"

namespace pictrove::imageview {

namespace {

// One static class object; its references keep the DLL loaded like any live object.
class ClassFactory final : public StaticComObject<IClassFactory> {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return ImageViewControl::CreateInstance(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(WINBOOL lock) override {
        if (lock)
            ModuleLock::Lock();
        else
            ModuleLock::Unlock();
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

}  // namespace pictrove::imageview

using namespace pictrove::imageview;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded while the process goes on: no window of ours is left (DllCanUnloadNow saw to
        // that), so the class can go with the code it points to.
        UnregisterViewWindowClass();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(clsid, pictrove::kClsidImageViewControl)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
    return pictrove::ModuleLock::InUse() ? S_FALSE : S_OK;
}
