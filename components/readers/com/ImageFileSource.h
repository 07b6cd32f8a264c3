// Common image files (BMP, JPEG, PNG, GIF, icons, metafiles, layered paint files): one image per
// file, every frame of an animation, every image stored in an icon file. GDI+ decodes all but
// the layered paint files, which the portable core reads.
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
        bool hasDimension = false;           // frames of an animation or pages
        GUID dimension{};
        UINT number = 0;
    };

    bool OpenIconEntries();
    bool OpenFrames();

    GdiplusSession gdiplus_;
    FileBytes file_;
    std::vector<Frame> frames_;
    std::unique_ptr<PsdSource> psd_;
};

}  // namespace pictrove::readers
