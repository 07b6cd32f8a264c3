// COM contract between Pictrove and its document readers: interface ids, slot order, class ids.
// Slots the application never calls stay as placeholders so the vtable layout matches the readers.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace pictrove {

inline constexpr IID kIidDocumentReader = {0x23112AD1, 0xA56C, 0x4398, {0x87, 0x64, 0x70, 0x33, 0xEA, 0xD0, 0x38, 0x04}};
inline constexpr IID kIidDocumentPassword = {0xA378DE44, 0x2C90, 0x47F5, {0x8D, 0x3C, 0x07, 0x83, 0xDE, 0x44, 0x81, 0x09}};
inline constexpr IID kIidImageCollection = {0xD8E87119, 0x4ECB, 0x4D0F, {0xA3, 0xB0, 0x60, 0x29, 0x39, 0x88, 0xF8, 0xC7}};
inline constexpr IID kIidReaderImage = {0x3905360D, 0x3C87, 0x498C, {0x93, 0xD2, 0x27, 0xE0, 0x02, 0xB9, 0x41, 0xB1}};

// Returned by DocumentReader::Open when the document needs a password.
inline constexpr HRESULT kOpenNeedsPassword = 0x10000;

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

// Pixel types of ReaderImage::GetPixelType.
enum ReaderPixelType : int {
    kPixelBgra32 = 0,
    kPixelBgr24 = 1,
    kPixelGray8 = 2,
    kPixelGrayPlusOne8 = 3,
};

// Bits of ReaderImage::GetLayout.
enum ReaderLayoutFlags : int {
    kLayoutMirroredRows = 1,
    kLayoutBottomUp = 2,
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

// Reader classes by format number (1..14) of the extension table.
inline constexpr CLSID kReaderClassIds[15] = {
    {},                                                                                      // 0: no reader
    {0x9959578C, 0xBBDF, 0x4385, {0xA9, 0x3A, 0xB3, 0xD8, 0x6C, 0xED, 0x04, 0x1B}},  // 1 TIFF
    {0x63DF9849, 0xDA10, 0x4213, {0x94, 0x57, 0x62, 0x5B, 0x2A, 0xC9, 0x28, 0x93}},  // 2 DjVu
    {0x5479AE9E, 0xD618, 0x4D2E, {0x84, 0x96, 0xC3, 0x1B, 0x68, 0x60, 0x3C, 0xB4}},  // 3 PDF, WWF
    {0xC39D6766, 0x0B14, 0x4CCB, {0xBE, 0xF0, 0xD3, 0xDD, 0x8B, 0xE6, 0x91, 0xB0}},  // 4 TXT, TCR
    {0xA3C5E108, 0x321C, 0x4A98, {0xA0, 0x8A, 0x03, 0x36, 0x66, 0xD8, 0xD5, 0x36}},  // 5 image files
    {0x313648F9, 0x5287, 0x40E5, {0xAE, 0x0B, 0x99, 0x0E, 0xF1, 0x67, 0x90, 0xA0}},  // 6 XPS
    {0xF655C27D, 0x4A1A, 0x48CD, {0xAD, 0x66, 0x6A, 0x7C, 0x9D, 0x03, 0x7E, 0x77}},  // 7 CBZ, CBR
    {0x8D874BDE, 0x11BB, 0x4EEB, {0x8D, 0x68, 0x97, 0x29, 0x5E, 0x72, 0x2C, 0x97}},  // 8 PDB
    {0x4D4EAD98, 0x8D63, 0x46D6, {0x91, 0x93, 0x08, 0xB9, 0x30, 0x85, 0x93, 0x47}},  // 9 JBIG2
    {0x5459BCA7, 0xD172, 0x41B9, {0x92, 0xED, 0xE6, 0x3D, 0x2C, 0x5C, 0x34, 0x07}},  // 10 FB2
    {0xB1B8AFD3, 0x9D35, 0x454B, {0x9A, 0x42, 0x25, 0xB9, 0x24, 0x5E, 0xF6, 0x79}},  // 11 PCX, DCX
    {0xB2E5A9ED, 0xA697, 0x4004, {0x87, 0xB6, 0x0A, 0xEE, 0xE9, 0xC1, 0xEE, 0x36}},  // 12 MOBI, AZW
    {0x9D14808D, 0x1A7B, 0x44E3, {0xB3, 0x78, 0x0D, 0xEE, 0xED, 0x53, 0x31, 0xDF}},  // 13 EPUB
    {0x67628C3B, 0x55FD, 0x4410, {0x9A, 0xA5, 0xAA, 0xDC, 0x9C, 0x4B, 0xE4, 0x05}},  // 14 DOC
};

}  // namespace pictrove
