// The IIDs of the OLE embedding interfaces, for the image-view control and the container that
// hosts it (see common/InterfaceId.h).
#pragma once

#include <ole2.h>

#include "common/InterfaceId.h"

namespace pictrove {

template <>
struct InterfaceId<IOleObject> {
    static const IID& Get() { return IID_IOleObject; }
};
template <>
struct InterfaceId<IOleWindow> {
    static const IID& Get() { return IID_IOleWindow; }
};
template <>
struct InterfaceId<IOleInPlaceObject> {
    static const IID& Get() { return IID_IOleInPlaceObject; }
};
template <>
struct InterfaceId<IOleInPlaceActiveObject> {
    static const IID& Get() { return IID_IOleInPlaceActiveObject; }
};
template <>
struct InterfaceId<IOleClientSite> {
    static const IID& Get() { return IID_IOleClientSite; }
};
template <>
struct InterfaceId<IOleInPlaceSite> {
    static const IID& Get() { return IID_IOleInPlaceSite; }
};
template <>
struct InterfaceId<IOleInPlaceUIWindow> {
    static const IID& Get() { return IID_IOleInPlaceUIWindow; }
};
template <>
struct InterfaceId<IOleInPlaceFrame> {
    static const IID& Get() { return IID_IOleInPlaceFrame; }
};

}  // namespace pictrove
