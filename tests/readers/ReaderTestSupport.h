// Helpers of the reader tests that go through COM: creating a reader by format, opening a
// path, and reading names, sizes and pixels back from the collection.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test::readers {

using Microsoft::WRL::ComPtr;

template <class T>
inline HRESULT Query(IUnknown* object, const IID& iid, ComPtr<T>& out) {
    out.Reset();
    return object->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

inline ComPtr<DocumentReader> CreateReader(int format) {
    ComPtr<DocumentReader> reader;
    const HRESULT hr = CoCreateInstance(kReaderClassIds[format], nullptr, CLSCTX_ALL, kIidDocumentReader,
                                        reinterpret_cast<void**>(reader.GetAddressOf()));
    EXPECT_EQ(hr, S_OK) << "format " << format;
    return reader;
}

inline HRESULT OpenPath(DocumentReader* reader, const std::wstring& path) {
    BSTR text = SysAllocString(path.c_str());
    const HRESULT hr = reader->Open(text);
    SysFreeString(text);
    return hr;
}

// Opens the file with the reader of the format and takes the collection, releasing the reader
// as the application does.
inline ComPtr<ImageCollection> OpenCollection(int format, const std::wstring& path) {
    ComPtr<DocumentReader> reader = CreateReader(format);
    if (!reader) return nullptr;
    const HRESULT hr = OpenPath(reader.Get(), path);
    EXPECT_EQ(hr, S_OK) << "opening " << std::string(path.begin(), path.end());
    ComPtr<ImageCollection> collection;
    if (hr == S_OK) {
        EXPECT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
    }
    return collection;
}

inline int Count(ImageCollection* collection) {
    int count = 0xdeadbeef;
    EXPECT_EQ(collection->GetImageCount(&count), S_OK);
    return count;
}

inline std::wstring Name(ImageCollection* collection, int index) {
    BSTR name = nullptr;
    EXPECT_EQ(collection->GetImageName(index, &name), S_OK);
    std::wstring text(name ? name : L"", SysStringLen(name));
    SysFreeString(name);
    return text;
}

struct Pixels {
    ComPtr<ReaderImage> image;
    int type = -1;
    int width = 0;
    int height = 0;
    int stride = 0;
    int layout = -1;
    BYTE* bits = nullptr;

    const BYTE* At(int x, int y) const {
        static const int kBytes[] = {4, 3, 1, 1};
        return bits + y * stride + x * kBytes[type];
    }
    // The channel values of pixel (x, y) in memory order.
    std::vector<int> ChannelsAt(int x, int y) const {
        static const int kBytes[] = {4, 3, 1, 1};
        return std::vector<int>(At(x, y), At(x, y) + kBytes[type]);
    }
};

inline Pixels ReadPixels(ImageCollection* collection, int index) {
    Pixels pixels;
    ComPtr<IUnknown> object;
    EXPECT_EQ(collection->GetImage(index, object.GetAddressOf()), S_OK) << "image " << index;
    if (!object) return pixels;
    EXPECT_EQ(Query(object.Get(), kIidReaderImage, pixels.image), S_OK);
    if (!pixels.image) return pixels;
    pixels.image->GetPixelType(&pixels.type);
    pixels.image->GetWidth(&pixels.width);
    pixels.image->GetHeight(&pixels.height);
    pixels.image->GetStride(&pixels.stride);
    pixels.image->GetLayout(&pixels.layout);
    pixels.image->GetBits(&pixels.bits);
    return pixels;
}

// Channel values of a pixel in memory order, for readable failure messages.
inline std::vector<int> Channels(const Pixels& pixels, int x, int y) {
    static const int kBytes[] = {4, 3, 1, 1};
    const BYTE* p = pixels.At(x, y);
    return std::vector<int>(p, p + kBytes[pixels.type]);
}

// Tests that write the documents they open into a folder of their own.
class ReaderFileTest : public testing::Test {
  protected:
    std::wstring Write(const wchar_t* name, const std::vector<unsigned char>& bytes) {
        const std::wstring path = folder_.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    TempFolder folder_;
};

}  // namespace pictrove::test::readers
