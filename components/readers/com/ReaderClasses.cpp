// Class table of the reader DLL.
#include "ReaderClasses.h"

#include "FormatSources.h"
#include "GdiplusPayloadDecoder.h"
#include "ImageFileSource.h"
#include "contracts/ReaderContract.h"

namespace pictrove::readers {
namespace {

// Sources of formats that embed picture files have GDI+ behind the core's codecs for metafiles
// and what the codecs do not read; picture files GDI+ for files the core does not take at all.
template <int Format>
std::unique_ptr<DocumentSource> Make() {
    if constexpr (Format == kPictureFileFormat) {
        return std::make_unique<ImageFileSource>();
    } else {
        return MakeFormatSource(Format, std::make_shared<GdiplusPayloadDecoder>());
    }
}

// Format numbers index the application's class id table.
const ReaderClass kClasses[] = {
    {&kReaderClassIds[1], &Make<1>},   {&kReaderClassIds[2], &Make<2>},   {&kReaderClassIds[3], &Make<3>},
    {&kReaderClassIds[4], &Make<4>},   {&kReaderClassIds[5], &Make<5>},   {&kReaderClassIds[6], &Make<6>},
    {&kReaderClassIds[7], &Make<7>},   {&kReaderClassIds[8], &Make<8>},   {&kReaderClassIds[9], &Make<9>},
    {&kReaderClassIds[10], &Make<10>}, {&kReaderClassIds[11], &Make<11>}, {&kReaderClassIds[12], &Make<12>},
    {&kReaderClassIds[13], &Make<13>}, {&kReaderClassIds[14], &Make<14>}, {&kReaderClassIds[15], &Make<15>},
    {&kReaderClassIds[16], &Make<16>}, {&kReaderClassIds[17], &Make<17>},
};

}  // namespace

std::span<const ReaderClass> ReaderClasses() {
    return kClasses;
}

}  // namespace pictrove::readers
