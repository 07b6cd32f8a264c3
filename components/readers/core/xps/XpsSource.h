// XPS and OpenXPS documents: the fixed-document sequence named by the package relationships
// leads to the documents and their pages; each page's pictures (ImageBrush ImageSource) are
// listed in page order, each picture once. An ImageBrush painting a Path or Glyphs of the page is
// placed where its viewport lands through the brush's and the elements' transforms.
#pragma once

#include "containers/ZipPictureSource.h"

namespace pictrove::readers {

class XpsSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override;

  private:
    // Lists the pictures of one page (1-based) and places those its brushes draw.
    void ScanPage(const std::string& part, int page);
    // The Source (or ImageSource) links of the named elements in a part, resolved.
    std::vector<std::string> Links(const std::string& part, std::string_view element, std::string_view attribute) const;
};

}  // namespace pictrove::readers
