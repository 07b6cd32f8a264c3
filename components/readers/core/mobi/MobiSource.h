// MOBI, AZW and AZW3 (KF8) books: the pictures stored as resource records, the cover first.
// A book with digital rights management cannot be read.
#pragma once

#include "model/DocumentSource.h"
#include "mobi/MobiBook.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

class MobiSource : public DocumentSource {
  public:
    explicit MobiSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    PayloadDecoderPtr decoder_;
    FileBytes file_;
    PalmDatabase database_;
    std::vector<std::size_t> records_;  // the record of each listed image
};

}  // namespace pictrove::readers
