// The one base of our COM classes: reference counting safe from any thread, QueryInterface
// answered from the class's list of interfaces, and the module count that DllCanUnloadNow reads.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <optional>

#include "common/InterfaceId.h"

namespace pictrove {

// Live objects and server locks of this module. Every DLL and program has a count of its own
// (the variable is not exported), so a component's DllCanUnloadNow sees its own objects only.
class ModuleLock {
  public:
    static void Lock() noexcept { InterlockedIncrement(&count_); }
    static void Unlock() noexcept { InterlockedDecrement(&count_); }
    static bool InUse() noexcept { return InterlockedCompareExchange(&count_, 0, 0) != 0; }

  private:
    static inline LONG volatile count_ = 0;
};

// Holds the module loaded for as long as its owner lives.
class ModuleReference {
  public:
    ModuleReference() noexcept { ModuleLock::Lock(); }
    ~ModuleReference() { ModuleLock::Unlock(); }
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

// QueryInterface over a list of interfaces: each is answered by its IID, IUnknown through the
// first. A class with a special case (an alias such as IOleWindow, an interface that is an
// object of its own, a call to log, an interface to refuse) says so in QueryInterfaceHook.
template <class First, class... Rest>
class InterfaceList : public First, public Rest... {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (const std::optional<HRESULT> answer = QueryInterfaceHook(iid, out)) return *answer;
        const bool found = IsEqualIID(iid, IID_IUnknown) ? Answer<First>(out)
                                                         : (Match<First>(iid, out) || ... || Match<Rest>(iid, out));
        return found ? S_OK : E_NOINTERFACE;
    }

  protected:
    InterfaceList() = default;
    virtual ~InterfaceList() = default;
    InterfaceList(const InterfaceList&) = delete;
    InterfaceList& operator=(const InterfaceList&) = delete;

    // Runs before the list. Returns nothing to let the list answer; else the answer, with *out
    // set (and referenced) when it succeeds.
    virtual std::optional<HRESULT> QueryInterfaceHook(REFIID, void**) { return std::nullopt; }

    // Hands this object out as Interface, with a new reference, as QueryInterface does.
    template <class Interface>
    bool Answer(void** out) {
        Interface* face = this;
        face->AddRef();
        *out = face;
        return true;
    }

  private:
    template <class Interface>
    bool Match(REFIID iid, void** out) {
        static_assert(kInterfaceId<Interface> != nullptr, "no IID written for an interface of the list");
        return IsEqualIID(iid, *kInterfaceId<Interface>) && Answer<Interface>(out);
    }
};

// An object on the heap, made with one reference that its creator owns, deleted by its last
// Release. Calls may come from any thread (the extraction worker uses collections and images).
template <class... Interfaces>
class ComObject : public InterfaceList<Interfaces...> {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    // References held now; for tests that check every reference was given back.
    ULONG RefCount() const { return static_cast<ULONG>(InterlockedCompareExchange(&refs_, 0, 0)); }

  protected:
    ComObject() = default;

  private:
    mutable LONG volatile refs_ = 1;
    ModuleReference module_;
};

// An object that lives as long as its module (a DLL's class factory): never deleted; its
// references count as locks on the module instead.
template <class... Interfaces>
class StaticComObject : public InterfaceList<Interfaces...> {
  public:
    ULONG STDMETHODCALLTYPE AddRef() override {
        ModuleLock::Lock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ModuleLock::Unlock();
        return 1;
    }
};

}  // namespace pictrove
