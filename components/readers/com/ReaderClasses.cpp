// Class table of the reader DLL.
#include "ReaderClasses.h"

#include "ImageFileSource.h"
#include "TextSource.h"
#include "reader/ReaderInterfaces.h"

namespace pictrove::readers {
namespace {

template <class Source>
std::unique_ptr<DocumentSource> Make() {
    return std::make_unique<Source>();
}

// Format numbers index the application's class id table.
const ReaderClass kClasses[] = {
    {&kReaderClassIds[4], &Make<TextSource>},
    {&kReaderClassIds[5], &Make<ImageFileSource>},
};

}  // namespace

std::span<const ReaderClass> ReaderClasses() { return kClasses; }

}  // namespace pictrove::readers
