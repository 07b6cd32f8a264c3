// Whole picture files only: the bytes go to a temporary name in the target's folder and are
// renamed over the final name once all of them are on disk, so an error or a full disk never
// leaves a half-written file under a final name. Portable; failures come back as a code the
// front ends turn into their own text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

namespace pictrove {

// Why a picture file was not written (kNone: it was).
enum class WriteError : int {
    kNone = 0,
    kDiskFull,
    kAccessDenied,  // the folder or the file refuses writing (read-only media included)
    kPathNotFound,  // no such folder
    kOutOfMemory,
    kInvalidData,  // nothing that can be written: unreadable pixels, or too large for the format
    kWriteFault,   // any other failure of the file system
};

// True for the failures after which no other picture of the run can be written either.
constexpr bool StopsTheRun(WriteError error) {
    return error == WriteError::kDiskFull;
}

// The portable code of a file system error (errno values, or their platform equivalents).
WriteError WriteErrorOf(const std::error_code& code);

// Writes size bytes as the whole file path, replacing a file there. On failure nothing new is
// left in the folder and a file that was there before is unchanged.
WriteError WritePictureFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size);

inline WriteError WritePictureFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    return WritePictureFile(path, bytes.data(), bytes.size());
}

}  // namespace pictrove
