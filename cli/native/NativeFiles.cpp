// UTF-8 names, errno reasons and whole-file writes natively.
#include "cli/native/NativeFiles.h"

#include <cerrno>
#include <filesystem>

#include "cli/ReasonTexts.h"
#include "engine/writers/PictureEncoders.h"
#include "markup/TextCodec.h"

namespace pictrove::cli {

std::string Utf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<char32_t>(c);
        readers::AppendUtf8(out, code > 0x10FFFF || (code >= 0xD800 && code < 0xE000) ? U'\uFFFD' : code);
    }
    return out;
}

// Bytes that are not UTF-8 become U+FFFD each.
std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        std::uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))) valid = false;
        out += valid ? static_cast<wchar_t>(code) : L'\uFFFD';
        i += valid ? static_cast<std::size_t>(length) : 1;
    }
    return out;
}

std::string NativePath(std::wstring_view path) {
    std::wstring native(path);
    for (wchar_t& c : native) {
        if (c == L'\\') c = L'/';
    }
    return Utf8(native);
}

std::uint32_t ReasonOfErrno(int error) {
    switch (error) {
        case ENOENT:
            return kReasonFileNotFound;
        case ENOTDIR:
            return kReasonPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kReasonAccessDenied;
        case ENOMEM:
            return kReasonNotEnoughMemory;
        case ENOSPC:
        case EDQUOT:
            return kReasonDiskFull;
        case EROFS:
            return kReasonWriteProtected;
        case ENAMETOOLONG:
            return kReasonNameTooLong;
        case EFBIG:
            return kReasonFileTooLarge;
        case EBUSY:
        case ETXTBSY:
            return kReasonSharingViolation;
        case EINVAL:
        case EILSEQ:
            return kReasonInvalidName;
        default:
            return kReasonWriteFault;
    }
}

namespace {

std::uint32_t ReasonOf(WriteError error) {
    switch (error) {
        case WriteError::kNone:
            return 0;
        case WriteError::kDiskFull:
            return kReasonDiskFull;
        case WriteError::kAccessDenied:
            return kReasonAccessDenied;
        case WriteError::kPathNotFound:
            return kReasonPathNotFound;
        case WriteError::kOutOfMemory:
            return kReasonNotEnoughMemory;
        case WriteError::kInvalidData:
            return kReasonInvalidData;
        case WriteError::kWriteFault:
            break;
    }
    return kReasonWriteFault;
}

}  // namespace

std::uint32_t WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    return ReasonOf(WritePictureFile(std::filesystem::path(path), bytes.data(), bytes.size()));
}

}  // namespace pictrove::cli

namespace pictrove::cli {

// The engine's writers, the same bytes as the Windows program writes from the same pixels.
std::uint32_t WriteEncodedPicture(const readers::DecodedImage& image, int typeIndex, const std::string& path) {
    ReaderImageFields fields;
    fields.bits = const_cast<std::uint8_t*>(image.bytes.data());
    fields.width = image.width;
    fields.height = image.height;
    fields.stride = image.stride;
    fields.pixelType = static_cast<int>(image.type);
    fields.layout = image.layout;
    const PictureFormat format = typeIndex == 0   ? PictureFormat::kBmp
                                 : typeIndex == 1 ? PictureFormat::kGif
                                 : typeIndex == 2 ? PictureFormat::kJpeg
                                                  : PictureFormat::kPng;
    const EncodedPicture encoded = EncodePicture(format, fields);
    return encoded.error == WriteError::kNone ? WriteWholeFile(path, encoded.bytes) : ReasonOf(encoded.error);
}

}  // namespace pictrove::cli
