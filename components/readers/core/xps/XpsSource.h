// XPS and OpenXPS documents: the fixed-document sequence named by the package relationships
// leads to the documents and their pages; each page's pictures (ImageBrush ImageSource) are
// listed in page order, each picture once.
#pragma once

#include "containers/ZipPictureSource.h"

namespace pictrove::readers {

class XpsSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override;

  private:
    // The Source (or ImageSource) links of the named elements in a part, resolved.
    std::vector<std::string> Links(const std::string& part, std::string_view element, std::string_view attribute) const;
};

}  // namespace pictrove::readers
