// Writers of small container documents for the reader tests: zip files (stored or deflated
// entries, data descriptors, Zip64 records) built byte by byte, so the tests control every
// field a damaged or unusual file could get wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

struct ZipFileEntry {
    std::string name;
    Bytes data;
    bool deflate = true;
};

struct ZipOptions {
    bool dataDescriptors = false;  // sizes after the data, zero in the local header
    bool zip64 = false;            // Zip64 extra fields and end records
    bool utf8Names = true;
    // Sizes written into the headers in place of the true ones (a lying header), when >= 0.
    std::int64_t declaredSize = -1;
};

Bytes MakeZip(const std::vector<ZipFileEntry>& entries, const ZipOptions& options = {});

// Raw deflate of data (zip's method 8).
Bytes Deflate(const Bytes& data);

Bytes ToBytes(const std::string& text);

// A PCX picture. lines: height lines of planes * bytesPerLine bytes each, as stored before
// packing. palette16: 48 bytes for the header; palette256: 768 bytes appended after 0x0C
// (empty for none).
struct PcxPicture {
    int width = 0;
    int height = 0;
    int bits = 8;
    int planes = 1;
    int bytesPerLine = 0;
    Bytes lines;
    Bytes palette16;
    Bytes palette256;
    bool packed = true;
};
Bytes MakePcx(const PcxPicture& picture);

// A DCX file holding the given PCX pages.
Bytes MakeDcx(const std::vector<Bytes>& pages);

Bytes Base64(const Bytes& data);

}  // namespace pictrove::test
