// The IIDs of the OLE embedding interfaces, for the image-view control and the container that
// hosts it (see common/InterfaceId.h).
#pragma once

#include <ole2.h>

#include "common/InterfaceId.h"

namespace pictrove {

template <>
inline constexpr const IID* kInterfaceId<IOleObject> = &IID_IOleObject;
template <>
inline constexpr const IID* kInterfaceId<IOleWindow> = &IID_IOleWindow;
template <>
inline constexpr const IID* kInterfaceId<IOleInPlaceObject> = &IID_IOleInPlaceObject;
template <>
inline constexpr const IID* kInterfaceId<IOleInPlaceActiveObject> = &IID_IOleInPlaceActiveObject;
template <>
inline constexpr const IID* kInterfaceId<IOleClientSite> = &IID_IOleClientSite;
template <>
inline constexpr const IID* kInterfaceId<IOleInPlaceSite> = &IID_IOleInPlaceSite;
template <>
inline constexpr const IID* kInterfaceId<IOleInPlaceUIWindow> = &IID_IOleInPlaceUIWindow;
template <>
inline constexpr const IID* kInterfaceId<IOleInPlaceFrame> = &IID_IOleInPlaceFrame;

}  // namespace pictrove
