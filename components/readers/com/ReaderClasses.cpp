// Class table of the reader DLL.
#include "ReaderClasses.h"

#include "ComicSource.h"
#include "DocSource.h"
#include "djvu/DjvuSource.h"
#include "EpubSource.h"
#include "Fb2Source.h"
#include "GdiplusPayloadDecoder.h"
#include "ImageFileSource.h"
#include "Jbig2Source.h"
#include "MobiSource.h"
#include "PortablePayloadDecoder.h"
#include "PcxSource.h"
#include "PdbSource.h"
#include "pdf/PdfSource.h"
#include "TextSource.h"
#include "TiffSource.h"
#include "XpsSource.h"
#include "contracts/ReaderContract.h"

namespace pictrove::readers {
namespace {

template <class Source>
std::unique_ptr<DocumentSource> Make() {
    return std::make_unique<Source>();
}

// Sources of formats that embed image files get the core's codecs to decode them, GDI+ behind
// them for metafiles and what the codecs do not read.
template <class Source>
std::unique_ptr<DocumentSource> MakeWithDecoder() {
    return std::make_unique<Source>(
        std::make_shared<PortablePayloadDecoder>(std::make_shared<GdiplusPayloadDecoder>()));
}

// Format numbers index the application's class id table.
const ReaderClass kClasses[] = {
    {&kReaderClassIds[1], &MakeWithDecoder<TiffSource>},
    {&kReaderClassIds[2], &MakeWithDecoder<DjvuSource>},  // JPEG layers only
    {&kReaderClassIds[3], &MakeWithDecoder<PdfSource>},
    {&kReaderClassIds[4], &Make<TextSource>},
    {&kReaderClassIds[5], &Make<ImageFileSource>},
    {&kReaderClassIds[6], &MakeWithDecoder<XpsSource>},
    {&kReaderClassIds[7], &MakeWithDecoder<ComicSource>},
    {&kReaderClassIds[8], &MakeWithDecoder<PdbSource>},
    {&kReaderClassIds[9], &Make<Jbig2Source>},
    {&kReaderClassIds[10], &MakeWithDecoder<Fb2Source>},
    {&kReaderClassIds[11], &Make<PcxSource>},
    {&kReaderClassIds[12], &MakeWithDecoder<MobiSource>},
    {&kReaderClassIds[13], &MakeWithDecoder<EpubSource>},
    {&kReaderClassIds[14], &MakeWithDecoder<DocSource>},
};

}  // namespace

std::span<const ReaderClass> ReaderClasses() {
    return kClasses;
}

}  // namespace pictrove::readers
