// The class factory handed out by DllGetClassObject: makes a generic document reader around the
// source of one format.
#pragma once

#include <unknwn.h>

#include "Module.h"
#include "ReaderClasses.h"

namespace pictrove::readers {

class ClassFactory final : public ComObject<IClassFactory> {
  public:
    explicit ClassFactory(SourceMaker create) : create_(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  private:
    SourceMaker create_;
};

}  // namespace pictrove::readers
