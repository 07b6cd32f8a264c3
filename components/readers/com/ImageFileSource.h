// Common image files (BMP, JPEG, PNG, GIF, icons, metafiles, layered paint files): one image per
// file, every frame of an animation, every image stored in an icon file. The portable core reads
// PNG, GIF, BMP, icons, JPEG and layered paint files; GDI+ is left the metafiles and what the
// core's codecs do not take (12-bit JPEG).
#pragma once

#include <windows.h>

#include <memory>

#include "DocumentSource.h"
#include "GdiplusSession.h"
#include "PsdSource.h"

namespace pictrove::readers {

class ImageFileSource : public DocumentSource {
  public:
    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    struct Frame {
        std::vector<std::uint8_t> ownBytes;  // an icon image taken out as a file of its own
        bool portable = false;               // decoded by the core's codecs, frame number as they count
        bool hasDimension = false;           // GDI+: frames of an animation or pages
        GUID dimension{};
        UINT number = 0;
    };

    bool OpenPortable();
    bool OpenFrames();

    GdiplusSession gdiplus_;
    FileBytes file_;
    std::vector<Frame> frames_;
    std::unique_ptr<PsdSource> psd_;
};

}  // namespace pictrove::readers
