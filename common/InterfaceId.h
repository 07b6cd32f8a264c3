// Maps a COM interface type to its IID, so code can ask for an interface by its type. Each
// interface's specialisation stands beside the interface (the contracts, common/OleInterfaceIds.h).
#pragma once

#include <unknwn.h>

namespace pictrove {

// Specialise with `static const IID& Get()` for every interface a COM class lists.
template <class Interface>
struct InterfaceId;

// An implementation base (an interface with its unused slots filled in, see the contracts'
// *Slots classes) answers for the interface it implements, named by its member type Interface.
template <class Base>
    requires requires { typename Base::Interface; }
struct InterfaceId<Base> : InterfaceId<typename Base::Interface> {};

template <>
struct InterfaceId<IUnknown> {
    static const IID& Get() { return IID_IUnknown; }
};

template <>
struct InterfaceId<IClassFactory> {
    static const IID& Get() { return IID_IClassFactory; }
};

}  // namespace pictrove
