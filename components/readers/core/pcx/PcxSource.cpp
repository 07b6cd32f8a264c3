// PCX and DCX decoding.
#include "pcx/PcxSource.h"

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

constexpr std::uint32_t kDcxMagic = 0x3ADE68B1;
constexpr int kMaxDcxPages = 1023;
constexpr std::size_t kHeaderSize = 128;

struct Header {
    int width = 0;
    int height = 0;
    int bits = 0;
    int planes = 0;
    int bytesPerLine = 0;
    bool packed = true;
};

std::optional<Header> ReadHeader(std::span<const std::uint8_t> pcx) {
    if (pcx.size() < kHeaderSize || pcx[0] != 0x0A || pcx[2] > 1) return std::nullopt;
    ByteReader reader(pcx, 3);
    Header header;
    header.packed = pcx[2] == 1;
    header.bits = reader.U8();
    const int xMin = reader.U16LE();
    const int yMin = reader.U16LE();
    const int xMax = reader.U16LE();
    const int yMax = reader.U16LE();
    reader.Seek(65);
    header.planes = reader.U8();
    header.bytesPerLine = reader.U16LE();
    header.width = xMax - xMin + 1;
    header.height = yMax - yMin + 1;
    const bool known =
        (header.planes == 1 && (header.bits == 1 || header.bits == 2 || header.bits == 4 || header.bits == 8)) ||
        (header.bits == 1 && header.planes >= 2 && header.planes <= 4) ||
        (header.bits == 8 && (header.planes == 3 || header.planes == 4));
    if (!reader.Ok() || !known || !IsListableSize(header.width, header.height)) return std::nullopt;
    // A line must hold the whole width; writers pad it to an even count, a few a little more.
    const std::int64_t needed = (std::int64_t{header.width} * header.bits + 7) / 8;
    if (header.bytesPerLine < needed || header.bytesPerLine > needed + 16) return std::nullopt;
    return header;
}

}  // namespace

void PcxSource::Close() {
    file_.clear();
    pages_.clear();
}

OpenStatus PcxSource::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    ByteReader magic(file_);
    const bool dcx = magic.U32LE() == kDcxMagic;
    if (dcx) {
        std::vector<std::size_t> offsets;
        for (int i = 0; i < kMaxDcxPages; ++i) {
            const std::uint32_t offset = magic.U32LE();
            if (!magic.Ok() || offset == 0) break;
            offsets.push_back(offset);
        }
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] >= file_.size()) continue;
            // A page ends where the next one begins, or at the end of the file.
            std::size_t end = file_.size();
            for (std::size_t other : offsets) {
                if (other > offsets[i] && other < end) end = other;
            }
            pages_.push_back({offsets[i], end - offsets[i]});
        }
    } else {
        pages_.push_back({0, file_.size()});
    }
    if (dcx) pageCount_ = static_cast<int>(pages_.size());
    std::vector<Page> readable;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const Page& page = pages_[i];
        const auto header = ReadHeader(std::span(file_).subspan(page.offset, page.size));
        if (!header) continue;
        if (dcx) AddPage(images_.size(), static_cast<int>(i + 1));
        readable.push_back(page);
        images_.push_back({u"", header->width, header->height});
    }
    pages_ = std::move(readable);
    if (pages_.empty()) return OpenStatus::kNotReadable;
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

std::optional<DecodedImage> PcxSource::Decode(std::size_t index) {
    if (index >= pages_.size()) return std::nullopt;
    return DecodePcx(std::span(file_).subspan(pages_[index].offset, pages_[index].size));
}

std::optional<DecodedImage> DecodePcx(std::span<const std::uint8_t> pcx) {
    const auto header = ReadHeader(pcx);
    if (!header) return std::nullopt;
    const std::size_t lineSize = std::size_t(header->bytesPerLine) * header->planes;
    // What the data could unpack to at most (two bytes give 63): a short file claiming a huge
    // picture fails here instead of taking the memory first.
    const std::uint64_t wanted = std::uint64_t{lineSize} * header->height;
    const std::uint64_t possible = std::uint64_t{pcx.size() - kHeaderSize} * (header->packed ? 32 : 1);
    if (wanted > possible) return std::nullopt;
    std::vector<std::uint8_t> lines(static_cast<std::size_t>(wanted));
    // Runs may cross line ends (as some writers do), so the whole picture unpacks as one stream.
    std::size_t in = kHeaderSize;
    std::size_t out = 0;
    while (out < lines.size()) {
        if (in >= pcx.size()) return std::nullopt;
        std::uint8_t value = pcx[in++];
        std::size_t count = 1;
        if (header->packed && (value & 0xC0) == 0xC0) {
            count = value & 0x3F;
            if (in >= pcx.size()) return std::nullopt;
            value = pcx[in++];
        }
        for (; count > 0 && out < lines.size(); --count) lines[out++] = value;
    }

    // The palette: 256 colours after a 0x0C marker at the end, or 16 in the header.
    std::uint8_t palette[256][3] = {};
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c) palette[i][c] = pcx[16 + 3 * i + c];
    }
    if (header->bits == 8 && header->planes == 1) {
        if (pcx.size() >= kHeaderSize + 769 && pcx[pcx.size() - 769] == 0x0C) {
            for (int i = 0; i < 256; ++i) {
                for (int c = 0; c < 3; ++c) palette[i][c] = pcx[pcx.size() - 768 + 3 * i + c];
            }
        } else {
            for (int i = 0; i < 256; ++i) palette[i][0] = palette[i][1] = palette[i][2] = static_cast<std::uint8_t>(i);
        }
    }
    if (header->bits == 1 && header->planes == 1) {
        // Two colours: black and white, whatever the header's palette says.
        palette[0][0] = palette[0][1] = palette[0][2] = 0;
        palette[1][0] = palette[1][1] = palette[1][2] = 255;
    }

    const bool rgb = header->bits == 8 && header->planes >= 3;
    auto image = DecodedImage::Allocate(header->planes == 4 && rgb ? PixelType::kBgra32 : PixelType::kBgr24,
                                        header->width, header->height);
    if (!image) return std::nullopt;
    const int bpp = BytesPerPixel(image->type);
    for (int y = 0; y < header->height; ++y) {
        const std::uint8_t* line = lines.data() + std::size_t(y) * lineSize;
        std::uint8_t* row = image->Row(y);
        for (int x = 0; x < header->width; ++x) {
            std::uint8_t* pixel = row + bpp * x;
            if (rgb) {
                for (int c = 0; c < 3; ++c) pixel[2 - c] = line[std::size_t(c) * header->bytesPerLine + x];
                if (bpp == 4) pixel[3] = line[3u * header->bytesPerLine + x];
                continue;
            }
            int index = 0;
            if (header->planes == 1) {
                const int bit = x * header->bits;
                index = (line[bit / 8] >> (8 - header->bits - bit % 8)) & ((1 << header->bits) - 1);
            } else {
                // One bit per plane, the first plane the lowest bit of the index.
                for (int plane = 0; plane < header->planes; ++plane) {
                    const int bit = (line[std::size_t(plane) * header->bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
                    index |= bit << plane;
                }
            }
            pixel[0] = palette[index][2];
            pixel[1] = palette[index][1];
            pixel[2] = palette[index][0];
        }
    }
    return image;
}

}  // namespace pictrove::readers
