// Stored format and header pixel type of embedded picture files.
#include "pictures/StoredImage.h"

#include <cstring>

#include "model/ByteReader.h"
#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"

namespace pictrove::readers {
namespace {

bool StartsWith(std::span<const std::uint8_t> file, const char* signature, std::size_t size) {
    return file.size() >= size && std::memcmp(file.data(), signature, size) == 0;
}

// A PNG whose header says gray and whose chunks before the data carry no transparency.
bool GrayPng(std::span<const std::uint8_t> file) {
    if (file.size() < 33 || LoadU32BE(file.data() + 12) != 0x49484452) return false;  // IHDR
    if (file[25] != 0) return false;                                                  // colour type gray
    std::size_t at = 8;
    for (int guard = 0; guard < 10000 && at + 8 <= file.size(); ++guard) {
        const std::uint32_t length = LoadU32BE(file.data() + at);
        const std::uint32_t type = LoadU32BE(file.data() + at + 4);
        if (type == 0x74524E53) return false;  // tRNS
        if (type == 0x49444154) return true;   // IDAT: nothing more can add transparency
        if (length > file.size() - at - 8) return false;
        at += std::size_t{length} + 12;
    }
    return false;
}

}  // namespace

StoredFormat StoredFormatOf(std::span<const std::uint8_t> file) {
    switch (SniffImageFormat(file)) {
        case ImageFormat::kJpeg:
            return StoredFormat::kJpeg;
        case ImageFormat::kPng:
            return StoredFormat::kPng;
        case ImageFormat::kGif:
            return StoredFormat::kGif;
        case ImageFormat::kBmp:
            return StoredFormat::kBmp;
        case ImageFormat::kTiff:
            return StoredFormat::kTiff;
        case ImageFormat::kJpegXr:
        case ImageFormat::kUnknown:
            break;
    }
    if (StartsWith(file, "\0\0\0\x0CjP  \r\n\x87\n", 12)) return StoredFormat::kJp2;
    if (StartsWith(file, "\xFF\x4F\xFF\x51", 4)) return StoredFormat::kJ2k;
    if (StartsWith(file, "\x97JB2\r\n\x1A\n", 8)) return StoredFormat::kJbig2;
    // Metafiles whose own header gives their size: an enhanced metafile, or a Windows metafile
    // with its placeable header.
    if (MetafileSize(file)) return StartsWith(file, "\x01\0\0\0", 4) ? StoredFormat::kEmf : StoredFormat::kWmf;
    if (const auto foreign = RecognizeForeignPicture(file, {})) return ForeignStoredInfo(*foreign).format;
    return StoredFormat::kNone;
}

std::optional<int> JpegComponents(std::span<const std::uint8_t> file) {
    const std::optional<JpegFrame> frame = JpegFrameOf(file);
    if (!frame || frame->components == 0) return std::nullopt;
    return frame->components;
}

StoredInfo StoredInfoOfFile(std::span<const std::uint8_t> file) {
    StoredInfo info;
    info.format = StoredFormatOf(file);
    if (info.format == StoredFormat::kJpeg) {
        // JPEG goes through the readers' own decoder: one component gray, three or four colour.
        const std::optional<int> components = JpegComponents(file);
        if (components == 1) info.pixelType = PixelType::kGray8;
        if (components == 3 || components == 4) info.pixelType = PixelType::kBgr24;
    }
    if (info.format == StoredFormat::kPng && GrayPng(file)) info.pixelType = PixelType::kGray8;
    info.undecodable = info.format == StoredFormat::kWebp || info.format == StoredFormat::kAvif;
    return info;
}

}  // namespace pictrove::readers
