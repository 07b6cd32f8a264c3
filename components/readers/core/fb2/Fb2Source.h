// FictionBook files (.fb2) and the same zipped (.fb2.zip): XML in any encoding its declaration
// or byte-order mark names, pictures stored base64 in binary elements. Listed cover first, then
// in the order the body first shows them, then the binaries nothing shows.
#pragma once

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

class Fb2Source final : public DocumentSource {
  public:
    explicit Fb2Source(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override { payloads_.clear(); }

  private:
    PayloadDecoderPtr decoder_;
    std::vector<std::vector<std::uint8_t>> payloads_;  // one per listed image
};

}  // namespace pictrove::readers
