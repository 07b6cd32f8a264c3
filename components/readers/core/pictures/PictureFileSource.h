// Common picture files (BMP, JPEG, PNG, GIF, WebP, icons, metafiles, layered paint files): one
// image per file, every frame of an animation, every image stored in an icon file. The core's
// codecs read PNG, GIF, WebP, BMP, icons, JPEG and layered paint files; metafiles are listed at their
// physical size and drawn by the payload decoder when it can draw them. A platform that reads
// more kinds of file adds them by overriding OpenOther and DecodeOther.
#pragma once

#include <memory>

#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"
#include "psd/PsdSource.h"

namespace pictrove::readers {

class PictureFileSource : public DocumentSource {
  public:
    // decoder: for metafiles and JPEG beyond the core's codec; may be null.
    explicit PictureFileSource(PayloadDecoderPtr decoder = nullptr);

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

    // A file none of the core's readers takes: list its images into images_; false when none.
    virtual bool OpenOther(const FileBytes& /*file*/) { return false; }
    virtual std::optional<DecodedImage> DecodeOther(const FileBytes& /*file*/, std::size_t /*index*/) {
        return std::nullopt;
    }

  private:
    struct Frame {
        std::vector<std::uint8_t> ownBytes;  // an icon image taken out as a file of its own
        unsigned number = 0;                 // the frame of an animation
    };

    bool OpenIcon();
    bool OpenPicture();

    PayloadDecoderPtr decoder_;
    FileBytes file_;
    std::vector<Frame> frames_;  // empty for a file OpenOther listed
    std::unique_ptr<PsdSource> psd_;
};

}  // namespace pictrove::readers
