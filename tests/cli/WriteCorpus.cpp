// Writes one small document of every kind the readers open into a folder, for runs of both
// command lines over the same files.
#include <cstdio>
#include <fstream>
#include <string>

#include "TestCorpus.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (const pictrove::test::CorpusDocument& document : pictrove::test::ReaderCorpus()) {
        std::ofstream file(std::string(argv[1]) + "/" + document.name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(document.bytes.data()),
                   static_cast<std::streamsize>(document.bytes.size()));
        if (!file) {
            std::fprintf(stderr, "%s: cannot be written\n", document.name.c_str());
            return 1;
        }
    }
    return 0;
}
