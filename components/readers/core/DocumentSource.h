// The neutral model every document format is read into: a source is opened on the bytes of a
// file, lists its images (name and size) and decodes one image on request. Format readers derive
// from DocumentSource; the COM shell drives them without knowing the format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DecodedImage.h"
#include "FileBytes.h"

namespace pictrove::readers {

struct ImageEntry {
    std::u16string name;  // safe and unique once Open has returned kOpened; may be empty
    int width = 0;
    int height = 0;
};

enum class OpenStatus {
    kOpened,
    kNeedsPassword,  // protected, and no (or a wrong) password was given
    kNotReadable,    // not this format, damaged, or a variant this reader does not handle
    kProtected,      // encrypted in a way no password given to this reader can open
};

struct OpenRequest {
    FileBytes bytes;          // the whole file
    std::u16string path;      // as the caller named the file; only for names
    std::u16string password;  // empty when none was given
};

class DocumentSource {
  public:
    virtual ~DocumentSource() = default;

    // Parses the document far enough to list its images. Replaces whatever was open before;
    // after a failure nothing is open. Never throws for bad input, only for lack of memory.
    OpenStatus Open(OpenRequest request);

    const std::vector<ImageEntry>& Images() const { return images_; }

    // Decodes image index (0 .. count - 1); nothing when it cannot be decoded. Not called
    // concurrently on one source: the caller serialises.
    virtual std::optional<DecodedImage> Decode(std::size_t index) = 0;

  protected:
    // Format work of Open: fills images_ (raw names) and keeps what Decode needs.
    virtual OpenStatus OpenDocument(OpenRequest request) = 0;
    virtual void Close() {}

    std::vector<ImageEntry> images_;
};

// Names of the images drawn from one file named by path: the file's stem for a single image,
// stem_1 .. stem_N for several.
std::vector<std::u16string> NamesFromFile(const std::u16string& path, std::size_t count);

}  // namespace pictrove::readers
