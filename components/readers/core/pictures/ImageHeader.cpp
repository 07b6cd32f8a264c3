// Size fields of the common image file headers.
#include "pictures/ImageHeader.h"

#include <algorithm>
#include <cstring>

#include "codecs/Webp.h"
#include "model/ByteReader.h"
#include "model/DecodedImage.h"

namespace pictrove::readers {
namespace {

bool StartsWith(std::span<const std::uint8_t> file, const char* signature, std::size_t size) {
    return file.size() >= size && std::memcmp(file.data(), signature, size) == 0;
}

std::optional<ImageInfo> Checked(ImageFormat format, std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return std::nullopt;
    // A picture over the pixel limit is still listed; decoding it is what fails.
    if (!IsListableSize(static_cast<int>(width), static_cast<int>(height))) return std::nullopt;
    return ImageInfo{format, static_cast<int>(width), static_cast<int>(height)};
}

std::optional<ImageInfo> JpegHeader(std::span<const std::uint8_t> file) {
    const std::optional<JpegFrame> frame = JpegFrameOf(file);
    if (!frame) return std::nullopt;
    return Checked(ImageFormat::kJpeg, frame->width, frame->height);
}

std::optional<ImageInfo> TiffHeader(std::span<const std::uint8_t> file, ImageFormat format) {
    const bool big = file[0] == 'M';
    ByteReader reader(file, 4);
    const auto u16 = [&](ByteReader& r) { return big ? r.U16BE() : r.U16LE(); };
    const auto u32 = [&](ByteReader& r) { return big ? r.U32BE() : r.U32LE(); };
    const std::uint32_t offset = u32(reader);
    if (!reader.Ok() || offset >= file.size()) return std::nullopt;
    ByteReader ifd(file, offset);
    const int count = u16(ifd);
    std::int64_t width = -1;
    std::int64_t height = -1;
    const std::uint16_t widthTag = format == ImageFormat::kJpegXr ? 0xBC80 : 256;
    const std::uint16_t heightTag = format == ImageFormat::kJpegXr ? 0xBC81 : 257;
    for (int i = 0; i < count && ifd.Ok(); ++i) {
        const std::uint16_t tag = u16(ifd);
        const std::uint16_t type = u16(ifd);
        ifd.Skip(4);
        ByteReader value(file, ifd.Position());
        ifd.Skip(4);
        std::int64_t number = 0;
        if (type == 3) {
            number = u16(value);
        } else if (type == 4) {
            number = u32(value);
        } else if (type == 1) {
            number = value.U8();
        } else {
            continue;
        }
        if (tag == widthTag) width = number;
        if (tag == heightTag) height = number;
    }
    if (!ifd.Ok() && (width < 0 || height < 0)) return std::nullopt;
    return Checked(format, width, height);
}

}  // namespace

ImageFormat SniffImageFormat(std::span<const std::uint8_t> file) {
    if (StartsWith(file, "\xFF\xD8\xFF", 3)) return ImageFormat::kJpeg;
    if (StartsWith(file, "\x89PNG\r\n\x1A\n", 8)) return ImageFormat::kPng;
    if (StartsWith(file, "GIF87a", 6) || StartsWith(file, "GIF89a", 6)) return ImageFormat::kGif;
    if (StartsWith(file, "BM", 2) && file.size() >= 26) return ImageFormat::kBmp;
    if (StartsWith(file, "II*\0", 4) || StartsWith(file, "MM\0*", 4)) return ImageFormat::kTiff;
    if (StartsWith(file, "II\xBC\x01", 4) || StartsWith(file, "II\xBC\x00", 4)) return ImageFormat::kJpegXr;
    if (codecs::LooksLikeWebp(file)) return ImageFormat::kWebp;
    return ImageFormat::kUnknown;
}

std::optional<ImageInfo> ReadImageHeader(std::span<const std::uint8_t> file) {
    const ImageFormat format = SniffImageFormat(file);
    switch (format) {
        case ImageFormat::kJpeg:
            return JpegHeader(file);
        case ImageFormat::kPng: {
            ByteReader reader(file, 12);
            if (reader.U32BE() != 0x49484452) return std::nullopt;  // IHDR
            const std::uint32_t width = reader.U32BE();
            const std::uint32_t height = reader.U32BE();
            if (!reader.Ok()) return std::nullopt;
            return Checked(format, width, height);
        }
        case ImageFormat::kGif: {
            ByteReader reader(file, 6);
            const int width = reader.U16LE();
            const int height = reader.U16LE();
            if (!reader.Ok()) return std::nullopt;
            return Checked(format, width, height);
        }
        case ImageFormat::kBmp: {
            ByteReader reader(file, 14);
            const std::uint32_t headerSize = reader.U32LE();
            if (headerSize == 12) {
                const int width = reader.U16LE();
                const int height = reader.U16LE();
                return reader.Ok() ? Checked(format, width, height) : std::nullopt;
            }
            const auto width = static_cast<std::int32_t>(reader.U32LE());
            const auto height = static_cast<std::int32_t>(reader.U32LE());
            if (!reader.Ok() || headerSize < 16) return std::nullopt;
            // A negative height marks rows stored top-down.
            return Checked(format, width, height < 0 ? -std::int64_t{height} : height);
        }
        case ImageFormat::kTiff:
        case ImageFormat::kJpegXr:
            return TiffHeader(file, format);
        case ImageFormat::kWebp: {
            const auto size = codecs::WebpCanvasSize(file);
            return size ? Checked(format, size->first, size->second) : std::nullopt;
        }
        case ImageFormat::kUnknown:
            break;
    }
    return std::nullopt;
}

std::optional<std::pair<int, int>> MetafileSize(std::span<const std::uint8_t> file) {
    constexpr std::uint32_t kEmfHeaderType = 1;
    constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
    constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
    ByteReader reader(file);
    const std::uint32_t first = reader.U32LE();
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t unitsPerInch = 0;
    if (first == kEmfHeaderType) {
        reader.Seek(24);
        const std::int64_t frameLeft = static_cast<std::int32_t>(reader.U32LE());
        const std::int64_t frameTop = static_cast<std::int32_t>(reader.U32LE());
        const std::int64_t frameRight = static_cast<std::int32_t>(reader.U32LE());
        const std::int64_t frameBottom = static_cast<std::int32_t>(reader.U32LE());
        if (!reader.Ok() || reader.U32LE() != kEmfSignature) return std::nullopt;
        width = frameRight - frameLeft;
        height = frameBottom - frameTop;
        unitsPerInch = 2540;
    } else if (first == kPlaceableKey) {
        reader.Skip(2);
        const auto left = static_cast<std::int16_t>(reader.U16LE());
        const auto top = static_cast<std::int16_t>(reader.U16LE());
        const auto right = static_cast<std::int16_t>(reader.U16LE());
        const auto bottom = static_cast<std::int16_t>(reader.U16LE());
        unitsPerInch = reader.U16LE();
        width = std::int64_t{right} - left;
        height = std::int64_t{bottom} - top;
    } else {
        return std::nullopt;
    }
    if (!reader.Ok() || unitsPerInch <= 0 || width <= 0 || height <= 0) return std::nullopt;
    // Rounded to the nearest pixel, but never below one.
    const std::int64_t w = std::max<std::int64_t>(1, (width * kMetafileDpi + unitsPerInch / 2) / unitsPerInch);
    const std::int64_t h = std::max<std::int64_t>(1, (height * kMetafileDpi + unitsPerInch / 2) / unitsPerInch);
    if (w > kMaxImageSide || h > kMaxImageSide || !IsAcceptableSize(int(w), int(h))) return std::nullopt;
    return std::pair{static_cast<int>(w), static_cast<int>(h)};
}

std::optional<JpegFrame> JpegFrameOf(std::span<const std::uint8_t> file) {
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8) return std::nullopt;
    ByteReader reader(file, 2);
    bool adobe = false;
    // Markers until the first start of frame; scans before it mean a damaged file.
    for (int guard = 0; guard < 10000 && reader.Ok(); ++guard) {
        std::uint8_t marker = reader.U8();
        if (marker != 0xFF) return std::nullopt;
        while (marker == 0xFF && reader.Ok()) marker = reader.U8();
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;
        const std::uint16_t length = reader.U16BE();
        if (length < 2) return std::nullopt;
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            reader.Skip(1);  // precision
            JpegFrame frame;
            frame.height = reader.U16BE();
            frame.width = reader.U16BE();
            if (!reader.Ok()) return std::nullopt;
            frame.components = reader.U8();
            if (!reader.Ok()) frame.components = 0;  // cut short: the size is known, the rest not
            frame.adobe = adobe;
            return frame;
        }
        const std::span<const std::uint8_t> segment = reader.Bytes(length - 2u);
        // APP14 as libjpeg takes it: "Adobe" and at least the twelve bytes its fields fill.
        if (marker == 0xEE && segment.size() >= 12 && std::memcmp(segment.data(), "Adobe", 5) == 0) adobe = true;
    }
    return std::nullopt;
}

}  // namespace pictrove::readers
