// Palm OS bitmap headers, decompression and pixel conversion; PalmDOC decompression.
#include "pictures/PalmBitmap.h"

#include <array>
#include <cstring>

#include "model/ByteReader.h"
#include "codecs/PackBits.h"

namespace pictrove::readers {
namespace {

enum Flags : std::uint16_t {
    kCompressed = 0x8000,
    kHasColourTable = 0x4000,
    kDirectColour = 0x0400,
};
enum Compression : int { kScanline = 0, kRunLength = 1, kPackBits = 2, kNone = 0xFF };
// A version 1 bitmap of this depth only marks where the high-density bitmaps of the chain begin.
constexpr int kDensityMarkerDepth = 0xFF;
constexpr int kMaxChain = 16;

struct Header {
    int width = 0;
    int height = 0;
    std::size_t rowBytes = 0;
    std::uint16_t flags = 0;
    int bits = 0;
    int version = 0;
    int compression = kNone;
    std::size_t headerSize = 16;
    std::size_t next = 0;  // offset of the next bitmap of the chain from this one, 0 for none
    bool littleEndian565 = false;
};

std::optional<Header> ReadHeader(std::span<const std::uint8_t> data, std::size_t offset) {
    ByteReader reader(data, offset);
    Header header;
    header.width = static_cast<std::int16_t>(reader.U16BE());
    header.height = static_cast<std::int16_t>(reader.U16BE());
    header.rowBytes = reader.U16BE();
    header.flags = reader.U16BE();
    header.bits = reader.U8();
    header.version = reader.U8();
    if (header.version < 3) {
        header.next = std::size_t{reader.U16BE()} * 4;
        reader.Skip(1);  // transparent index
        const int compression = reader.U8();
        reader.Skip(2);
        if (header.version == 0 && header.bits == 0) header.bits = 1;
        // Before version 2 the only compression is by scanline.
        header.compression = (header.flags & kCompressed) == 0 ? kNone : header.version < 2 ? kScanline : compression;
    } else if (header.version == 3) {
        header.headerSize = reader.U8();
        const int format = reader.U8();
        reader.Skip(1);
        const int compression = reader.U8();
        reader.Skip(2 + 4);  // density, transparent value
        header.next = reader.U32BE();
        header.littleEndian565 = format == 2;
        header.compression = (header.flags & kCompressed) == 0 ? kNone : compression;
        if (header.headerSize < 24) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!reader.Ok()) return std::nullopt;
    return header;
}

bool Usable(const Header& header) {
    const bool knownDepth =
        header.bits == 1 || header.bits == 2 || header.bits == 4 || header.bits == 8 || header.bits == 16;
    return knownDepth && IsListableSize(header.width, header.height) &&
           header.rowBytes >= (std::size_t(header.width) * header.bits + 7) / 8;
}

std::optional<std::pair<Header, std::size_t>> Richest(std::span<const std::uint8_t> data) {
    std::optional<std::pair<Header, std::size_t>> best;
    std::size_t offset = 0;
    for (int link = 0; link < kMaxChain && offset < data.size(); ++link) {
        const auto header = ReadHeader(data, offset);
        if (!header) break;
        if (header->version == 1 && header->bits == kDensityMarkerDepth) {
            offset += 16;
            continue;
        }
        if (Usable(*header)) {
            const auto pixels = [](const Header& h) { return std::int64_t{h.width} * h.height; };
            if (!best || header->bits > best->first.bits ||
                (header->bits == best->first.bits && pixels(*header) > pixels(best->first))) {
                best = std::pair{*header, offset};
            }
        }
        if (header->next == 0) break;
        offset += header->next;
    }
    return best;
}

// The default colours of 8-bit bitmaps: a 6 x 6 x 6 cube in two halves of blue (without black),
// ten grays, five named colours, then black.
std::array<std::uint32_t, 256> DefaultPalette() {
    std::array<std::uint32_t, 256> palette{};
    for (int i = 0; i < 215; ++i) {
        const int half = i / 108;
        const int j = i % 108;
        const int red = 255 - 51 * (j / 18);
        const int blue = (half == 0 ? 255 : 102) - 51 * ((j % 18) / 6);
        const int green = 255 - 51 * (j % 6);
        palette[i] = std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | std::uint32_t(blue);
    }
    const std::uint32_t tail[] = {0x111111, 0x222222, 0x444444, 0x555555, 0x777777, 0x888888, 0xAAAAAA, 0xBBBBBB,
                                  0xDDDDDD, 0xEEEEEE, 0xC0C0C0, 0x800000, 0x800080, 0x008000, 0x008080};
    for (std::size_t i = 0; i < std::size(tail); ++i) palette[215 + i] = tail[i];
    return palette;
}

// The most bytes a compression can unpack stored bytes to: scan lines spend at least one flag
// byte on eight bytes (the first row's bytes included, a row rounded up to whole groups), run
// lengths two bytes on at most 255, PackBits two bytes on at most 128 units of up to 2 bytes.
std::uint64_t MostUnpackedBytes(int compression, std::size_t stored, std::size_t rowBytes) {
    switch (compression) {
        case kScanline:
            return std::uint64_t(stored) * 8 + rowBytes;
        case kRunLength:
            return std::uint64_t(stored / 2) * 255;
        case kPackBits:
            return std::uint64_t(stored / 2) * 256;
        default:
            return stored;
    }
}

bool Unpack(const Header& header, std::span<const std::uint8_t> packed, std::span<std::uint8_t> out) {
    std::size_t in = 0;
    const auto take = [&](std::uint8_t& value) {
        if (in >= packed.size()) return false;
        value = packed[in++];
        return true;
    };
    std::uint8_t value = 0;
    switch (header.compression) {
        case kScanline: {
            const std::size_t rowBytes = header.rowBytes;
            for (std::size_t row = 0; row < std::size_t(header.height); ++row) {
                std::uint8_t* target = out.data() + row * rowBytes;
                const std::uint8_t* previous = row > 0 ? target - rowBytes : nullptr;
                for (std::size_t x = 0; x < rowBytes; x += 8) {
                    std::uint8_t changed = 0;
                    if (!take(changed)) return false;
                    for (std::size_t k = 0; k < 8 && x + k < rowBytes; ++k) {
                        if ((changed & (0x80 >> k)) != 0) {
                            if (!take(value)) return false;
                            target[x + k] = value;
                        } else {
                            target[x + k] = previous != nullptr ? previous[x + k] : 0;
                        }
                    }
                }
            }
            return true;
        }
        case kRunLength: {
            std::size_t written = 0;
            while (written < out.size()) {
                std::uint8_t count = 0;
                if (!take(count) || !take(value) || count == 0 || count > out.size() - written) return false;
                std::memset(out.data() + written, value, count);
                written += count;
            }
            return true;
        }
        case kPackBits: {
            // Sixteen-bit bitmaps pack words, the others bytes.
            codecs::ByteSink sink(out);
            const codecs::PackBitsOptions words{.unit = header.bits == 16 ? 2u : 1u};
            return codecs::PackBitsDecode(packed, sink, words).end == codecs::DecodeEnd::kOutputFull;
        }
        case kNone:
            if (packed.size() < out.size()) return false;
            std::memcpy(out.data(), packed.data(), out.size());
            return true;
    }
    return false;
}

}  // namespace

std::optional<PalmBitmapInfo> ReadPalmBitmap(std::span<const std::uint8_t> data) {
    const auto best = Richest(data);
    if (!best) return std::nullopt;
    return PalmBitmapInfo{best->first.width, best->first.height, best->first.bits, best->second};
}

std::optional<DecodedImage> DecodePalmBitmap(std::span<const std::uint8_t> data) {
    const auto best = Richest(data);
    if (!best) return std::nullopt;
    const Header& header = best->first;
    ByteReader reader(data, best->second + header.headerSize);
    std::array<std::uint32_t, 256> palette = DefaultPalette();
    bool coloured = header.bits >= 8;
    if ((header.flags & kHasColourTable) != 0) {
        const int count = reader.U16BE();
        for (int i = 0; i < count && reader.Ok(); ++i) {
            const int index = reader.U8();
            const std::uint32_t red = reader.U8();
            const std::uint32_t green = reader.U8();
            const std::uint32_t blue = reader.U8();
            if (index < 256) palette[index] = red << 16 | green << 8 | blue;
        }
        coloured = true;
    }
    if (header.version == 2 && (header.flags & kDirectColour) != 0) reader.Skip(8);  // bit counts, transparent colour
    std::span<const std::uint8_t> stored;
    if (header.compression != kNone) {
        const std::size_t size = header.version >= 3 ? reader.U32BE() : reader.U16BE();
        const std::size_t field = header.version >= 3 ? 4 : 2;
        // The size counts its own field; a size past the data leaves what is there to try.
        stored = reader.Bytes(std::min(size > field ? size - field : 0, reader.Remaining()));
    } else {
        stored = reader.Bytes(reader.Remaining());
    }
    if (!reader.Ok()) return std::nullopt;
    if (!WithinPixelLimit(std::uint64_t(header.width), std::uint64_t(header.height))) return std::nullopt;
    // The stored bytes bound what they can unpack to; a header that declares more is refused
    // before anything is allocated.
    const std::uint64_t rowsSize = std::uint64_t(header.rowBytes) * std::uint64_t(header.height);
    if (rowsSize > MostUnpackedBytes(header.compression, stored.size(), header.rowBytes)) return std::nullopt;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowsSize));
    if (!Unpack(header, stored, rows)) return std::nullopt;

    auto image = DecodedImage::Allocate(coloured ? PixelType::kBgr24 : PixelType::kGray8, header.width, header.height);
    if (!image) return std::nullopt;
    const int levels = header.bits < 16 ? (1 << header.bits) - 1 : 0;
    for (int y = 0; y < header.height; ++y) {
        const std::uint8_t* source = rows.data() + std::size_t(y) * header.rowBytes;
        std::uint8_t* target = image->Row(y);
        for (int x = 0; x < header.width; ++x) {
            if (header.bits == 16) {
                const std::uint8_t* p = source + std::size_t(x) * 2;
                const int value = header.littleEndian565 ? LoadU16LE(p) : LoadU16BE(p);
                const int red = (value >> 11) & 0x1F;
                const int green = (value >> 5) & 0x3F;
                const int blue = value & 0x1F;
                target[x * 3] = static_cast<std::uint8_t>(blue << 3 | blue >> 2);
                target[x * 3 + 1] = static_cast<std::uint8_t>(green << 2 | green >> 4);
                target[x * 3 + 2] = static_cast<std::uint8_t>(red << 3 | red >> 2);
                continue;
            }
            const int perByte = 8 / header.bits;
            const int shift = 8 - header.bits * (x % perByte + 1);
            const int value = (source[x / perByte] >> shift) & levels;
            if (!coloured) {
                target[x] = static_cast<std::uint8_t>(255 - value * 255 / levels);  // 0 is white
                continue;
            }
            const std::uint32_t colour = palette[value];
            target[x * 3] = static_cast<std::uint8_t>(colour);
            target[x * 3 + 1] = static_cast<std::uint8_t>(colour >> 8);
            target[x * 3 + 2] = static_cast<std::uint8_t>(colour >> 16);
        }
    }
    return image;
}

std::optional<std::vector<std::uint8_t>> UnpackPalmDoc(std::span<const std::uint8_t> packed, std::size_t limit) {
    std::vector<std::uint8_t> out;
    std::size_t in = 0;
    const auto put = [&](std::uint8_t byte) {
        if (out.size() >= limit) return false;
        out.push_back(byte);
        return true;
    };
    while (in < packed.size()) {
        const std::uint8_t code = packed[in++];
        if (code >= 1 && code <= 8) {
            if (code > packed.size() - in) return std::nullopt;
            for (int i = 0; i < code; ++i) {
                if (!put(packed[in++])) return std::nullopt;
            }
        } else if (code < 0x80) {
            if (!put(code)) return std::nullopt;
        } else if (code >= 0xC0) {
            if (!put(' ') || !put(code ^ 0x80)) return std::nullopt;
        } else {
            // A back reference: 11 bits of distance, 3 of length - 3.
            if (in >= packed.size()) return std::nullopt;
            const int pair = (code << 8 | packed[in++]) & 0x3FFF;
            const std::size_t distance = std::size_t(pair >> 3);
            const std::size_t length = std::size_t(pair & 7) + 3;
            if (distance == 0 || distance > out.size()) return std::nullopt;
            for (std::size_t i = 0; i < length; ++i) {
                if (!put(out[out.size() - distance])) return std::nullopt;
            }
        }
    }
    return out;
}

}  // namespace pictrove::readers
