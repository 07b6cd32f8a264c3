// Word 97-2003 documents (.doc): every picture once, in the order of the text; PowerPoint and
// Excel 97-2003 files (.ppt, .xls) by the same store, in its order. Which one a file is comes
// from its streams, not its name. Pictures are handed to the payload decoder as stand-alone
// files (JPEG, PNG, TIFF, DIB as BMP, EMF, WMF). Encrypted documents are refused: no password
// path is offered for them.
#pragma once

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"
#include "doc/WordPictures.h"

namespace pictrove::readers {

// Stand-alone files: a bitmap file header before a DIB, a placeable header before a WMF that
// lacks one. Compressed metafiles must be inflated first (metafile is the inflated data).
std::vector<std::uint8_t> DibToBmp(std::span<const std::uint8_t> dib);
std::vector<std::uint8_t> PlaceableWmf(const WordBlip& blip, std::span<const std::uint8_t> metafile);

// The window a headerless Windows metafile's records set first (origin, and an extent that may be negative where
// y or x runs backwards); nothing when they set no extent.
struct MetafileWindowRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
};
std::optional<MetafileWindowRect> MetafileWindow(std::span<const std::uint8_t> metafile);

class DocSource : public DocumentSource {
  public:
    explicit DocSource(PayloadDecoderPtr decoder) : decoder_(std::move(decoder)) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override { files_.clear(); }

  private:
    PayloadDecoderPtr decoder_;
    std::vector<std::vector<std::uint8_t>> files_;  // one stand-alone file per listed image
};

}  // namespace pictrove::readers
