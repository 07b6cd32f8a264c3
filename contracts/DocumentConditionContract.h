// A private interface of our own readers, beside the reader contract: whether the document
// opened whole or only by working round damage. Asked of the image collection with
// QueryInterface; a reader that does not offer it is taken as whole.
#pragma once

#include <windows.h>

#include "common/InterfaceId.h"
#include "contracts/GuidText.h"

namespace pictrove {

inline constexpr IID kIidDocumentCondition = GuidFromText("{06A4B2E9-B08F-4E6C-BB9D-FDB4209AD01E}");

inline constexpr int kDocumentWhole = 0;
// Opened round damage (a file cut short, a lost catalog, an archive broken part way): the list
// may lack pictures the whole file held.
inline constexpr int kDocumentDamaged = 1;

struct DocumentCondition : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCondition(int* condition) = 0;
};

template <>
inline constexpr const IID* kInterfaceId<DocumentCondition> = &kIidDocumentCondition;

}  // namespace pictrove
