// Maps a COM interface type to its IID, so code can ask for an interface by its type. Each
// interface's entry stands beside the interface (the contracts, common/OleInterfaceIds.h).
#pragma once

#include <unknwn.h>

namespace pictrove {

// Specialised for every interface a COM class lists; null means none was written.
template <class Interface>
inline constexpr const IID* kInterfaceId = nullptr;

// An implementation base (an interface with its unused slots filled in, see the contracts'
// *Slots classes) answers for the interface it implements, named by its member type Interface.
template <class Base>
requires requires {
    typename Base::Interface;
}
inline constexpr const IID* kInterfaceId<Base> = kInterfaceId<typename Base::Interface>;

template <>
inline constexpr const IID* kInterfaceId<IUnknown> = &IID_IUnknown;
template <>
inline constexpr const IID* kInterfaceId<IClassFactory> = &IID_IClassFactory;

}  // namespace pictrove
