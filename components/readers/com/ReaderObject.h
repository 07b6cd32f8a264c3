// The generic document reader: reads the file named in Open, hands its bytes to the format's
// source, and gives the opened document out as an image collection.
#pragma once

#include <wrl/client.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Module.h"
#include "OpenDocument.h"
#include "ReaderClasses.h"
#include "contracts/ReaderSlots.h"

namespace pictrove::readers {

class ReaderObject final : public ComObject<DocumentReaderSlots, DocumentPasswordSlots> {
  public:
    explicit ReaderObject(SourceMaker create) : create_(create) {}

    HRESULT STDMETHODCALLTYPE Open(BSTR path) override;
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override;

  private:
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** object) override;

    SourceMaker create_;
    std::mutex lock_;
    std::u16string password_;
    std::shared_ptr<OpenDocument> document_;              // null until an Open succeeds
    Microsoft::WRL::ComPtr<ImageCollection> collection_;  // made on first request
};

}  // namespace pictrove::readers
