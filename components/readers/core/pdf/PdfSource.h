// PDF documents: every image the pages draw, in page order and drawing order, named after the
// page and the image's resource name ("Page007_Im3", "Page007_Inline2"); when the page tree is
// lost, every image object in object order, named by its number ("Object12"), on no page. Opening
// reads the structure and scans the pages' content, noting where each image is drawn; image
// samples are decoded only on request.
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"
#include "PdfImage.h"

namespace pictrove::readers {

namespace pdf {
class Document;
struct FoundImage;
struct DrawnImages;
struct PageRef;
}  // namespace pdf

class PdfSource : public DocumentSource {
  public:
    // JPEG data (DCTDecode) goes to the decoder; without one such images give no pixels.
    explicit PdfSource(PayloadDecoderPtr decoder = nullptr);
    ~PdfSource() override;

    std::optional<DecodedImage> Decode(std::size_t index) override;
    StoredInfo Stored(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

    // Whether the cross-reference data was rebuilt by scanning the file.
    bool Repaired() const;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    // Lists the image objects themselves when the page tree is lost; kNotReadable when none.
    OpenStatus OpenFromImageObjects();
    // Pages and placements of the images from the drawings the scan recorded.
    void PlaceDrawings(const std::vector<pdf::PageRef>& pages, const pdf::DrawnImages& drawn);

    PayloadDecoderPtr decoder_;
    pdf::JpegDecoder jpeg_;
    FileBytes file_;
    std::unique_ptr<pdf::Document> document_;
    std::vector<pdf::FoundImage> found_;
};

// Bounds of the page tree walk.
inline constexpr int kMaxPages = 1000000;
inline constexpr int kMaxPageTreeDepth = 64;

}  // namespace pictrove::readers
