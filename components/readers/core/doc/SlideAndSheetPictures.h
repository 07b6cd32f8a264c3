// The pictures of PowerPoint and Excel 97-2003 files (.ppt, .pps, .xls), kept in the same
// OfficeArt picture store as a Word document's: the presentation's in its document container
// with the pictures themselves in the Pictures stream, the workbook's in its drawing group
// records. Listed in the store's order, which is the order they were added to the file.
#pragma once

#include "containers/CompoundFile.h"
#include "doc/WordPictures.h"

namespace pictrove::readers {

WordPictures FindSlidePictures(const CompoundFile& file);
WordPictures FindSheetPictures(const CompoundFile& file);

// The finder for whichever of Word, PowerPoint or Excel the file's streams show; damaged when
// it is none of them.
WordPictures FindCompoundPictures(const CompoundFile& file);

}  // namespace pictrove::readers
