// Comic book archives (.cbz): every picture entry of the zip, in the natural order of its path
// (page2 before page10), folders and other files left out. A .cbr is a RAR archive, which this
// reader does not read; one that is really a zip (a common misnaming) opens all the same.
#pragma once

#include "ZipPictureSource.h"

namespace pictrove::readers {

class ComicSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override;
};

}  // namespace pictrove::readers
