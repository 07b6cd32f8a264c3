// Opening a document through its reader without any window: the reader for the path, a password
// handed over when the document asks for one, and what became of the open. The window's open
// (DocumentOpener) and the command line share these steps.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>

#include "contracts/DocumentConditionContract.h"
#include "contracts/ReaderContract.h"

namespace pictrove {

enum class DocumentOpenStatus {
    kOpened,
    kNoReader,       // no reader for the extension, or it could not be created
    kNeedsPassword,  // the document is protected and no password was given (or the user gave none)
    kWrongPassword,  // the given password did not open it
    kProtected,      // protected in a way no password given here opens (an encrypted archive)
    kUnreadable,     // the file itself cannot be read (systemError says why)
    kDamaged,        // the reader refused it: damaged, or a kind it does not support
    kNoCollection,   // opened, but the reader offers no list of images
    kNoImages,       // opened, but it holds no pictures
};

struct DocumentOpenResult {
    DocumentOpenStatus status = DocumentOpenStatus::kNoReader;
    DWORD systemError = 0;
    Microsoft::WRL::ComPtr<ImageCollection> collection;  // set when opened (also with no images)
    int imageCount = 0;
    bool damaged = false;  // opened round damage: the list may lack pictures
};

// Asked only when the document needs a password; nothing (or an empty text) when none is given.
using PasswordSource = std::function<std::optional<std::wstring>()>;

// Opens the document, asking the source for a password when the document needs one.
DocumentOpenResult OpenDocumentFile(const std::wstring& path, const PasswordSource& password);

// Hands the password to the reader and wipes our copy of it; false when the reader takes none.
bool PassPassword(DocumentReader& reader, const std::wstring& password);

// Why the file cannot be read at all (locked by another program, access denied, gone), or 0 when
// it can: only then is a reader's refusal the document's fault.
DWORD ReadFailure(const std::wstring& path);

}  // namespace pictrove
