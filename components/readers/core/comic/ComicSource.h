// Comic book archives (.cbz, .cbr): the container is told from the content, not the name, since
// .cbr files are as often zips (or 7z, or tar) as RAR archives. Zips are read by ZipArchive,
// RAR 4, RAR 5, 7z and tar through libarchive; either way every picture entry, decided by its
// header, in the natural order of its path (page2 before page10), folders and operating-system
// records left out. An archive whose files are encrypted gives no pages and reports itself
// protected: no password can be applied to it here.
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

class ComicSource final : public DocumentSource {
  public:
    explicit ComicSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    StoredInfo Stored(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    PayloadDecoderPtr decoder_;
    std::unique_ptr<DocumentSource> pages_;  // the zip or libarchive source, once opened
};

}  // namespace pictrove::readers
