// Which container a comic archive really is, told from its first bytes rather than its name
// (.cbr files are often zips, sometimes 7z or tar), and what a RAR archive's block headers say
// about it before anything is decompressed: whether it is solid, whether its headers or any
// file's data are encrypted (RAR 5 marks data encryption only in a file's extra area, which the
// archive library passes over).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pictrove::readers {

enum class ArchiveKind { kUnknown, kZip, kRar4, kRar5, kSevenZip, kTar };

ArchiveKind DetectArchiveKind(std::span<const std::uint8_t> file);

struct RarFacts {
    bool solid = false;
    bool headersEncrypted = false;  // nothing past the archive header can be read without the password
    std::size_t encryptedFiles = 0;
    std::size_t files = 0;  // file headers walked (stops at damage or the end block)
};

// Walks the block headers of a RAR 4 or RAR 5 archive (kind from DetectArchiveKind); reads no
// file data. A damaged chain ends the walk with what was seen so far.
RarFacts ProbeRar(std::span<const std::uint8_t> file, ArchiveKind kind);

}  // namespace pictrove::readers
