// Every class id and interface id of the reader and image-view contracts, typed here as text from
// the contract's documentation, held against the application's header and against what the
// component DLLs answer. A typo shared by both sides of the contract cannot survive this.
#include <gtest/gtest.h>

#include <windows.h>

#include <wrl/client.h>

#include <set>

#include "contracts/ImageViewContract.h"
#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"
#include "common/Handles.h"

namespace pictrove::test {
namespace {

using Microsoft::WRL::ComPtr;

struct DocumentedClass {
    int format;
    const wchar_t* clsid;
};

// The format table of the reader contract, in its order.
constexpr DocumentedClass kDocumentedReaders[] = {
    {1, L"{9959578C-BBDF-4385-A93A-B3D86CED041B}"},  {2, L"{63DF9849-DA10-4213-9457-625B2AC92893}"},
    {3, L"{5479AE9E-D618-4D2E-8496-C31B68603CB4}"},  {4, L"{C39D6766-0B14-4CCB-BEF0-D3DD8BE691B0}"},
    {5, L"{A3C5E108-321C-4A98-A08A-033666D8D536}"},  {6, L"{313648F9-5287-40E5-AE0B-990EF16790A0}"},
    {7, L"{F655C27D-4A1A-48CD-AD66-6A7C9D037E77}"},  {8, L"{8D874BDE-11BB-4EEB-8D68-97295E722C97}"},
    {9, L"{4D4EAD98-8D63-46D6-9193-08B930859347}"},  {10, L"{5459BCA7-D172-41B9-92ED-E63D2C5C3407}"},
    {11, L"{B1B8AFD3-9D35-454B-9A42-25B9245EF679}"}, {12, L"{B2E5A9ED-A697-4004-87B6-0AEEE9C1EE36}"},
    {13, L"{9D14808D-1A7B-44E3-B378-0DEEED5331DF}"}, {14, L"{67628C3B-55FD-4410-9AA5-AADC9C4BE405}"},
};
constexpr wchar_t kDocumentedDocumentReader[] = L"{23112AD1-A56C-4398-8764-7033EAD03804}";
constexpr wchar_t kDocumentedDocumentPassword[] = L"{A378DE44-2C90-47F5-8D3C-0783DE448109}";
constexpr wchar_t kDocumentedImageCollection[] = L"{D8E87119-4ECB-4D0F-A3B0-60293988F8C7}";
constexpr wchar_t kDocumentedReaderImage[] = L"{3905360D-3C87-498C-93D2-27E002B941B1}";
constexpr wchar_t kDocumentedImageViewControl[] = L"{1DEAA43C-1302-48D4-873C-C1A21EA6BDD4}";
constexpr wchar_t kDocumentedImageView[] = L"{AAC4201A-643B-4C24-94F6-256D5D2C73FB}";

// Formats whose reader our readers DLL serves today; the others have no component yet.
const std::set<int> kServedFormats = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};

GUID Parse(const wchar_t* text) {
    GUID id{};
    EXPECT_EQ(CLSIDFromString(text, &id), S_OK) << testing::PrintToString(std::wstring(text));
    return id;
}

// A 1x1 24-bit BMP: the smallest document that yields a collection and an image.
std::vector<unsigned char> OnePixelBitmap() {
    std::vector<unsigned char> bytes = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54,   0,    0,    0,  // file header
                                        40,  0,   0,  0, 1, 0, 0, 0, 1, 0, 0,    0,    1,    0, 24,
                                        0,   0,   0,  0, 0, 4, 0, 0, 0, 0, 0,    0,    0,    0, 0,
                                        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0x10, 0x20, 0x30, 0};
    return bytes;
}

TEST(ContractIds, TheHeaderHoldsTheDocumentedIds) {
    for (const DocumentedClass& row : kDocumentedReaders) {
        SCOPED_TRACE(row.format);
        EXPECT_TRUE(IsEqualGUID(Parse(row.clsid), kReaderClassIds[row.format]));
    }
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedDocumentReader), kIidDocumentReader));
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedDocumentPassword), kIidDocumentPassword));
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedImageCollection), kIidImageCollection));
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedReaderImage), kIidReaderImage));
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedImageViewControl), kClsidImageViewControl));
    EXPECT_TRUE(IsEqualGUID(Parse(kDocumentedImageView), kIidImageView));
    EXPECT_TRUE(IsEqualGUID(kReaderClassIds[0], GUID{})) << "format 0 has no reader";
}

// Through the program's manifest, as the application creates readers: the manifest's entry and
// the DLL's class table must both carry the documented id.
TEST(ContractIds, EveryServedReaderIsCreatedUnderItsDocumentedIds) {
    const IID readerIid = Parse(kDocumentedDocumentReader);
    const IID passwordIid = Parse(kDocumentedDocumentPassword);
    for (const DocumentedClass& row : kDocumentedReaders) {
        SCOPED_TRACE(row.format);
        ComPtr<IUnknown> reader;
        const HRESULT created = CoCreateInstance(Parse(row.clsid), nullptr, CLSCTX_ALL, readerIid,
                                                 reinterpret_cast<void**>(reader.GetAddressOf()));
        if (!kServedFormats.count(row.format)) {
            EXPECT_EQ(created, REGDB_E_CLASSNOTREG);
            continue;
        }
        ASSERT_EQ(created, S_OK);
        ComPtr<IUnknown> password;
        EXPECT_EQ(reader->QueryInterface(passwordIid, reinterpret_cast<void**>(password.GetAddressOf())), S_OK);
    }
}

// The DLL asked directly, without the manifest, so a wrong id is pinned to the side that has it.
TEST(ContractIds, TheReadersDllClassTableAnswersTheDocumentedIds) {
    UniqueModule dll(LoadLibraryW((ProgramFolder() + L"PictroveReaders.dll").c_str()));
    ASSERT_TRUE(dll);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll.Get(), "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    for (const DocumentedClass& row : kDocumentedReaders) {
        SCOPED_TRACE(row.format);
        ComPtr<IClassFactory> factory;
        const HRESULT result =
            getClassObject(Parse(row.clsid), IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
        EXPECT_EQ(result, kServedFormats.count(row.format) ? S_OK : CLASS_E_CLASSNOTAVAILABLE);
    }
}

TEST(ContractIds, AnOpenDocumentAnswersTheCollectionAndImageIds) {
    TempFolder folder;
    const std::wstring path = folder.File(L"one.bmp");
    ASSERT_TRUE(WriteFileBytes(path, OnePixelBitmap()));

    ComPtr<DocumentReader> reader;
    ASSERT_EQ(CoCreateInstance(Parse(kDocumentedReaders[4].clsid), nullptr, CLSCTX_ALL,
                               Parse(kDocumentedDocumentReader), reinterpret_cast<void**>(reader.GetAddressOf())),
              S_OK);
    ScopedBstr bstrPath(path.c_str());
    ASSERT_EQ(reader->Open(bstrPath.Get()), S_OK);

    ComPtr<ImageCollection> collection;
    ASSERT_EQ(
        reader->QueryInterface(Parse(kDocumentedImageCollection), reinterpret_cast<void**>(collection.GetAddressOf())),
        S_OK);
    int count = 0;
    collection->GetImageCount(&count);
    ASSERT_EQ(count, 1);
    ComPtr<IUnknown> image;
    collection->GetImage(0, image.GetAddressOf());
    ASSERT_TRUE(image);
    ComPtr<IUnknown> pixels;
    EXPECT_EQ(image->QueryInterface(Parse(kDocumentedReaderImage), reinterpret_cast<void**>(pixels.GetAddressOf())),
              S_OK);
}

TEST(ContractIds, TheImageViewControlIsCreatedUnderItsDocumentedIds) {
    ComPtr<IUnknown> control;
    EXPECT_EQ(CoCreateInstance(Parse(kDocumentedImageViewControl), nullptr, CLSCTX_INPROC_SERVER,
                               Parse(kDocumentedImageView), reinterpret_cast<void**>(control.GetAddressOf())),
              S_OK);
}

}  // namespace
}  // namespace pictrove::test
