// A private interface of our own readers, beside the reader contract (which it leaves as it is):
// how a picture is stored in its document, its stored bytes and the pixel type known without
// decoding. Asked for with QueryInterface; a reader that does not offer it simply has no stored
// forms, and the application writes such pictures as PNG.
#pragma once

#include <windows.h>

#include "common/InterfaceId.h"
#include "contracts/GuidText.h"
#include "contracts/StoredFormat.h"

namespace pictrove {

inline constexpr IID kIidStoredPicture = GuidFromText("{7B56D149-1B6C-4AB2-A968-6CD05BBE34B7}");
inline constexpr IID kIidStoredPictureList = GuidFromText("{7AA98410-317B-4791-9E44-6DFB7D778C38}");
inline constexpr IID kIidPicturePlaces = GuidFromText("{3F0C6E52-8D1A-4B77-9A43-2C5E81D0B6F4}");

// Offered by a reader's image object. Its pixels outlive the document, its stored form does not:
// once the document's reader and collections are released, both calls fail with
// CO_E_OBJNOTCONNECTED.
struct StoredPicture : IUnknown {
    // A StoredPictureFormat number; kStoredNone when the picture has no file form of its own.
    virtual HRESULT STDMETHODCALLTYPE GetStoredFormat(int* format) = 0;
    // The stored file in a CoTaskMemAlloc block the caller frees with CoTaskMemFree. S_FALSE
    // (null, 0) when the picture has none; a failure when its data cannot be read.
    virtual HRESULT STDMETHODCALLTYPE GetStoredBytes(BYTE** bytes, ULONG* size) = 0;
};

// Offered by a reader's image collection, per index, so that listing and writing pictures as
// stored need no decoding at all.
struct StoredPictureList : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetStoredFormat(int index, int* format) = 0;
    // The ReaderPixelType the picture decodes to, when the headers settle it: S_OK. S_FALSE with
    // -1 when only decoding can tell.
    virtual HRESULT STDMETHODCALLTYPE GetKnownPixelType(int index, int* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStoredBytes(int index, BYTE** bytes, ULONG* size) = 0;
};

// One drawing of a picture: its page (1-based) and the rectangle it covers in points, from the
// top-left corner of the page as shown, y down (a turned picture by its upright bounding box;
// kept as drawn, even off the page or empty). ppiX and ppiY are the picture's pixels over its
// drawn edges in inches, 0 when an edge has no length.
struct PicturePlacement {
    int page;
    double x;
    double y;
    double width;
    double height;
    double ppiX;
    double ppiY;
};

// Offered by a reader's image collection: where each picture is drawn, known without decoding.
// A reader that does not offer it gives no page for any picture.
struct PicturePlaces : IUnknown {
    // The document's number of pages; 0 for a format without pages.
    virtual HRESULT STDMETHODCALLTYPE GetPageCount(int* count) = 0;
    // The pages image index is drawn on, ascending, each once: up to capacity of them into pages
    // (which may be null when capacity is 0), and their number into count. S_FALSE when capacity
    // was too small for all.
    virtual HRESULT STDMETHODCALLTYPE GetImagePages(int index, int* pages, int capacity, int* count) = 0;
    // Each drawing of image index, for the formats that say where (PDF, XPS); 0 for the others.
    virtual HRESULT STDMETHODCALLTYPE GetPlacementCount(int index, int* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPlacement(int index, int placement, PicturePlacement* out) = 0;
};

template <>
inline constexpr const IID* kInterfaceId<StoredPicture> = &kIidStoredPicture;
template <>
inline constexpr const IID* kInterfaceId<PicturePlaces> = &kIidPicturePlaces;
template <>
inline constexpr const IID* kInterfaceId<StoredPictureList> = &kIidStoredPictureList;

}  // namespace pictrove
