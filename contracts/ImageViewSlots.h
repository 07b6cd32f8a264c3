// ImageView with its placeholder slots filled in (each answers E_NOTIMPL), for the control to
// derive from.
#pragma once

#include "contracts/ImageViewContract.h"

namespace pictrove {

struct ImageViewSlots : ImageView {
    using Interface = ImageView;
    HRESULT STDMETHODCALLTYPE Reserved1() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() final { return E_NOTIMPL; }
};

}  // namespace pictrove
