// Fake document reader objects: reader, password and collection in one object, plus its factory.
#include "tests/support/FakeReader.h"

#include "common/ComObject.h"
#include "contracts/DocumentConditionContract.h"
#include "contracts/ReaderSlots.h"

namespace pictrove::test {

namespace {

class FakeReader final
    : public ComObject<DocumentReaderSlots, DocumentPasswordSlots, ImageCollectionSlots, DocumentCondition> {
  public:
    FakeReader(const FakeReaderScript& script, std::shared_ptr<FakeReaderLog> log)
        : script_(script), log_(std::move(log)) {
        InterlockedIncrement(&log_->liveObjects);
    }

    HRESULT STDMETHODCALLTYPE Open(BSTR path) override {
        log_->calls.push_back(L"Open(" + std::wstring(path ? path : L"") + L")");
        if (++opens_ == 1) return script_.firstOpen;
        return password_ == script_.correctPassword ? S_OK : E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override {
        password_ = password ? password : L"";
        log_->calls.push_back(L"SetPassword(" + password_ + L")");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageCount(int* count) override {
        log_->calls.push_back(L"GetImageCount");
        *count = script_.images.empty() ? script_.imageCount : static_cast<int>(script_.images.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCondition(int* condition) override {
        *condition = script_.condition.value_or(kDocumentWhole);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageWidth(int index, int* width) override {
        const FakeDocumentImage* image = Image(index);
        *width = image ? image->width : 10;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageHeight(int index, int* height) override {
        const FakeDocumentImage* image = Image(index);
        *height = image ? image->height : 20;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImageName(int index, BSTR* name) override {
        const FakeDocumentImage* image = Image(index);
        *name = SysAllocString(image ? image->name.c_str() : (L"img" + std::to_wstring(index)).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetImage(int index, IUnknown** image) override {
        log_->calls.push_back(L"GetImage(" + std::to_wstring(index) + L")");
        *image = nullptr;
        const FakeDocumentImage* entry = Image(index);
        if (!entry) return E_FAIL;
        if (!entry->pixels) return entry->failure;
        *image = entry->pixels.Get();
        (*image)->AddRef();
        return S_OK;
    }

  private:
    ~FakeReader() override { InterlockedDecrement(&log_->liveObjects); }

    // Logs the questions the application asks, and refuses what the script withholds.
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void**) override {
        if (IsEqualIID(iid, kIidDocumentPassword)) {
            log_->calls.push_back(L"QI(DocumentPassword)");
            if (!script_.supportsPassword) return E_NOINTERFACE;
        } else if (IsEqualIID(iid, kIidImageCollection)) {
            log_->calls.push_back(L"QI(ImageCollection)");
            if (!script_.providesCollection) return E_NOINTERFACE;
        } else if (IsEqualIID(iid, kIidDocumentCondition) && !script_.condition) {
            return E_NOINTERFACE;
        }
        return std::nullopt;
    }

    const FakeDocumentImage* Image(int index) const {
        if (index < 0 || static_cast<size_t>(index) >= script_.images.size()) return nullptr;
        return &script_.images[static_cast<size_t>(index)];
    }

    int opens_ = 0;
    std::wstring password_;
    FakeReaderScript script_;
    // Shared: a window under test may release its reader after the registration is gone.
    std::shared_ptr<FakeReaderLog> log_;
};

}  // namespace

class FakeReaderRegistration::Factory final : public ComObject<IClassFactory> {
  public:
    explicit Factory(FakeReaderRegistration& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* reader = new FakeReader(owner_.script_, owner_.log_);
        const HRESULT hr = reader->QueryInterface(iid, out);
        reader->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    FakeReaderRegistration& owner_;
};

FakeReaderRegistration::FakeReaderRegistration(const CLSID& clsid, FakeReaderScript script)
    : script_(std::move(script)), factory_(new Factory(*this)) {
    if (FAILED(CoRegisterClassObject(clsid, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_))) {
        cookie_ = 0;
    }
}

FakeReaderRegistration::~FakeReaderRegistration() {
    if (cookie_) CoRevokeClassObject(cookie_);
    factory_->Release();
}

std::wstring JoinCalls(const FakeReaderLog& log) {
    std::wstring joined;
    for (const auto& call : log.calls) {
        if (!joined.empty()) joined += L" ";
        joined += call;
    }
    return joined;
}

}  // namespace pictrove::test
