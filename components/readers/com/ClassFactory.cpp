// Class factory of the reader classes.
#include "ClassFactory.h"

#include "ReaderObject.h"

namespace pictrove::readers {

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
        ModuleLock::Lock();
    } else {
        ModuleLock::Unlock();
    }
    return S_OK;
}

}  // namespace pictrove::readers
