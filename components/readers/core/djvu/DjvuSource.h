// DjVu documents (.djvu, .djv): single pages, bundled and indirect multi-page documents and
// standalone IW44 photos. Every page is one image, "Page1", "Page2"... (numbers padded to the
// page count), listed from its INFO chunk; pixels are decoded only when a page is asked for.
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"
#include "djvu/DjvuDocument.h"

namespace pictrove::readers {

class DjvuSource final : public DocumentSource {
  public:
    // decoder draws JPEG layers (none: they are left out); loader reads the page files of
    // indirect documents, the standard library's by default.
    explicit DjvuSource(PayloadDecoderPtr decoder = nullptr, djvu::FileLoader loader = djvu::LoadFile)
        : decoder_(std::move(decoder)), loader_(std::move(loader)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;

    // Files an indirect document names that could not be read; their pages are not listed.
    const std::vector<std::u16string>& MissingFiles() const { return missing_; }

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    PayloadDecoderPtr decoder_;
    djvu::FileLoader loader_;
    std::unique_ptr<djvu::DjvuDocument> document_;
    std::vector<std::u16string> missing_;
};

// "Page" and the number, zero-padded to as many digits as count has.
std::u16string DjvuPageName(std::size_t number, std::size_t count);

}  // namespace pictrove::readers
