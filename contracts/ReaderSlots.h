// The reader interfaces with their placeholder slots filled in (each answers E_NOTIMPL), so the
// reader DLL's objects and the tests' fakes implement only the slots that mean something.
#pragma once

#include "contracts/ReaderContract.h"

namespace pictrove {

struct DocumentReaderSlots : DocumentReader {
    using Interface = DocumentReader;
    HRESULT STDMETHODCALLTYPE Reserved1() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() final { return E_NOTIMPL; }
};

struct DocumentPasswordSlots : DocumentPassword {
    using Interface = DocumentPassword;
    HRESULT STDMETHODCALLTYPE Reserved1() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() final { return E_NOTIMPL; }
};

struct ImageCollectionSlots : ImageCollection {
    using Interface = ImageCollection;
    HRESULT STDMETHODCALLTYPE Reserved1() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() final { return E_NOTIMPL; }
};

struct ReaderImageSlots : ReaderImage {
    using Interface = ReaderImage;
    HRESULT STDMETHODCALLTYPE Reserved1() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved8() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() final { return E_NOTIMPL; }
};

}  // namespace pictrove
