// Sequential reading of a RAR 4, RAR 5, 7z or tar archive held in memory, through libarchive:
// entry headers one after the other and the current entry's data, always with a caller's limit
// on how much is taken. Entries can only be read in order; going back means opening again.
// libarchive's own headers stay behind this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct archive;

namespace pictrove::readers {

struct ArchiveEntryHeader {
    std::string path;  // UTF-8 where the archive says how to read it, else as stored
    bool regularFile = false;
    bool encrypted = false;  // as far as the archive library can tell
    bool sizeKnown = false;
    std::uint64_t size = 0;  // unpacked size, as declared
};

class ArchiveStream {
  public:
    enum class Step { kEntry, kEnd, kFailed };
    enum class ReadResult { kComplete, kLimitReached, kFailed };

    ArchiveStream() = default;
    ~ArchiveStream();
    ArchiveStream(const ArchiveStream&) = delete;
    ArchiveStream& operator=(const ArchiveStream&) = delete;

    // Starts reading the bytes, which the caller keeps alive and unchanged; false when they are
    // no archive of the four formats.
    bool Open(std::span<const std::uint8_t> file);

    // The next entry's header; after kEnd or kFailed nothing more can be read.
    Step Next(ArchiveEntryHeader& header);

    // Appends the current entry's data to out until it ends (kComplete) or out holds limit
    // bytes (kLimitReached); kFailed when the data is damaged or cannot be unpacked.
    ReadResult Read(std::vector<std::uint8_t>& out, std::size_t limit);

    // Whether the archive library saw an encrypted entry or encrypted headers; false when Open failed.
    bool SawEncryption() const;

  private:
    struct archive* archive_ = nullptr;
    bool opened_ = false;
    bool failed_ = false;
};

}  // namespace pictrove::readers
