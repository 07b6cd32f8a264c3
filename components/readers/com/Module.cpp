// Entry points of the reader DLL: DllMain, DllGetClassObject and DllCanUnloadNow.
#include "Module.h"

#include "ClassFactory.h"
#include "ReaderClasses.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Nothing else happens here: GDI+ and COM must not be started or stopped under the loader lock.
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    using namespace pictrove::readers;
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return Guarded([&]() -> HRESULT {
        for (const auto& readerClass : ReaderClasses()) {
            if (IsEqualCLSID(clsid, *readerClass.clsid)) {
                auto* factory = new ClassFactory(readerClass.create);
                const HRESULT hr = factory->QueryInterface(iid, object);
                factory->Release();
                return hr;
            }
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return pictrove::ModuleLock::InUse() ? S_FALSE : S_OK;
}
