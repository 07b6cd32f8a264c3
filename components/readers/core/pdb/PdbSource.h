// Palm databases (.pdb) that hold pictures: e-books whose records carry image files (eReader,
// PalmDOC-style books, MOBI books saved as .pdb), Plucker books with their own bitmap records,
// and the Image Viewer's gray and monochrome picture databases. A database without pictures
// opens with none.
#pragma once

#include "model/DocumentSource.h"
#include "containers/PalmDatabase.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

// An Image Viewer picture ("vIMG" database): 1, 2 or 4 bits of gray per pixel, 0 white.
struct ViewerPicture {
    std::string name;
    int width = 0;
    int height = 0;
    int bits = 0;
    bool packed = false;
    std::span<const std::uint8_t> data;
};
std::optional<ViewerPicture> ReadViewerPicture(std::span<const std::uint8_t> record);
std::optional<DecodedImage> DecodeViewerPicture(const ViewerPicture& picture);

class PdbSource : public DocumentSource {
  public:
    explicit PdbSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    enum class Kind { kImageFile, kViewer, kPalmBitmap };
    struct Picture {
        Kind kind = Kind::kImageFile;
        std::size_t offset = 0;  // of the picture's bytes in the file
        std::size_t size = 0;
        std::vector<std::uint8_t> unpacked;  // a compressed record's bitmap, in place of the range
    };

    void AddImageFile(std::span<const std::uint8_t> bytes, std::u16string name);
    void OpenPlucker(const PalmDatabase& database);

    PayloadDecoderPtr decoder_;
    FileBytes file_;
    std::vector<Picture> pictures_;
};

}  // namespace pictrove::readers
