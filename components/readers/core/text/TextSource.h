// Plain text documents (.txt, .tcr): readable, but they hold no pictures.
#pragma once

#include "model/DocumentSource.h"

namespace pictrove::readers {

class TextSource : public DocumentSource {
  public:
    std::optional<DecodedImage> Decode(std::size_t) override { return std::nullopt; }

  protected:
    OpenStatus OpenDocument(OpenRequest) override { return OpenStatus::kOpened; }
};

}  // namespace pictrove::readers
