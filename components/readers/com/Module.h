// The reader DLL's COM objects: their base (with the module count that DllCanUnloadNow reads)
// and the guard that keeps exceptions inside every COM method.
#pragma once

#include <windows.h>

#include <new>

#include "common/ComObject.h"

namespace pictrove::readers {

// Runs body, turning any exception into a status so that none crosses a COM method.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace pictrove::readers
