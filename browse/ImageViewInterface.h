// COM contract between Pictrove and the image-view control of its preview pane.
// The five slots before SetImage are never called; they keep the vtable layout of the control.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace pictrove {

inline constexpr CLSID kClsidImageViewControl = {
    0x1DEAA43C, 0x1302, 0x48D4, {0x87, 0x3C, 0xC1, 0xA2, 0x1E, 0xA6, 0xBD, 0xD4}};
inline constexpr IID kIidImageView = {0xAAC4201A, 0x643B, 0x4C24, {0x94, 0xF6, 0x25, 0x6D, 0x5D, 0x2C, 0x73, 0xFB}};

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

}  // namespace pictrove
