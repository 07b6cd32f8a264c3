// A document that opened: its source, shared by the reader and the collections taken from it,
// so the collection keeps it open after the reader is gone.
#pragma once

#include <memory>
#include <mutex>

#include "model/DocumentSource.h"

namespace pictrove::readers {

struct OpenDocument {
    explicit OpenDocument(std::unique_ptr<DocumentSource> opened) : source(std::move(opened)) {}

    std::unique_ptr<DocumentSource> source;  // opened; its image list no longer changes
    std::mutex decodeLock;                   // decoding may be asked from several threads
};

}  // namespace pictrove::readers
