// Class factory of the reader classes.
#include "ClassFactory.h"

#include "ReaderObject.h"

namespace pictrove::readers {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return Guarded([&]() -> HRESULT {
        auto* reader = new ReaderObject(create_);
        const HRESULT hr = reader->QueryInterface(iid, object);
        reader->Release();
        return hr;
    });
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) {
        LockModule();
    } else {
        UnlockModule();
    }
    return S_OK;
}

}  // namespace pictrove::readers
