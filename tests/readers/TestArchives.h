// Writers of small RAR 4 and RAR 5 archives for the comic reader's tests, built byte by byte from
// the formats' published block layouts (header CRCs, variable-length integers, file CRC32) with
// stored entries only. Encryption is only marked, as a real archiver would mark it: the "cipher"
// bytes are noise, which is all a reader without the password can see anyway.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

struct ArchiveFile {
    std::string name;
    Bytes data;
    bool folder = false;
    bool encrypted = false;
    std::uint64_t declaredSize = 0;  // unpacked size written into the header; 0 for data.size()
};

struct RarLayout {
    bool solid = false;  // the archive's solid flag (the stored entries themselves stand alone)
    bool headersEncrypted = false;
    bool endBlock = true;
};

Bytes MakeRar4(const std::vector<ArchiveFile>& files, const RarLayout& layout = {});
Bytes MakeRar5(const std::vector<ArchiveFile>& files, const RarLayout& layout = {});

// The same data given by two libarchive reference archives (see LibarchiveSamples.cpp).
extern const Bytes kRar4StoredSample;           // test.txt, testlink, testdir/test.txt, two folders
extern const Bytes kRar4EncryptedDataSample;    // entries whose data are encrypted
extern const Bytes kRar4EncryptedHeaderSample;  // every header after the archive's encrypted
extern const Bytes kRar5CompressedSample;       // test.bin, 1200 bytes, compressed
extern const Bytes kRar5SolidSample;            // test1.bin .. test4.bin, 4096 bytes each, solid
// Fuzzing finds kept as regression cases (see ArchiveFuzzFindings.cpp).
extern const Bytes kTarRefusedAtOpenFinding;

// The pattern of those .bin files: little-endian 32-bit values max(0, k*k - 3k + 1 + magic).
Bytes LibarchiveTestPattern(int magic, std::size_t size);

}  // namespace pictrove::test
