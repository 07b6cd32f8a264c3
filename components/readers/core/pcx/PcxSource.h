// PCX pictures and multi-page DCX files: our own decoder for 1-, 2-, 4- and 8-bit palette
// pictures (also 1-bit planes making 16 colours) and 24-bit pictures in three planes, run-length
// packed or raw, at the size the header gives. Headers only on opening.
#pragma once

#include <span>

#include "model/DocumentSource.h"

namespace pictrove::readers {

class PcxSource final : public DocumentSource {
  public:
    std::optional<DecodedImage> Decode(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    struct Page {
        std::size_t offset = 0;  // the page's PCX data within the file
        std::size_t size = 0;
    };

    FileBytes file_;
    std::vector<Page> pages_;
};

// Decodes one PCX picture; nothing when it is damaged or of an unknown kind.
std::optional<DecodedImage> DecodePcx(std::span<const std::uint8_t> pcx);

}  // namespace pictrove::readers
