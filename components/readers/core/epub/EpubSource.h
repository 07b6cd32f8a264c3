// EPUB books (2 and 3): the package file named by META-INF/container.xml gives the manifest and
// the reading order. Pictures are listed cover first, then in the order the pages of the spine
// first show them (img, svg image), then the manifest's pictures no page shows. A picture's page is
// the position in the spine of the first spine document that shows it; a cover named only by the
// metadata, and pictures no spine document shows, are on no page.
#pragma once

#include <string>

#include "containers/ZipPictureSource.h"

namespace pictrove::readers {

class EpubSource final : public ZipPictureSource {
  public:
    using ZipPictureSource::ZipPictureSource;

  protected:
    OpenStatus ListPictures() override;

  private:
    // Adds the pictures one page shows, in the order it shows them; a page of the spine (1-based
    // position, 0 for none) becomes the page of those it shows first.
    void AddPicturesOfPage(const std::string& pagePath, int spinePage);
    void AddPictureAt(const std::string& path, int spinePage = 0, std::string_view mediaType = {});
};

// A link resolved against the folder of the file it appears in: percent-escapes decoded,
// fragment and query dropped, "." and ".." folded. Empty for links that leave the container
// or point elsewhere (http:, data:).
std::string ResolveLink(const std::string& fromFile, std::string_view link);

}  // namespace pictrove::readers
