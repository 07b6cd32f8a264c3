// Stand-ins for a document reader's image collection and pixel objects, for tests and the
// benchmark: plain in-memory pixels, a log of every call, and visible reference counts.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/ReaderContract.h"

namespace pictrove::test {

// Calls in the order they came, from any thread.
class CallLog {
public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// A pixel object. Created with one reference, which the creator owns.
class FakeReaderImage : public ReaderImage {
public:
    FakeReaderImage(int pixelType, int width, int height, int stride, int layout,
                    std::shared_ptr<std::vector<BYTE>> pixels, CallLog* log = nullptr);

    // Image whose stored rows are given top-down, left-to-right in the given type's byte
    // layout; the object stores them as the layout flags say (mirrored, bottom-up), with
    // padding bytes of 0xEE up to stride.
    static FakeReaderImage* FromRows(int pixelType, int width, int height, int stride, int layout,
                                     const std::vector<BYTE>& topDownPixels, CallLog* log = nullptr);

    ULONG RefCount() const { return refs_.load(); }
    const std::vector<BYTE>& Pixels() const { return *pixels_; }
    int PixelType() const { return pixelType_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // ReaderImage
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override;
    HRESULT STDMETHODCALLTYPE SetPixelType(int type) override;
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override;
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override;
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override;
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override;
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override;

private:
    virtual ~FakeReaderImage() = default;
    void Log(const char* entry) {
        if (log_) log_->Add(entry);
    }

    std::atomic<ULONG> refs_{1};
    int pixelType_;
    int width_;
    int height_;
    int stride_;
    int layout_;
    std::shared_ptr<std::vector<BYTE>> pixels_;
    CallLog* log_;
};

// An object that is no pixel object: it answers IUnknown only.
class FakeUnknown : public IUnknown {
public:
    FakeUnknown() = default;
    ULONG RefCount() const { return refs_.load(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;

private:
    virtual ~FakeUnknown() = default;
    std::atomic<ULONG> refs_{1};
};

// A document's images. Entries without an image object give none from GetImage.
class FakeImageCollection : public ImageCollection {
public:
    struct Entry {
        std::wstring name;
        IUnknown* image = nullptr;  // the collection holds one reference
    };

    explicit FakeImageCollection(CallLog* log = nullptr) : log_(log) {}

    // Adds an image; the collection takes its own reference.
    void Add(std::wstring name, IUnknown* image);
    // Called on the caller's thread (the worker's, in a job) when GetImage is asked for an index.
    void SetOnGetImage(std::function<void(int index)> hook) { onGetImage_ = std::move(hook); }
    // Reported by GetImageCount instead of the number of entries, when set.
    void SetReportedCount(int count) { reportedCount_ = count; }

    ULONG RefCount() const { return refs_.load(); }
    int GetImageCalls() const { return getImageCalls_.load(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override;
    // ImageCollection
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetImageCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetImageWidth(int index, int* width) override;
    HRESULT STDMETHODCALLTYPE GetImageHeight(int index, int* height) override;
    HRESULT STDMETHODCALLTYPE GetImageName(int index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetImage(int index, IUnknown** image) override;

private:
    virtual ~FakeImageCollection();
    void Log(std::string entry) {
        if (log_) log_->Add(std::move(entry));
    }

    std::atomic<ULONG> refs_{1};
    std::vector<Entry> entries_;
    std::function<void(int)> onGetImage_;
    int reportedCount_ = -1;
    std::atomic<int> getImageCalls_{0};
    CallLog* log_;
};

// Bytes per pixel of a reader pixel type (4, 3, 1, 1).
int ReaderBytesPerPixel(int pixelType);

}  // namespace pictrove::test
