// The generic document reader: reads the file named in Open, hands its bytes to the format's
// source, and gives the opened document out as an image collection.
#pragma once

#include <wrl/client.h>

#include <memory>
#include <mutex>
#include <string>

#include "Module.h"
#include "OpenDocument.h"
#include "ReaderClasses.h"
#include "contracts/ReaderContract.h"

namespace pictrove::readers {

class ReaderObject final : public ComObject<DocumentReader, DocumentPassword> {
public:
    explicit ReaderObject(SourceMaker create) : create_(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    // DocumentReader
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Open(BSTR path) override;

    // DocumentPassword (its first slots share the names of the reader's placeholders)
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override;

private:
    SourceMaker create_;
    std::mutex lock_;
    std::u16string password_;
    std::shared_ptr<OpenDocument> document_;                // null until an Open succeeds
    Microsoft::WRL::ComPtr<ImageCollection> collection_;  // made on first request
};

// The whole file, or a failure status (from the file system, or for a file too large to hold).
HRESULT ReadWholeFile(const wchar_t* path, std::vector<std::uint8_t>& bytes);

}  // namespace pictrove::readers
