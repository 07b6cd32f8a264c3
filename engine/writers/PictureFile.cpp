// Temporary file, then rename: stdio for the bytes (its errno says why a write failed) and
// std::filesystem for the rename, which replaces the target on every platform.
#include "engine/writers/PictureFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

namespace pictrove {

namespace {

// A short name in the target's folder that no other worker of this or another run takes at the
// same time; short, so a final name as long as the file system allows still has its temporary.
std::filesystem::path TemporaryName(const std::filesystem::path& path) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t start =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string name = "~pictrove" +
                             std::to_string((start ^ reinterpret_cast<std::uintptr_t>(&counter)) % 1000000007u) + "-" +
                             std::to_string(counter++) + ".part";
    return path.parent_path() / name;
}

std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

WriteError ErrnoError(int number) {
    return WriteErrorOf(std::error_code(number, std::generic_category()));
}

}  // namespace

WriteError WriteErrorOf(const std::error_code& code) {
    if (!code) return WriteError::kNone;
    const std::error_condition condition = code.default_error_condition();
    if (condition == std::errc::no_space_on_device || condition == std::errc::file_too_large) {
        return WriteError::kDiskFull;
    }
    if (condition == std::errc::permission_denied || condition == std::errc::operation_not_permitted ||
        condition == std::errc::read_only_file_system) {
        return WriteError::kAccessDenied;
    }
    if (condition == std::errc::no_such_file_or_directory || condition == std::errc::not_a_directory) {
        return WriteError::kPathNotFound;
    }
    if (condition == std::errc::not_enough_memory) return WriteError::kOutOfMemory;
    return WriteError::kWriteFault;
}

WriteError WritePictureFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    if (!data && size != 0) return WriteError::kInvalidData;
    const std::filesystem::path temporary = TemporaryName(path);
    std::FILE* file = OpenForWriting(temporary);
    if (!file) return ErrnoError(errno);
    // One large write: the stream's own buffer would only copy it once more.
    std::setvbuf(file, nullptr, _IONBF, 0);
    WriteError error = WriteError::kNone;
    errno = 0;
    if (size != 0 && std::fwrite(data, 1, size, file) != size) error = ErrnoError(errno != 0 ? errno : EIO);
    // The last buffered bytes meet a full disk only here, or when the file is closed.
    if (error == WriteError::kNone && std::fflush(file) != 0) error = ErrnoError(errno != 0 ? errno : EIO);
    if (std::fclose(file) != 0 && error == WriteError::kNone) error = ErrnoError(errno != 0 ? errno : EIO);
    std::error_code code;
    if (error == WriteError::kNone) {
        std::filesystem::rename(temporary, path, code);
        error = WriteErrorOf(code);
    }
    if (error != WriteError::kNone) std::filesystem::remove(temporary, code);
    return error;
}

}  // namespace pictrove
