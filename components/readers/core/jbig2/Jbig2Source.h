// JBIG2 files (.jbig2, .jb2), sequential or random-access: each page one image, named
// "Page1", "Page2"... (zero-padded to the width of the page count, as PDF pages are), black
// and white as 8-bit gray.
#pragma once

#include <memory>

#include "model/DocumentSource.h"

namespace pictrove::readers {

namespace jbig2 {
class Jbig2Document;
struct Bitmap;
}  // namespace jbig2

class Jbig2Source final : public DocumentSource {
  public:
    Jbig2Source();
    ~Jbig2Source() override;

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    FileBytes file_;
    std::unique_ptr<jbig2::Jbig2Document> document_;
};

// A decoded page as gray pixels: 0 for black, 255 for white.
std::optional<DecodedImage> GrayFromBitmap(const jbig2::Bitmap& bitmap);

}  // namespace pictrove::readers
