// Office documents: Office Open XML (DOCX, PPTX, XLSX and their macro and template forms) and
// OpenDocument (ODT, ODP, ODS, ODG, packaged or flat). The content decides, not the name: a zip
// with a content types part is read as Office Open XML, one with an OpenDocument mimetype as
// OpenDocument, a flat OpenDocument file by its root; a Word 97 file goes to the Word reader,
// and any other archive is read as a comic, so a renamed file still opens.
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

class OfficeSource final : public DocumentSource {
  public:
    explicit OfficeSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    StoredInfo Stored(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    PayloadDecoderPtr decoder_;
    std::unique_ptr<DocumentSource> inner_;  // the source the content chose, once opened
};

}  // namespace pictrove::readers
