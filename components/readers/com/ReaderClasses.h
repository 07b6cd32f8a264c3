// The reader classes this DLL serves: one row per format family, the class id and the maker of
// the format's document source. A new format is a new source and a new row.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "model/DocumentSource.h"

namespace pictrove::readers {

using SourceMaker = std::unique_ptr<DocumentSource> (*)();

struct ReaderClass {
    const CLSID* clsid;
    SourceMaker create;
};

std::span<const ReaderClass> ReaderClasses();

}  // namespace pictrove::readers
