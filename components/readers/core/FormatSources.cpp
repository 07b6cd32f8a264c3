// The family table: format number to the source that reads it.
#include "FormatSources.h"

#include "comic/ComicSource.h"
#include "djvu/DjvuSource.h"
#include "doc/DocSource.h"
#include "epub/EpubSource.h"
#include "fb2/Fb2Source.h"
#include "jbig2/Jbig2Source.h"
#include "mobi/MobiSource.h"
#include "office/OfficeSource.h"
#include "pcx/PcxSource.h"
#include "pdb/PdbSource.h"
#include "pdf/PdfSource.h"
#include "pictures/PictureFileSource.h"
#include "pictures/PortablePayloadDecoder.h"
#include "text/TextSource.h"
#include "tiff/TiffSource.h"
#include "xps/XpsSource.h"

namespace pictrove::readers {

std::unique_ptr<DocumentSource> MakeFormatSource(int format, PayloadDecoderPtr fallback) {
    const auto decoder = [&fallback] { return std::make_shared<PortablePayloadDecoder>(fallback); };
    switch (format) {
        case 1:
            return std::make_unique<TiffSource>(decoder());
        case 2:
            return std::make_unique<DjvuSource>(decoder());  // JPEG layers only
        case 3:
            return std::make_unique<PdfSource>(decoder());
        case 4:
            return std::make_unique<TextSource>();
        case kPictureFileFormat:
            return std::make_unique<PictureFileSource>(fallback);
        case 6:
            return std::make_unique<XpsSource>(decoder());
        case 7:
            return std::make_unique<ComicSource>(decoder());
        case 8:
            return std::make_unique<PdbSource>(decoder());
        case 9:
            return std::make_unique<Jbig2Source>();
        case 10:
            return std::make_unique<Fb2Source>(decoder());
        case 11:
            return std::make_unique<PcxSource>();
        case 12:
            return std::make_unique<MobiSource>(decoder());
        case 13:
            return std::make_unique<EpubSource>(decoder());
        case 14:
        case 17:  // PowerPoint and Excel 97-2003: the Word reader tells them by their streams
            return std::make_unique<DocSource>(decoder());
        case 15:  // Office Open XML
        case 16:  // OpenDocument; either reads both, the content decides
            return std::make_unique<OfficeSource>(decoder());
        default:
            return nullptr;
    }
}

}  // namespace pictrove::readers
