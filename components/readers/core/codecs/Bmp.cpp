// Windows bitmap and icon reading: the header versions reduced to one description (size, depth,
// compression, masks, palette), then one row walker per storage.
#include "Bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "model/ByteReader.h"
#include "pictures/IcoDirectory.h"
#include "pictures/ImageHeader.h"
#include "codecs/Png.h"

namespace pictrove::readers::codecs {
namespace {

// Two bytes of RLE draw at most 255 pixels, and writers end every row with a code of its own:
// a picture of more pixels than 512 a byte of its data is refused before it is allocated (a
// delta could skip more, but no writer makes a picture of skips).
constexpr std::uint64_t kRlePixelsPerByte = 512;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct Dib {
    int width = 0;
    int height = 0;  // rows, positive
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::array<std::uint32_t, 4> masks{};              // red, green, blue, alpha; used with bit fields
    std::vector<std::array<std::uint8_t, 4>> palette;  // blue, green, red, 255
    std::size_t paletteStart = 0;                      // from the DIB's start
    std::size_t paletteEntry = 4;                      // bytes an entry takes
    std::size_t headerEnd = 0;                         // where the palette ends, from the DIB's start
};

// One channel of a bit-field pixel widened to 8 bits by repeating its bits (31 becomes 255,
// as the platform decoders widen 5-6-5 pixels); wider channels keep their top 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = std::min(std::countr_one(m >> shift), 32);
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (bits == 0) return 0;  // a channel without a mask has nothing to give
        const std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
        std::uint32_t wide = 0;
        int have = 0;
        for (; have < 8; have += bits) wide = (wide << bits) | value;
        return static_cast<std::uint8_t>(wide >> (have - 8));
    }
};

// Reads the DIB header at data's start. Palette entries are three bytes after a core header,
// four otherwise; masks come from the header or, for a version 3 header, right after it.
std::optional<Dib> ReadDib(std::span<const std::uint8_t> data, bool icon) {
    ByteReader reader(data);
    const std::uint32_t size = reader.U32LE();
    Dib dib;
    std::int64_t height = 0;
    bool core = false;
    if (size == 12) {
        core = true;
        dib.width = reader.U16LE();
        height = reader.U16LE();
        reader.Skip(2);
        dib.bits = reader.U16LE();
    } else if (size >= 16 && size <= 124) {
        dib.width = static_cast<std::int32_t>(reader.U32LE());
        height = static_cast<std::int32_t>(reader.U32LE());
        reader.Skip(2);
        dib.bits = reader.U16LE();
        if (size >= 20) dib.compression = reader.U32LE();
        // OS/2 2.x headers (16 or 64 bytes) number their compressions otherwise: only none and
        // the two RLEs mean the same.
        if ((size == 16 || size == 64) && dib.compression > kRle4) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!reader.Ok()) return std::nullopt;
    std::uint32_t colours = 0;
    if (size >= 36) {
        ByteReader at(data, 32);
        colours = at.U32LE();
    }
    if (size >= 52) {
        ByteReader at(data, 40);
        for (int i = 0; i < (size >= 56 ? 4 : 3); ++i) dib.masks[std::size_t(i)] = at.U32LE();
    }
    std::size_t end = size;
    if (size == 40 && (dib.compression == kBitFields || dib.compression == kAlphaBitFields)) {
        ByteReader at(data, 40);
        const int count = dib.compression == kAlphaBitFields ? 4 : 3;
        for (int i = 0; i < count; ++i) dib.masks[std::size_t(i)] = at.U32LE();
        if (!at.Ok()) return std::nullopt;
        end += std::size_t(count) * 4;
    }
    if (icon) height /= 2;  // the colour rows and the AND mask's rows
    dib.topDown = height < 0;
    dib.height = static_cast<int>(height < 0 ? -height : height);
    if (dib.width <= 0 || dib.height <= 0 || dib.width > kMaxImageSide || dib.height > kMaxImageSide)
        return std::nullopt;
    switch (dib.compression) {
        case kRgb:
            if (dib.bits != 1 && dib.bits != 4 && dib.bits != 8 && dib.bits != 16 && dib.bits != 24 && dib.bits != 32)
                return std::nullopt;
            break;
        case kRle8:
        case kRle4:
            if (dib.bits != (dib.compression == kRle8 ? 8 : 4) || dib.topDown) return std::nullopt;
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (dib.bits != 16 && dib.bits != 32) return std::nullopt;
            break;
        default:
            return std::nullopt;
    }
    if (dib.compression == kRgb && dib.bits == 16) dib.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (dib.compression == kRgb && dib.bits == 32) dib.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    // Only version 4 and 5 headers and ALPHABITFIELDS carry a meaningful alpha mask.
    if (dib.compression == kBitFields && size < 56) dib.masks[3] = 0;
    dib.paletteStart = end;
    dib.paletteEntry = core ? 3 : 4;
    if (dib.bits <= 8) {
        const std::uint32_t full = 1u << dib.bits;
        const std::uint32_t count = colours == 0 || colours > full ? full : colours;
        const std::size_t entry = core ? 3 : 4;
        ByteReader at(data, end);
        for (std::uint32_t i = 0; i < count && at.Remaining() >= entry; ++i) {
            const auto bytes = at.Bytes(entry);
            dib.palette.push_back({bytes[0], bytes[1], bytes[2], 0xFF});
        }
        if (dib.palette.empty()) return std::nullopt;
        end += count * entry;
    }
    dib.headerEnd = end;
    return dib;
}

std::size_t RowBytes(const Dib& dib) {
    return ((std::size_t(dib.width) * std::size_t(dib.bits) + 31) / 32) * 4;
}

void PutIndex(const Dib& dib, std::uint8_t* pixel, unsigned index) {
    static constexpr std::array<std::uint8_t, 4> kBlack{0, 0, 0, 0xFF};
    const auto& colour = index < dib.palette.size() ? dib.palette[index] : kBlack;
    std::memcpy(pixel, colour.data(), 4);
}

// Uncompressed rows; the caller has checked that the data holds them all.
void ReadRows(const Dib& dib, const std::uint8_t* pixels, DecodedImage& image) {
    const std::size_t rowBytes = RowBytes(dib);
    const Channel red(dib.masks[0]), green(dib.masks[1]), blue(dib.masks[2]), alpha(dib.masks[3]);
    for (int row = 0; row < dib.height; ++row) {
        const std::uint8_t* in = pixels + std::size_t(row) * rowBytes;
        std::uint8_t* out = image.Row(dib.topDown ? row : dib.height - 1 - row);
        for (int x = 0; x < dib.width; ++x, out += 4) {
            switch (dib.bits) {
                case 1:
                    PutIndex(dib, out, (in[x >> 3] >> (7 - (x & 7))) & 1);
                    break;
                case 4:
                    PutIndex(dib, out, (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                    break;
                case 8:
                    PutIndex(dib, out, in[x]);
                    break;
                case 24:
                    std::memcpy(out, in + 3 * x, 3);
                    out[3] = 0xFF;
                    break;
                default: {
                    const std::uint32_t value = dib.bits == 16 ? LoadU16LE(in + 2 * x) : LoadU32LE(in + 4 * x);
                    out[0] = blue.Get(value);
                    out[1] = green.Get(value);
                    out[2] = red.Get(value);
                    out[3] = alpha.mask != 0 ? alpha.Get(value) : 0xFF;
                }
            }
        }
    }
}

// RLE4 and RLE8 runs, rows bottom-up. False when the data ends before the end-of-bitmap code
// (or a last row end); what was drawn stays.
bool ReadRle(const Dib& dib, std::span<const std::uint8_t> data, DecodedImage& image) {
    // Pixels the runs skip show the palette's first colour.
    for (int y = 0; y < dib.height; ++y) {
        for (int x = 0; x < dib.width; ++x) PutIndex(dib, image.Row(y) + std::size_t(x) * 4, 0);
    }
    const bool four = dib.compression == kRle4;
    std::size_t at = 0;
    int x = 0;
    int y = 0;  // counted from the bottom
    auto put = [&](unsigned index) {
        if (x < dib.width && y < dib.height) PutIndex(dib, image.Row(dib.height - 1 - y) + std::size_t(x) * 4, index);
        ++x;
    };
    while (y < dib.height) {
        if (data.size() - at < 2) return false;
        const unsigned count = data[at];
        const unsigned value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < dib.width; ++i)
                put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (data.size() - at < 2) return false;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (data.size() - at < bytes) return false;
            for (unsigned i = 0; i < value; ++i) {
                put(four ? ((i & 1) ? data[at + i / 2] & 15 : data[at + i / 2] >> 4) : data[at + i]);
            }
            // The pad byte of an odd run may be what the data lacks at its end.
            at = std::min(at + ((bytes + 1) & ~std::size_t{1}), data.size());
        }
    }
    return true;
}

// The DIB at data's start with its pixels at pixelOffset (from data's start).
PictureResult DecodeDib(std::span<const std::uint8_t> data, const Dib& dib, std::size_t pixelOffset) {
    if (pixelOffset > data.size()) return {PictureEnd::kDamaged, std::nullopt};
    const auto pixels = data.subspan(pixelOffset);
    const bool rle = dib.compression == kRle4 || dib.compression == kRle8;
    // The pixel limit first: a refusal for it is noted, so the picture is told to be too large.
    if (!IsAcceptableSize(dib.width, dib.height)) return {PictureEnd::kOverLimit, std::nullopt};
    if (rle && std::uint64_t(dib.width) * std::uint64_t(dib.height) >
                   (std::uint64_t{pixels.size()} + 1024) * kRlePixelsPerByte) {
        return {PictureEnd::kOverLimit, std::nullopt};
    }
    if (!rle) {
        // The last row's padding may be missing; anything less cannot be these rows.
        const std::uint64_t need = std::uint64_t{RowBytes(dib)} * std::uint64_t(dib.height - 1) +
                                   (std::uint64_t(dib.width) * std::uint64_t(dib.bits) + 7) / 8;
        if (pixels.size() < need) return {PictureEnd::kOverLimit, std::nullopt};
    }
    auto image = DecodedImage::Allocate(PixelType::kBgra32, dib.width, dib.height);
    if (!image) return {PictureEnd::kOverLimit, std::nullopt};
    if (!rle) {
        // Rows are read in place; the missing padding of a last row is never touched.
        std::vector<std::uint8_t> padded;
        const std::uint8_t* source = pixels.data();
        if (pixels.size() < RowBytes(dib) * std::size_t(dib.height)) {
            padded.assign(pixels.begin(), pixels.end());
            padded.resize(RowBytes(dib) * std::size_t(dib.height));
            source = padded.data();
        }
        ReadRows(dib, source, *image);
        return Finished(PictureEnd::kComplete, std::move(*image));
    }
    const bool whole = ReadRle(dib, pixels, *image);
    return Finished(whole ? PictureEnd::kComplete : PictureEnd::kTruncated, std::move(*image));
}

// An icon's bitmap: colour rows, then a one-bit AND mask (1 = transparent) of the same height.
PictureResult DecodeIconDib(std::span<const std::uint8_t> data) {
    const auto dib = ReadDib(data, true);
    if (!dib || dib->compression == kRle4 || dib->compression == kRle8) return {PictureEnd::kDamaged, std::nullopt};
    const std::size_t colourBytes = RowBytes(*dib) * std::size_t(dib->height);
    if (!IsAcceptableSize(dib->width, dib->height)) return {PictureEnd::kOverLimit, std::nullopt};
    if (dib->headerEnd > data.size() || data.size() - dib->headerEnd < colourBytes) {
        return {PictureEnd::kOverLimit, std::nullopt};
    }
    auto image = DecodedImage::Allocate(PixelType::kBgra32, dib->width, dib->height);
    if (!image) return {PictureEnd::kOverLimit, std::nullopt};
    Dib colour = *dib;
    // A 32-bit icon's fourth byte is its alpha.
    if (colour.bits == 32 && colour.compression == kRgb) colour.masks[3] = 0xFF000000;
    ReadRows(colour, data.data() + dib->headerEnd, *image);
    bool anyAlpha = false;
    if (colour.bits == 32) {
        for (int y = 0; y < dib->height && !anyAlpha; ++y) {
            for (int x = 0; x < dib->width; ++x) anyAlpha = anyAlpha || image->Row(y)[4 * x + 3] != 0;
        }
    }
    const std::size_t maskRow = ((std::size_t(dib->width) + 31) / 32) * 4;
    const std::size_t maskStart = dib->headerEnd + colourBytes;
    // Icons whose colour has its own alpha may leave the mask out.
    const bool haveMask = data.size() - maskStart >= maskRow * std::size_t(dib->height);
    for (int row = 0; row < dib->height; ++row) {
        std::uint8_t* out = image->Row(dib->topDown ? row : dib->height - 1 - row);
        const std::uint8_t* mask = haveMask ? data.data() + maskStart + std::size_t(row) * maskRow : nullptr;
        for (int x = 0; x < dib->width; ++x, out += 4) {
            if (anyAlpha) continue;
            if (mask != nullptr && ((mask[x >> 3] >> (7 - (x & 7))) & 1) != 0) {
                std::memset(out, 0, 4);
            } else {
                out[3] = 0xFF;
            }
        }
    }
    return Finished(PictureEnd::kComplete, std::move(*image));
}

}  // namespace

bool LooksLikeBmp(std::span<const std::uint8_t> file) {
    return file.size() >= 18 && file[0] == 'B' && file[1] == 'M';
}

PictureResult DecodeBmp(std::span<const std::uint8_t> file, const PictureOptions& options) {
    if (!LooksLikeBmp(file)) return {};
    if (options.frame > 0) return {PictureEnd::kNoSuchFrame, std::nullopt};
    constexpr std::size_t kFileHeader = 14;
    const auto data = file.subspan(kFileHeader);
    const auto dib = ReadDib(data, false);
    if (!dib) return {PictureEnd::kDamaged, std::nullopt};
    // The pixels' offset as the file header gives it. One inside the palette means a shorter
    // palette than the header says (its entries past the offset are pixels); one inside the
    // headers (some writers leave it zero) is taken to mean right after the palette.
    Dib fitted = *dib;
    const std::uint32_t offset = LoadU32LE(file.data() + 10);
    std::size_t pixels = fitted.headerEnd;
    if (offset >= kFileHeader + fitted.headerEnd) {
        pixels = offset - kFileHeader;
    } else if (offset >= kFileHeader + fitted.paletteStart + fitted.paletteEntry && !fitted.palette.empty()) {
        pixels = offset - kFileHeader;
        fitted.palette.resize((pixels - fitted.paletteStart) / fitted.paletteEntry);
    }
    return DecodeDib(data, fitted, pixels);
}

PictureResult DecodeIco(std::span<const std::uint8_t> file, const PictureOptions& options) {
    const auto entries = ParseIcoDirectory(file);
    if (!entries) return {};
    if (options.frame >= entries->size()) return {PictureEnd::kNoSuchFrame, std::nullopt};
    const IcoEntry& entry = (*entries)[options.frame];
    const auto data = file.subspan(entry.offset, entry.size);
    if (entry.isPng) return DecodePng(data);
    return DecodeIconDib(data);
}

std::optional<std::pair<int, int>> IconEntrySize(std::span<const std::uint8_t> file, unsigned entry) {
    const auto entries = ParseIcoDirectory(file);
    if (!entries || entry >= entries->size()) return std::nullopt;
    const IcoEntry& found = (*entries)[entry];
    const auto data = file.subspan(found.offset, found.size);
    if (found.isPng) {
        const auto info = ReadImageHeader(data);
        if (!info) return std::nullopt;
        return std::pair{info->width, info->height};
    }
    const auto dib = ReadDib(data, true);
    if (!dib) return std::nullopt;
    return std::pair{dib->width, dib->height};
}

}  // namespace pictrove::readers::codecs
