// One small document of every kind each reader opens, made by the tests' own writers, each with
// pictures of more than one kind: the material for checks that must hold for every reader.
#pragma once

#include <string>
#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

struct CorpusDocument {
    int format = 0;    // the reader's format number
    std::string name;  // a file name whose extension picks the kind within the format
    Bytes bytes;
};

std::vector<CorpusDocument> ReaderCorpus();

}  // namespace pictrove::test
