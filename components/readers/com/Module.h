// Module-wide state of the reader DLL: the count of live objects and locks that decides
// DllCanUnloadNow, the base of every COM object, and the guard that keeps exceptions inside.
#pragma once

#include <windows.h>

#include <new>

namespace pictrove::readers {

void LockModule();
void UnlockModule();
bool ModuleInUse();

// Holds the module loaded for as long as the owning object lives.
class ModuleReference {
public:
    ModuleReference() { LockModule(); }
    ~ModuleReference() { UnlockModule(); }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

// Reference counting shared by the objects: safe from any thread, since the extraction worker
// calls collections and images without marshalling. Derived classes answer QueryInterface.
template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

private:
    LONG volatile refs_ = 1;
    ModuleReference module_;
};

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
