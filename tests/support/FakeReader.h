// A scriptable document reader registered in the test process under a real reader class id,
// for the branches of document opening that no real file reaches. It logs its calls and counts
// live objects so tests can check that every reference was released.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <memory>
#include <optional>
#include <vector>

#include "contracts/ReaderContract.h"

namespace pictrove::test {

// One image of a scripted document; pixels may be null (GetImage then gives nothing).
struct FakeDocumentImage {
    std::wstring name;
    int width = 10;
    int height = 20;
    Microsoft::WRL::ComPtr<IUnknown> pixels;
    HRESULT failure = E_FAIL;  // what GetImage returns when there are no pixels
};

struct FakeReaderScript {
    HRESULT firstOpen = S_OK;        // result of the first Open
    bool supportsPassword = true;    // answers QueryInterface for DocumentPassword
    std::wstring correctPassword;    // second Open succeeds only with this password
    bool providesCollection = true;  // answers QueryInterface for ImageCollection
    int imageCount = 1;              // used when images is empty
    std::vector<FakeDocumentImage> images;
    std::optional<int> condition;  // offered as DocumentCondition when set
};

struct FakeReaderLog {
    std::vector<std::wstring> calls;  // "Open(path)", "SetPassword(pw)", "QI(DocumentPassword)"...
    LONG liveObjects = 0;             // readers and collections not yet destroyed
};

// Registers a class factory for clsid while alive; every reader it makes follows the script.
class FakeReaderRegistration {
  public:
    FakeReaderRegistration(const CLSID& clsid, FakeReaderScript script);
    ~FakeReaderRegistration();
    FakeReaderRegistration(const FakeReaderRegistration&) = delete;
    FakeReaderRegistration& operator=(const FakeReaderRegistration&) = delete;

    bool Registered() const { return cookie_ != 0; }
    FakeReaderLog& Log() { return *log_; }
    FakeReaderScript& Script() { return script_; }

  private:
    class Factory;
    FakeReaderScript script_;
    std::shared_ptr<FakeReaderLog> log_ = std::make_shared<FakeReaderLog>();
    Factory* factory_ = nullptr;
    DWORD cookie_ = 0;
};

// Joins the log into one line for readable failure messages and comparisons.
std::wstring JoinCalls(const FakeReaderLog& log);

}  // namespace pictrove::test
