// Picture files on Windows: the core's picture file source, with GDI+ behind it for files none
// of the core's readers takes (a TIFF or a metafile without a placeable header under a picture
// file's name, say) and for the drawing of metafiles.
#pragma once

#include <windows.h>

#include <vector>

#include "GdiplusSession.h"
#include "pictures/PictureFileSource.h"

namespace pictrove::readers {

class ImageFileSource : public PictureFileSource {
  public:
    ImageFileSource();

  protected:
    bool OpenOther(const FileBytes& file) override;
    std::optional<DecodedImage> DecodeOther(const FileBytes& file, std::size_t index) override;
    void Close() override;

  private:
    struct Frame {
        bool hasDimension = false;  // frames of an animation or pages
        GUID dimension{};
        UINT number = 0;
    };

    GdiplusSession gdiplus_;
    std::vector<Frame> frames_;
};

}  // namespace pictrove::readers
