// The neutral model every document format is read into: a source is opened on the bytes of a
// file, lists its images (name and size) and decodes one image on request. Format readers derive
// from DocumentSource; the COM shell drives them without knowing the format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/DecodedImage.h"
#include "contracts/StoredFormat.h"
#include "model/FileBytes.h"

namespace pictrove::readers {

struct ImageEntry {
    std::u16string name;  // safe and unique once Open has returned kOpened; may be empty
    int width = 0;
    int height = 0;
};

// How a picture is kept in its document when it is a file of its own (the contract's numbers).
enum class StoredFormat : int {
    kNone = kStoredNone,
    kJpeg = kStoredJpeg,
    kJp2 = kStoredJp2,
    kJ2k = kStoredJ2k,
    kJbig2 = kStoredJbig2,
    kPng = kStoredPng,
    kGif = kStoredGif,
    kTiff = kStoredTiff,
    kBmp = kStoredBmp,
    kEmf = kStoredEmf,
    kWmf = kStoredWmf,
    kWebp = kStoredWebp,
    kAvif = kStoredAvif,
};

// One drawing of a picture on a page, in points (1/72 inch) with the origin at the top-left corner
// of the page as shown (its crop box, turned by its rotation) and y growing downwards. The
// rectangle bounds the drawn picture (a turned or sheared one by its axis-aligned box) and is
// kept as drawn: off the page, or empty. The resolution is the picture's pixels over the length
// of its drawn edges in inches; 0 when an edge has no length.
struct Placement {
    int page = 0;  // 1-based
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double ppiX = 0;
    double ppiY = 0;
};

// Where a picture is drawn: its pages (1-based, ascending, each once; empty for formats without
// pages or a picture no page draws) and, where the format tells, each drawing of it.
struct ImagePlaces {
    std::vector<int> pages;
    std::vector<Placement> placements;
};

// What is known of a picture without decoding it.
struct StoredInfo {
    StoredFormat format = StoredFormat::kNone;
    std::optional<PixelType> pixelType;  // only when the headers settle the type Decode gives
    bool undecodable = false;            // a kind no decoder here reads: listed, never decoded
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

    // The document's number of pages; 0 for formats without pages.
    int PageCount() const { return pageCount_; }
    // Where image index is drawn, known from opening; empty for an index out of range.
    const ImagePlaces& Places(std::size_t index) const;

    // True when the document opened only by working round damage (a file cut short, a lost
    // catalog, an archive broken part way): its list may lack pictures the whole file held.
    bool Damaged() const { return damaged_; }

    // Decodes image index (0 .. count - 1); nothing when it cannot be decoded. Not called
    // concurrently on one source: the caller serialises.
    virtual std::optional<DecodedImage> Decode(std::size_t index) = 0;

    // The stored format and header pixel type of image index, read without decoding it; and
    // its bytes as stored, a whole file of that format (nothing when the format is kNone).
    // Serialised by the caller as Decode is.
    virtual StoredInfo Stored(std::size_t index);
    virtual std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index);

  protected:
    // Format work of Open: fills images_ (raw names) and keeps what Decode needs.
    virtual OpenStatus OpenDocument(OpenRequest request) = 0;
    virtual void Close() {}

    std::vector<ImageEntry> images_;
    std::vector<StoredInfo> stored_;   // beside images_ where the format lists it at opening
    std::vector<ImagePlaces> places_;  // beside images_; shorter when the last images have no page
    int pageCount_ = 0;

    // Records that image index is drawn on page (kept ascending, each page once).
    void AddPage(std::size_t index, int page);
    // Each image is the page of its position, as in scans and comics.
    void ImagesArePages();
    bool damaged_ = false;
};

// Names of the images drawn from one file named by path: the file's stem for a single image,
// stem_1 .. stem_N for several.
std::vector<std::u16string> NamesFromFile(const std::u16string& path, std::size_t count);

}  // namespace pictrove::readers
