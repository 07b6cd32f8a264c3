// What the command line asks of its platform: documents opened through the readers (the COM
// components on Windows, the readers' core natively), the file system, and the texts of the
// reasons a picture failed. The commands themselves are the same everywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ExtractPlan.h"
#include "engine/ExtractRunner.h"

namespace pictrove::cli {

enum class OpenStatus {
    kOpened,
    kNoReader,
    kNeedsPassword,
    kWrongPassword,
    kProtected,
    kUnreadable,  // systemError tells why
    kDamaged,
    kNoImages,
};

// One opened document. Calls on one document come from one thread at a time.
class CliDocument {
  public:
    virtual ~CliDocument() = default;
    virtual int ImageCount() = 0;
    virtual std::wstring ImageName(int index) = 0;
    virtual int ImageWidth(int index) = 0;
    virtual int ImageHeight(int index) = 0;
    virtual int StoredFormat(int index) = 0;
    // The pixel type the headers settle, else the decoded picture's; -1 when it cannot be decoded.
    virtual int PixelType(int index) = 0;
    // Writes a planned picture: its stored bytes, or decoded and encoded as the type says.
    virtual PictureResult Write(const PlannedPicture& picture, int typeIndex) = 0;
};

struct OpenedDocument {
    OpenStatus status = OpenStatus::kUnreadable;
    bool damaged = false;           // opened by working round damage: the list may be incomplete
    std::uint32_t systemError = 0;  // why it could not be read, for kUnreadable
    std::unique_ptr<CliDocument> document;
};

class CliPlatform {
  public:
    virtual ~CliPlatform() = default;
    virtual OpenedDocument Open(const std::wstring& path, const std::optional<std::wstring>& password) = 0;
    // What each thread that opens or reads documents holds while it does (COM on Windows).
    virtual std::shared_ptr<void> EnterThread() { return nullptr; }
    // A folder typed on the command line as a full path ending with a separator.
    virtual std::wstring FolderPath(const std::wstring& typed) = 0;
    // The files a typed name stands for: itself, or what its wildcards (* ?) in the last
    // component match, in name order; empty when a wildcard matches nothing.
    virtual std::vector<std::wstring> ExpandDocumentName(const std::wstring& typed) = 0;
    // Creates the folder and every level above it; false when it cannot.
    virtual bool MakeFolder(const std::wstring& folder) = 0;
    // Why a picture or document failed, in words.
    virtual std::wstring ReasonText(std::uint32_t reason) = 0;
    // The name of a picture its document gives none: "Image007" for index 7.
    virtual std::wstring DefaultImageName(int index) = 0;
    // The label of an image type as the type list shows it.
    virtual std::wstring ImageTypeLabel(int typeIndex) = 0;
};

}  // namespace pictrove::cli
