// COM contract between Pictrove and the image-view control of its preview pane.
// The five slots before SetImage are never called; they keep the vtable layout of the control.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "common/InterfaceId.h"
#include "contracts/GuidText.h"

namespace pictrove {

inline constexpr CLSID kClsidImageViewControl = GuidFromText("{1DEAA43C-1302-48D4-873C-C1A21EA6BDD4}");
inline constexpr IID kIidImageView = GuidFromText("{AAC4201A-643B-4C24-94F6-256D5D2C73FB}");

struct ImageView : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    // Shows a reader's image object (anything that answers ReaderImage), or nothing for null.
    // The control keeps its own reference for as long as it shows the image.
    virtual HRESULT STDMETHODCALLTYPE SetImage(IUnknown* image) = 0;
};

template <>
inline constexpr const IID* kInterfaceId<ImageView> = &kIidImageView;

}  // namespace pictrove
