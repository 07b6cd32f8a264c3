// The pictures of an Office Open XML package (Word, PowerPoint and Excel files since 2007):
// found by following the parts' relationships from the package's main part, in the order the
// parts refer to them, so charts, SmartArt drawings, headers, slides and sheet drawings bring
// their pictures where they are used.
#pragma once

#include <vector>

#include "containers/ZipArchive.h"

namespace pictrove::readers {

// Whether the archive is such a package: it carries the content types part.
bool IsOfficeOpenXml(const ZipArchive& archive);

// The picture entries the package uses, each once, in document order: the document's body
// (then its headers and footers as the sections name them, then notes and comments), slides in
// the presentation's order before masters and layouts, sheets in the workbook's order with their
// drawings. Where a picture has an SVG original beside its bitmap, the bitmap is given. Entries
// are not checked for being pictures.
std::vector<const ZipEntry*> OfficeOpenXmlPictures(const ZipArchive& archive);

}  // namespace pictrove::readers
