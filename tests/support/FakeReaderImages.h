// Stand-ins for a document reader's image collection and pixel objects, for every test and
// benchmark: plain in-memory pixels in any reader layout, a log of every call, visible reference
// counts and a count of live objects.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/ComObject.h"
#include "contracts/ReaderSlots.h"
#include "contracts/StoredPictureContract.h"

namespace pictrove::test {

// Takes over the creator's reference of a new object (not ComPtr::Attach: MinGW's adds one).
template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* made) {
    Microsoft::WRL::ComPtr<T> held;
    *held.GetAddressOf() = made;
    return held;
}

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

// Picture colour (as seen, top-down and left to right) of one pixel.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

// How FakeReaderImage::Make stores a picture.
struct FakeImageShape {
    int width = 0;
    int height = 0;
    int pixelType = kPixelBgr24;
    int layout = 0;
    int padding = 0;              // bytes after each stored row
    bool negativeStride = false;  // rows follow each other downwards in memory
    bool answersReaderImage = true;
};

// A pixel object. Created with one reference, which the creator owns.
class FakeReaderImage final : public ComObject<ReaderImageSlots> {
  public:
    FakeReaderImage(int pixelType,
                    int width,
                    int height,
                    int stride,
                    int layout,
                    std::shared_ptr<std::vector<BYTE>> pixels,
                    CallLog* log = nullptr);

    // Image whose stored rows are given top-down, left-to-right in the given type's byte
    // layout; the object stores them as the layout flags say (mirrored, bottom-up), with
    // padding bytes of 0xEE up to stride.
    static FakeReaderImage* FromRows(int pixelType,
                                     int width,
                                     int height,
                                     int stride,
                                     int layout,
                                     const std::vector<BYTE>& topDownPixels,
                                     CallLog* log = nullptr);
    // Lays out the picture given by colourAt(x, y) as the shape's type and layout store it. Gray
    // types take the red channel as the level.
    static Microsoft::WRL::ComPtr<FakeReaderImage> Make(const FakeImageShape& shape,
                                                        const std::function<Rgba(int x, int y)>& colourAt);
    // Objects not yet destroyed, across all tests.
    static LONG LiveObjects() { return live_.load(); }

    const std::vector<BYTE>& Pixels() const { return *pixels_; }
    std::vector<BYTE>& Buffer() { return *pixels_; }
    int PixelType() const { return pixelType_; }
    int SetPixelTypeCalls() const { return setPixelTypeCalls_; }

    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPixelType(int* type) override;
    HRESULT STDMETHODCALLTYPE SetPixelType(int type) override;
    HRESULT STDMETHODCALLTYPE GetWidth(int* width) override;
    HRESULT STDMETHODCALLTYPE GetHeight(int* height) override;
    HRESULT STDMETHODCALLTYPE GetStride(int* stride) override;
    HRESULT STDMETHODCALLTYPE GetLayout(int* layout) override;
    HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) override;

  private:
    ~FakeReaderImage() override;
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** out) override;
    void Log(const char* entry) {
        if (log_) log_->Add(entry);
    }

    static inline std::atomic<LONG> live_{0};
    int pixelType_;
    int width_;
    int height_;
    int stride_;
    int layout_;
    std::shared_ptr<std::vector<BYTE>> pixels_;
    CallLog* log_;
    size_t firstRow_ = 0;  // where GetBits points: the end of the buffer for a negative stride
    bool answersReaderImage_ = true;
    int setPixelTypeCalls_ = 0;
};

// An object that is no pixel object: it answers IUnknown only.
class FakeUnknown final : public ComObject<IUnknown> {
  private:
    ~FakeUnknown() override = default;
};

// A document's images. Entries without an image object give none from GetImage. Once SetStored
// has been called it also answers for the stored-picture list, as our own readers do.
class FakeImageCollection final : public ComObject<ImageCollectionSlots, StoredPictureList> {
  public:
    struct Entry {
        std::wstring name;
        IUnknown* image = nullptr;  // the collection holds one reference
        HRESULT failure = E_FAIL;   // what GetImage returns without an image
    };

    explicit FakeImageCollection(CallLog* log = nullptr) : log_(log) {}

    // Adds an image; the collection takes its own reference.
    void Add(std::wstring name, IUnknown* image);
    // Adds an entry that gives no image, with the reader's reason.
    void AddRefused(std::wstring name, HRESULT failure);
    // Called on the caller's thread (the worker's, in a job) when GetImage is asked for an index.
    void SetOnGetImage(std::function<void(int index)> hook) { onGetImage_ = std::move(hook); }
    // Reported by GetImageCount instead of the number of entries, when set.
    void SetReportedCount(int count) { reportedCount_ = count; }

    int GetImageCalls() const { return getImageCalls_.load(); }

    // The stored form of image index: format, bytes (empty: the reader fails to give them) and
    // the pixel type known without decoding (-1 none).
    void SetStored(int index, int format, std::vector<BYTE> bytes, int knownPixelType = -1);

    HRESULT STDMETHODCALLTYPE GetImageCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetImageWidth(int index, int* width) override;
    HRESULT STDMETHODCALLTYPE GetImageHeight(int index, int* height) override;
    HRESULT STDMETHODCALLTYPE GetImageName(int index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetImage(int index, IUnknown** image) override;

    // StoredPictureList
    HRESULT STDMETHODCALLTYPE GetStoredFormat(int index, int* format) override;
    HRESULT STDMETHODCALLTYPE GetKnownPixelType(int index, int* type) override;
    HRESULT STDMETHODCALLTYPE GetStoredBytes(int index, BYTE** bytes, ULONG* size) override;

  private:
    struct Stored {
        int format = kStoredNone;
        std::vector<BYTE> bytes;
        int knownPixelType = -1;
    };
    ~FakeImageCollection() override;
    std::optional<HRESULT> QueryInterfaceHook(REFIID iid, void** out) override;
    const Stored* StoredAt(int index) const;
    void Log(std::string entry) {
        if (log_) log_->Add(std::move(entry));
    }

    std::vector<Entry> entries_;
    std::vector<Stored> stored_;
    bool offersStored_ = false;
    std::function<void(int)> onGetImage_;
    int reportedCount_ = -1;
    std::atomic<int> getImageCalls_{0};
    CallLog* log_;
};

}  // namespace pictrove::test
