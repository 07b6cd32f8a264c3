// COM contract between Pictrove and its document readers: interface ids, slot order, class ids,
// pixel types. Owned by neither side: the application and the reader DLL both include it.
// Slots the application never calls stay as placeholders so the vtable layout matches the readers.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/InterfaceId.h"
#include "contracts/GuidText.h"
#include "contracts/PixelModel.h"

namespace pictrove {

inline constexpr IID kIidDocumentReader = GuidFromText("{23112AD1-A56C-4398-8764-7033EAD03804}");
inline constexpr IID kIidDocumentPassword = GuidFromText("{A378DE44-2C90-47F5-8D3C-0783DE448109}");
inline constexpr IID kIidImageCollection = GuidFromText("{D8E87119-4ECB-4D0F-A3B0-60293988F8C7}");
inline constexpr IID kIidReaderImage = GuidFromText("{3905360D-3C87-498C-93D2-27E002B941B1}");

// Returned by DocumentReader::Open when the document needs a password.
inline constexpr HRESULT kOpenNeedsPassword = 0x10000;
// Returned by DocumentReader::Open when the document is encrypted in a way no password given to
// the reader can open (an archive whose files or headers are encrypted): the application says
// so rather than calling the file damaged, and does not ask for a password.
inline constexpr HRESULT kOpenProtectedUnreadable = static_cast<HRESULT>(0x80040201u);
// Returned by ImageCollection::GetImage for a picture refused by one of the limits of
// ReaderLimits.h: more pixels than kMaxPicturePixels, or a stream that would unpack to more than
// kMaxStreamBytes. The picture stays listed; only its pixels are refused.
inline constexpr HRESULT kImageOverPixelLimit = static_cast<HRESULT>(0x80040202u);
inline constexpr HRESULT kImageOverStreamLimit = static_cast<HRESULT>(0x80040203u);
// Returned by ImageCollection::GetImage for a picture of a kind the readers list but no decoder
// reads (WebP, AVIF, JPEG XL, HEIC, SVG); those with a stored format can still be written as stored.
inline constexpr HRESULT kImageKindNotDecoded = static_cast<HRESULT>(0x80040204u);
constexpr bool IsImageLimitRefusal(HRESULT result) {
    return result == kImageOverPixelLimit || result == kImageOverStreamLimit;
}

struct DocumentReader : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR path) = 0;
};

struct DocumentPassword : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) = 0;
};

struct ImageCollection : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImageCount(int* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImageWidth(int index, int* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImageHeight(int index, int* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImageName(int index, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImage(int index, IUnknown** image) = 0;
};

struct ReaderImage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelType(int* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPixelType(int type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWidth(int* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHeight(int* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStride(int* stride) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLayout(int* layout) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBits(BYTE** bits) = 0;
};

template <>
inline constexpr const IID* kInterfaceId<DocumentReader> = &kIidDocumentReader;
template <>
inline constexpr const IID* kInterfaceId<DocumentPassword> = &kIidDocumentPassword;
template <>
inline constexpr const IID* kInterfaceId<ImageCollection> = &kIidImageCollection;
template <>
inline constexpr const IID* kInterfaceId<ReaderImage> = &kIidReaderImage;

// Reader classes by format number (1..17) of the extension table. The build reads this table
// for the manifests (a class id, then "// " and the format number), so keep one class a line.
inline constexpr CLSID kReaderClassIds[18] = {
    {},                                                      // 0: no reader
    GuidFromText("{9959578C-BBDF-4385-A93A-B3D86CED041B}"),  // 1 TIFF
    GuidFromText("{63DF9849-DA10-4213-9457-625B2AC92893}"),  // 2 DjVu
    GuidFromText("{5479AE9E-D618-4D2E-8496-C31B68603CB4}"),  // 3 PDF, WWF
    GuidFromText("{C39D6766-0B14-4CCB-BEF0-D3DD8BE691B0}"),  // 4 TXT, TCR
    GuidFromText("{A3C5E108-321C-4A98-A08A-033666D8D536}"),  // 5 image files
    GuidFromText("{313648F9-5287-40E5-AE0B-990EF16790A0}"),  // 6 XPS
    GuidFromText("{F655C27D-4A1A-48CD-AD66-6A7C9D037E77}"),  // 7 CBZ, CBR
    GuidFromText("{8D874BDE-11BB-4EEB-8D68-97295E722C97}"),  // 8 PDB
    GuidFromText("{4D4EAD98-8D63-46D6-9193-08B930859347}"),  // 9 JBIG2
    GuidFromText("{5459BCA7-D172-41B9-92ED-E63D2C5C3407}"),  // 10 FB2
    GuidFromText("{B1B8AFD3-9D35-454B-9A42-25B9245EF679}"),  // 11 PCX, DCX
    GuidFromText("{B2E5A9ED-A697-4004-87B6-0AEEE9C1EE36}"),  // 12 MOBI, AZW
    GuidFromText("{9D14808D-1A7B-44E3-B378-0DEEED5331DF}"),  // 13 EPUB
    GuidFromText("{67628C3B-55FD-4410-9AA5-AADC9C4BE405}"),  // 14 DOC
    GuidFromText("{CE375D50-F559-4CA3-9248-17422599DC25}"),  // 15 DOCX, PPTX, XLSX
    GuidFromText("{78CC9F03-5CFB-430C-B0CD-F2FC3FCABDE2}"),  // 16 ODT, ODP, ODS, ODG
    GuidFromText("{EF490D09-5196-42AC-BDE9-80BF6DDDFBE6}"),  // 17 PPT, XLS
};

}  // namespace pictrove
