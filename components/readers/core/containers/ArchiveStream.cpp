// The libarchive side of the comic reader.
#include "containers/ArchiveStream.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>

namespace pictrove::readers {

ArchiveStream::~ArchiveStream() {
    if (archive_ != nullptr) archive_read_free(archive_);
}

bool ArchiveStream::Open(std::span<const std::uint8_t> file) {
    if (archive_ != nullptr) archive_read_free(archive_);
    failed_ = false;
    opened_ = false;
    archive_ = archive_read_new();
    if (archive_ == nullptr) return false;
    // The comic formats only: no compression filters around them, nothing else that libarchive reads.
    archive_read_support_format_rar(archive_);
    archive_read_support_format_rar5(archive_);
    archive_read_support_format_7zip(archive_);
    archive_read_support_format_tar(archive_);
    if (archive_read_open_memory(archive_, file.data(), file.size()) != ARCHIVE_OK) {
        failed_ = true;
        return false;
    }
    opened_ = true;
    return true;
}

ArchiveStream::Step ArchiveStream::Next(ArchiveEntryHeader& header) {
    header = {};
    if (archive_ == nullptr || failed_) return Step::kFailed;
    struct archive_entry* entry = nullptr;
    const int result = archive_read_next_header(archive_, &entry);
    if (result == ARCHIVE_EOF) {
        failed_ = true;  // nothing more to read
        return Step::kEnd;
    }
    // A warning (an odd attribute, an unknown extra record) still leaves a usable entry.
    if ((result != ARCHIVE_OK && result != ARCHIVE_WARN) || entry == nullptr) {
        failed_ = true;
        return Step::kFailed;
    }
    const char* utf8 = archive_entry_pathname_utf8(entry);
    const char* raw = utf8 != nullptr ? utf8 : archive_entry_pathname(entry);
    if (raw != nullptr) header.path = raw;
    header.regularFile = archive_entry_filetype(entry) == AE_IFREG;
    header.encrypted = archive_entry_is_encrypted(entry) != 0;
    header.sizeKnown = archive_entry_size_is_set(entry) != 0 && archive_entry_size(entry) >= 0;
    header.size = header.sizeKnown ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
    return Step::kEntry;
}

ArchiveStream::ReadResult ArchiveStream::Read(std::vector<std::uint8_t>& out, std::size_t limit) {
    if (archive_ == nullptr || failed_) return ReadResult::kFailed;
    constexpr std::size_t kChunk = 64 * 1024;
    while (out.size() < limit) {
        const std::size_t start = out.size();
        const std::size_t want = std::min(kChunk, limit - start);
        out.resize(start + want);
        const la_ssize_t got = archive_read_data(archive_, out.data() + start, want);
        if (got < 0) {
            out.resize(start);
            // A damaged entry in a solid stream leaves the decoder in no state to go on.
            if (got == ARCHIVE_FATAL) failed_ = true;
            return ReadResult::kFailed;
        }
        out.resize(start + static_cast<std::size_t>(got));
        if (got == 0) return ReadResult::kComplete;
    }
    return ReadResult::kLimitReached;
}

bool ArchiveStream::SawEncryption() const {
    // After a failed open the format reader may already be torn down: nothing to ask then.
    return archive_ != nullptr && opened_ && archive_read_has_encrypted_entries(archive_) > 0;
}

}  // namespace pictrove::readers
