// The common ground of the zip-based formats (EPUB, comic archives, XPS): the document is a
// zip, each picture one entry. A derived source picks the entries and their order; this base
// lists them from their headers (no pixels decoded on opening) and decodes one on request
// through the payload decoder.
#pragma once

#include <string_view>
#include <vector>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {

class ZipPictureSource : public DocumentSource {
  public:
    explicit ZipPictureSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) final;
    void Close() override;

    // Format work: the archive is open; call AddPicture for each picture in document order.
    virtual OpenStatus ListPictures() = 0;

    // Lists the entry when its header names a known picture format with an acceptable size (a
    // metafile whose header gives its size included), or
    // a kind listed undecoded (by signature, else by name or the media type the document gives);
    // the name is the entry's file name without folder and extension. False when not listed.
    // An entry already listed is not listed again (true).
    bool AddPicture(const ZipEntry& entry, std::string_view mediaType = {});
    bool IsListed(const ZipEntry& entry) const;
    // The image index of a listed entry.
    std::optional<std::size_t> IndexOf(const ZipEntry& entry) const;

    const ZipArchive& Archive() const { return archive_; }

  private:
    PayloadDecoderPtr decoder_;
    FileBytes file_;
    ZipArchive archive_;
    std::vector<const ZipEntry*> pictures_;
};

// Whether the entry's name ends in an extension of a picture format.
bool HasPictureExtension(std::string_view name);

// Orders paths as people number pages: digit runs by value ("page2" before "page10"), letters
// without regard to ASCII case, the raw bytes as the last resort.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace pictrove::readers
