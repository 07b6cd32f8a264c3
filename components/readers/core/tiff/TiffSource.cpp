// TIFF pages: the directory chain, and the decoder for the pages GDI+ leaves out.
#include "tiff/TiffSource.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "model/ByteReader.h"
#include "codecs/CmykModel.h"
#include "codecs/Lzw.h"
#include "codecs/PackBits.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

constexpr int kMaxPages = 65536;

enum Tag : std::uint16_t {
    kWidth = 256,
    kHeight = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kPlanar = 284,
    kPredictor = 317,
    kColourMap = 320,
    kTileWidth = 322,
    kTileLength = 323,
    kTileOffsets = 324,
    kTileByteCounts = 325,
    kExtraSamples = 338,
    kSampleFormat = 339,
    kMinSampleValue = 340,
    kMaxSampleValue = 341,
    kJpegTables = 347,
};

class Directory {
  public:
    Directory(std::span<const std::uint8_t> file, bool big) : file_(file), big_(big) {}

    std::uint32_t U16(ByteReader& r) const { return big_ ? r.U16BE() : r.U16LE(); }
    std::uint32_t U32(ByteReader& r) const { return big_ ? r.U32BE() : r.U32LE(); }

    // The values of one entry as integers; nothing for types that are not integers.
    std::vector<std::uint64_t> Values(std::uint16_t type,
                                      std::uint32_t count,
                                      std::size_t valueField,
                                      std::uint32_t limit) const {
        const std::size_t size = type == 1 || type == 6 || type == 7 ? 1
                                 : type == 3 || type == 8            ? 2
                                 : type == 4 || type == 9            ? 4
                                                                     : 0;
        if (size == 0 || count == 0 || count > limit) return {};
        ByteReader field(file_, valueField);
        std::size_t start = valueField;
        if (std::uint64_t{size} * count > 4) start = U32(field);
        if (start > file_.size() || std::uint64_t{size} * count > file_.size() - start) return {};
        std::vector<std::uint64_t> values(count);
        ByteReader reader(file_, start);
        for (auto& value : values) value = size == 1 ? reader.U8() : size == 2 ? U16(reader) : U32(reader);
        return values;
    }

    // The first value of an entry as a number, whatever its numeric type (floating point too).
    std::optional<double> FirstNumber(std::uint16_t type, std::uint32_t count, std::size_t valueField) const {
        if (count == 0) return std::nullopt;
        if (type == 11 || type == 12) {
            ByteReader field(file_, valueField);
            std::size_t start = valueField;
            if (type == 12 || count > 1) start = U32(field);  // what does not fit in the entry lies elsewhere
            if (start > file_.size() || file_.size() - start < (type == 11 ? 4u : 8u)) return std::nullopt;
            const std::uint8_t* p = file_.data() + start;
            if (type == 11) {
                const std::uint32_t bits = big_ ? LoadU32BE(p) : LoadU32LE(p);
                float value;
                std::memcpy(&value, &bits, 4);
                return value;
            }
            const std::uint64_t bits = big_ ? (std::uint64_t{LoadU32BE(p)} << 32) | LoadU32BE(p + 4)
                                            : (std::uint64_t{LoadU32LE(p + 4)} << 32) | LoadU32LE(p);
            double value;
            std::memcpy(&value, &bits, 8);
            return value;
        }
        const auto list = Values(type, count, valueField, 1u << 16);
        if (list.empty()) return std::nullopt;
        return type == 8 ? double(std::int16_t(list[0])) : type == 9 ? double(std::int32_t(list[0])) : double(list[0]);
    }

  private:
    std::span<const std::uint8_t> file_;
    bool big_;
};

std::uint32_t Sample(const std::uint8_t* row, std::size_t index, int bits, bool big) {
    switch (bits) {
        case 8:
            return row[index];
        case 16:
            return big ? row[2 * index] : row[2 * index + 1];  // the high byte
        default: {
            const std::size_t bit = index * static_cast<std::size_t>(bits);
            const std::uint32_t value = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            return value * 255 / ((1u << bits) - 1);
        }
    }
}

// A 32 or 64-bit floating-point sample scaled from lowest..highest to 0..255 (NaN is black).
std::uint32_t RealSample(const std::uint8_t* row,
                         std::size_t index,
                         int bits,
                         bool big,
                         double lowest,
                         double highest) {
    double value;
    if (bits == 32) {
        const std::uint8_t* p = row + 4 * index;
        const std::uint32_t word = big ? LoadU32BE(p) : LoadU32LE(p);
        float single;
        std::memcpy(&single, &word, 4);
        value = single;
    } else {
        const std::uint8_t* p = row + 8 * index;
        const std::uint64_t word = big ? (std::uint64_t{LoadU32BE(p)} << 32) | LoadU32BE(p + 4)
                                       : (std::uint64_t{LoadU32LE(p + 4)} << 32) | LoadU32LE(p);
        std::memcpy(&value, &word, 8);
    }
    const double level = (value - lowest) / (highest - lowest) * 255.0 + 0.5;
    if (!(level > 0)) return 0;
    return level >= 255 ? 255u : static_cast<std::uint32_t>(level);
}

}  // namespace

bool LooksLikeTiff(std::span<const std::uint8_t> file) {
    return file.size() >= 8 && (std::memcmp(file.data(), "II*\0", 4) == 0 || std::memcmp(file.data(), "MM\0*", 4) == 0);
}

void TiffSource::Close() {
    file_.clear();
    pages_.clear();
    decoderPages_ = -1;
}

OpenStatus TiffSource::OpenDocument(OpenRequest request) {
    if (!LooksLikeTiff(request.bytes)) return OpenStatus::kNotReadable;
    file_ = std::move(request.bytes);
    const bool big = file_[0] == 'M';
    Directory directory(file_, big);
    ByteReader header(file_, 4);
    std::uint64_t offset = directory.U32(header);
    std::unordered_set<std::uint64_t> seen;
    while (offset != 0 && offset < file_.size() && pages_.size() < kMaxPages && seen.insert(offset).second) {
        ByteReader reader(file_, static_cast<std::size_t>(offset));
        const std::uint32_t count = directory.U16(reader);
        TiffPage page;
        std::vector<std::uint64_t> bits;
        std::uint64_t rowsPerStrip = 0xFFFFFFFF;
        std::vector<std::uint64_t> stripOffsets, stripCounts, tileOffsets, tileCounts;
        for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
            const std::uint16_t tag = static_cast<std::uint16_t>(directory.U16(reader));
            const std::uint16_t type = static_cast<std::uint16_t>(directory.U16(reader));
            const std::uint32_t values = directory.U32(reader);
            const std::size_t field = reader.Position();
            reader.Skip(4);
            if (!reader.Ok()) break;
            if (tag == kJpegTables && (type == 7 || type == 1)) {
                const auto list = directory.Values(1, values, field, 1u << 20);
                page.jpegTables.assign(list.begin(), list.end());
                continue;
            }
            if (tag == kMinSampleValue || tag == kMaxSampleValue) {
                if (const auto value = directory.FirstNumber(type, values, field)) {
                    (tag == kMinSampleValue ? page.lowest : page.highest) = *value;
                }
                continue;
            }
            const auto list = directory.Values(type, values, field, tag == kColourMap ? 3 * 65536 : 1u << 24);
            if (list.empty()) continue;
            const auto one = static_cast<int>(std::min<std::uint64_t>(list[0], 0x7FFFFFFF));
            switch (tag) {
                case kWidth:
                    page.width = one;
                    break;
                case kHeight:
                    page.height = one;
                    break;
                case kBitsPerSample:
                    bits = list;
                    break;
                case kCompression:
                    page.compression = one;
                    break;
                case kPhotometric:
                    page.photometric = one;
                    break;
                case kStripOffsets:
                    stripOffsets = list;
                    break;
                case kSamplesPerPixel:
                    page.samplesPerPixel = one;
                    break;
                case kRowsPerStrip:
                    rowsPerStrip = list[0];
                    break;
                case kStripByteCounts:
                    stripCounts = list;
                    break;
                case kPlanar:
                    page.planar = one;
                    break;
                case kPredictor:
                    page.predictor = one;
                    break;
                case kColourMap:
                    page.colourMap.assign(list.begin(), list.end());
                    break;
                case kTileWidth:
                    page.chunkWidth = one;
                    page.tiled = true;
                    break;
                case kTileLength:
                    page.chunkHeight = one;
                    break;
                case kTileOffsets:
                    tileOffsets = list;
                    break;
                case kTileByteCounts:
                    tileCounts = list;
                    break;
                case kExtraSamples:
                    page.extraSamples = static_cast<int>(list.size());
                    break;
                case kSampleFormat:
                    page.sampleFormat = one;
                    break;
                default:
                    break;
            }
        }
        if (!bits.empty()) page.bitsPerSample = static_cast<int>(std::min<std::uint64_t>(bits[0], 64));
        if (page.tiled) {
            page.offsets = std::move(tileOffsets);
            page.byteCounts = std::move(tileCounts);
        } else {
            page.chunkWidth = page.width;
            page.chunkHeight = static_cast<int>(std::clamp<std::uint64_t>(rowsPerStrip, 1, std::max(page.height, 1)));
            page.offsets = std::move(stripOffsets);
            page.byteCounts = std::move(stripCounts);
        }
        // Every page with a usable size is listed, even one only the payload decoder can read.
        ++pageCount_;  // a page whose size is unusable keeps its number
        if (IsAcceptableSize(page.width, page.height)) {
            AddPage(images_.size(), pageCount_);
            images_.push_back({u"", page.width, page.height});
            pages_.push_back(std::move(page));
        }
        ByteReader next(file_, static_cast<std::size_t>(offset) + 2 + std::size_t{count} * 12);
        offset = directory.U32(next);
        if (!next.Ok()) break;
    }
    if (pages_.empty()) return OpenStatus::kNotReadable;
    // A file of one page is that page as stored; a page of several is no file of its own.
    if (pages_.size() == 1) stored_.push_back({StoredFormat::kTiff, std::nullopt});
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

std::optional<std::vector<std::uint8_t>> TiffSource::StoredBytes(std::size_t index) {
    if (index >= pages_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return std::vector<std::uint8_t>(file_.data(), file_.data() + file_.size());
}

std::optional<DecodedImage> TiffSource::Decode(std::size_t index) {
    if (index >= pages_.size()) return std::nullopt;
    // Signed and floating-point samples are ours alone: a platform decoder that takes them for
    // unsigned integers gives a picture of the right size and the wrong levels. Separated (CMYK)
    // pages too, so their ink looks the same as in JPEG files and PDFs on every platform.
    constexpr int kSeparated = 5;
    if (pages_[index].sampleFormat != 1) return DecodeHere(index);
    if (pages_[index].photometric == kSeparated) {
        if (auto own = DecodeHere(index)) return own;
    }
    if (decoder_) {
        if (decoderPages_ < 0) decoderPages_ = static_cast<int>(decoder_->FrameCount(file_));
        // Page numbers agree only when the decoder sees the same chain.
        if (decoderPages_ == static_cast<int>(pages_.size())) {
            auto image = decoder_->DecodeFrame(file_, static_cast<unsigned>(index));
            if (image && image->width == pages_[index].width && image->height == pages_[index].height) return image;
        }
    }
    return DecodeHere(index);
}

std::optional<DecodedImage> TiffSource::DecodeHere(std::size_t index) const {
    if (index >= pages_.size()) return std::nullopt;
    const TiffPage& page = pages_[index];
    if (page.compression == 7) return DecodeJpegChunks(page);
    const int bits = page.bitsPerSample;
    const int spp = page.samplesPerPixel;
    // Floating-point samples of 32 or 64 bits, signed or unsigned integers of up to 16 bits.
    const bool real = page.sampleFormat == 3;
    if (real ? bits != 32 && bits != 64 : bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) {
        return std::nullopt;
    }
    if (spp < 1 || spp > 8 || (real && page.predictor != 1) || !(page.highest != page.lowest)) return std::nullopt;
    if (page.compression != 1 && page.compression != 5 && page.compression != 8 && page.compression != 32946 &&
        page.compression != 32773) {
        return std::nullopt;
    }
    if (page.chunkWidth <= 0 || page.chunkHeight <= 0 || page.chunkWidth > kMaxImageSide ||
        page.chunkHeight > kMaxImageSide) {
        return std::nullopt;
    }
    const bool big = file_[0] == 'M';
    const int planes = page.planar == 2 ? spp : 1;
    const int samplesInChunk = page.planar == 2 ? 1 : spp;
    const std::size_t across = (static_cast<std::size_t>(page.width) + page.chunkWidth - 1) / page.chunkWidth;
    const std::size_t down = (static_cast<std::size_t>(page.height) + page.chunkHeight - 1) / page.chunkHeight;
    if (page.offsets.size() < across * down * planes || page.byteCounts.size() < page.offsets.size()) {
        return std::nullopt;
    }
    const std::size_t chunkRow = (std::size_t(page.chunkWidth) * samplesInChunk * bits + 7) / 8;
    const std::size_t planeRow = (std::size_t(page.width) * samplesInChunk * bits + 7) / 8;
    if (!WithinPixelLimit(std::uint64_t(page.width), std::uint64_t(page.height)) ||
        !WithinStreamLimit(std::uint64_t{planeRow} * page.height * planes) ||
        !WithinStreamLimit(std::uint64_t{chunkRow} * page.chunkHeight)) {
        return std::nullopt;
    }
    // What the chunks could unpack to at most: a small file claiming a huge page fails before
    // the memory is taken.
    std::uint64_t stored = 0;
    for (std::size_t i = 0; i < across * down * planes; ++i)
        stored += std::min<std::uint64_t>(page.byteCounts[i], file_.size());
    const std::uint64_t expansion = page.compression == 1       ? 1
                                    : page.compression == 32773 ? 64
                                    : page.compression == 5     ? 4096
                                                                : 1100;
    if (std::uint64_t{planeRow} * page.height * planes > stored * expansion + 4096) return std::nullopt;
    std::vector<std::vector<std::uint8_t>> raw(planes, std::vector<std::uint8_t>(planeRow * page.height));
    std::vector<std::uint8_t> chunk(chunkRow * page.chunkHeight);
    for (int plane = 0; plane < planes; ++plane) {
        for (std::size_t cy = 0; cy < down; ++cy) {
            for (std::size_t cx = 0; cx < across; ++cx) {
                const std::size_t number = (plane * down + cy) * across + cx;
                const std::uint64_t start = page.offsets[number];
                const std::uint64_t size = page.byteCounts[number];
                if (start > file_.size() || size > file_.size() - start) return std::nullopt;
                const std::span<const std::uint8_t> data(file_.data() + start, static_cast<std::size_t>(size));
                std::fill(chunk.begin(), chunk.end(), 0);
                bool ok = true;
                switch (page.compression) {
                    case 1:
                        std::memcpy(chunk.data(), data.data(), std::min(chunk.size(), data.size()));
                        break;
                    case 32773: {
                        codecs::ByteSink sink(chunk);
                        ok = codecs::PackBitsDecode(data, sink).written > 0 || chunk.empty();
                        break;
                    }
                    case 5: {
                        codecs::ByteSink sink(chunk);
                        const auto result = codecs::LzwDecode(data, sink, {.earlyChange = true});
                        ok = result.end != codecs::DecodeEnd::kInvalidCode && (result.written > 0 || chunk.empty());
                        break;
                    }
                    default: {
                        // The last strip may hold fewer rows than a whole one.
                        auto inflated = InflateBounded(data, chunk.size(), false);
                        ok = inflated.has_value();
                        if (ok) std::memcpy(chunk.data(), inflated->data(), inflated->size());
                    }
                }
                if (!ok) return std::nullopt;
                if (page.predictor == 2) {
                    const std::size_t step = static_cast<std::size_t>(samplesInChunk);
                    for (int y = 0; y < page.chunkHeight; ++y) {
                        std::uint8_t* row = chunk.data() + y * chunkRow;
                        if (bits == 8) {
                            for (std::size_t i = step; i < chunkRow; ++i) row[i] = std::uint8_t(row[i] + row[i - step]);
                        } else if (bits == 16) {
                            for (std::size_t i = step; i < chunkRow / 2; ++i) {
                                const auto get = [&](std::size_t k) {
                                    return big ? LoadU16BE(row + 2 * k) : LoadU16LE(row + 2 * k);
                                };
                                const auto value = static_cast<std::uint16_t>(get(i) + get(i - step));
                                row[2 * i] = static_cast<std::uint8_t>(big ? value >> 8 : value);
                                row[2 * i + 1] = static_cast<std::uint8_t>(big ? value : value >> 8);
                            }
                        }
                    }
                }
                // Tile widths are multiples of 16, so a tile's first column starts on a byte.
                const std::size_t column = cx * page.chunkWidth * samplesInChunk * bits / 8;
                const std::size_t copy = std::min(chunkRow, planeRow - column);
                for (int y = 0; y < page.chunkHeight; ++y) {
                    const std::size_t target = cy * page.chunkHeight + y;
                    if (target >= static_cast<std::size_t>(page.height)) break;
                    std::memcpy(raw[plane].data() + target * planeRow + column, chunk.data() + y * chunkRow, copy);
                }
            }
        }
    }

    const auto sample = [&](int x, int y, int s) -> std::uint32_t {
        const std::uint8_t* row = raw[page.planar == 2 ? s : 0].data() + std::size_t(y) * planeRow;
        const std::size_t index = page.planar == 2 ? std::size_t(x) : std::size_t(x) * spp + s;
        if (real) return RealSample(row, index, bits, big, page.lowest, page.highest);
        const std::uint32_t value = Sample(row, index, bits, big);
        // Two's complement to an offset from the most negative value: -128 black, 127 white.
        return page.sampleFormat == 2 && bits >= 8 ? value ^ 0x80 : value;
    };
    const int colours = spp - page.extraSamples;
    const bool alpha = page.extraSamples > 0;
    std::optional<DecodedImage> image;
    switch (page.photometric) {
        case 0:
        case 1: {
            if (colours < 1) return std::nullopt;
            image = DecodedImage::Allocate(alpha ? PixelType::kBgra32 : PixelType::kGray8, page.width, page.height);
            if (!image) return std::nullopt;
            for (int y = 0; y < page.height; ++y) {
                std::uint8_t* row = image->Row(y);
                for (int x = 0; x < page.width; ++x) {
                    auto gray = static_cast<std::uint8_t>(sample(x, y, 0));
                    if (page.photometric == 0) gray = static_cast<std::uint8_t>(255 - gray);
                    if (alpha) {
                        row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = gray;
                        row[4 * x + 3] = static_cast<std::uint8_t>(sample(x, y, colours));
                    } else {
                        row[x] = gray;
                    }
                }
            }
            return image;
        }
        case 2:
        case 3:
        case 5: {
            const bool palette = page.photometric == 3;
            const bool cmyk = page.photometric == 5;
            if ((palette && (bits > 8 || page.colourMap.size() < 3u << bits)) ||
                (!palette && colours < (cmyk ? 4 : 3))) {
                return std::nullopt;
            }
            image = DecodedImage::Allocate(alpha ? PixelType::kBgra32 : PixelType::kBgr24, page.width, page.height);
            if (!image) return std::nullopt;
            const int bpp = alpha ? 4 : 3;
            const std::size_t entries = std::size_t{1} << (palette ? bits : 0);
            for (int y = 0; y < page.height; ++y) {
                std::uint8_t* row = image->Row(y);
                for (int x = 0; x < page.width; ++x) {
                    std::uint32_t r, g, b;
                    if (palette) {
                        // The raw index, not the sample scaled to 8 bits.
                        const std::uint8_t* line = raw[0].data() + std::size_t(y) * planeRow;
                        const std::size_t bit = std::size_t(x) * spp * bits;
                        const std::size_t index =
                            bits == 8 ? line[bit / 8] : (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                        r = page.colourMap[index] >> 8;
                        g = page.colourMap[entries + index] >> 8;
                        b = page.colourMap[2 * entries + index] >> 8;
                    } else if (cmyk) {
                        std::uint8_t rgb[3];
                        codecs::CmykToRgb(static_cast<std::uint8_t>(sample(x, y, 0)),
                                          static_cast<std::uint8_t>(sample(x, y, 1)),
                                          static_cast<std::uint8_t>(sample(x, y, 2)),
                                          static_cast<std::uint8_t>(sample(x, y, 3)), rgb);
                        r = rgb[0];
                        g = rgb[1];
                        b = rgb[2];
                    } else {
                        r = sample(x, y, 0);
                        g = sample(x, y, 1);
                        b = sample(x, y, 2);
                    }
                    std::uint8_t* pixel = row + bpp * x;
                    pixel[0] = static_cast<std::uint8_t>(b);
                    pixel[1] = static_cast<std::uint8_t>(g);
                    pixel[2] = static_cast<std::uint8_t>(r);
                    if (alpha) pixel[3] = static_cast<std::uint8_t>(sample(x, y, colours));
                }
            }
            return image;
        }
        default:
            return std::nullopt;
    }
}

std::optional<DecodedImage> TiffSource::DecodeJpegChunks(const TiffPage& page) const {
    if (!decoder_ || page.chunkWidth <= 0 || page.chunkHeight <= 0) return std::nullopt;
    const std::size_t across = (static_cast<std::size_t>(page.width) + page.chunkWidth - 1) / page.chunkWidth;
    const std::size_t down = (static_cast<std::size_t>(page.height) + page.chunkHeight - 1) / page.chunkHeight;
    if (page.offsets.size() < across * down || page.byteCounts.size() < across * down) return std::nullopt;
    auto image = DecodedImage::Allocate(PixelType::kBgr24, page.width, page.height);
    if (!image) return std::nullopt;
    for (std::size_t cy = 0; cy < down; ++cy) {
        for (std::size_t cx = 0; cx < across; ++cx) {
            const std::size_t number = cy * across + cx;
            const std::uint64_t start = page.offsets[number];
            const std::uint64_t size = page.byteCounts[number];
            if (start > file_.size() || size > file_.size() - start || size < 4) return std::nullopt;
            // The shared tables (without their end marker) then the chunk (without its start).
            std::vector<std::uint8_t> jpeg;
            if (page.jpegTables.size() >= 4) {
                jpeg.assign(page.jpegTables.begin(), page.jpegTables.end() - 2);
                jpeg.insert(jpeg.end(), file_.begin() + static_cast<std::ptrdiff_t>(start + 2),
                            file_.begin() + static_cast<std::ptrdiff_t>(start + size));
            } else {
                jpeg.assign(file_.begin() + static_cast<std::ptrdiff_t>(start),
                            file_.begin() + static_cast<std::ptrdiff_t>(start + size));
            }
            const auto part = decoder_->Decode(jpeg);
            if (!part) return std::nullopt;
            const int bpp = BytesPerPixel(part->type);
            const int left = static_cast<int>(cx) * page.chunkWidth;
            const int top = static_cast<int>(cy) * page.chunkHeight;
            for (int y = 0; y < part->height && top + y < page.height; ++y) {
                const std::uint8_t* source = part->Row(y);
                std::uint8_t* target = image->Row(top + y);
                for (int x = 0; x < part->width && left + x < page.width; ++x) {
                    const std::uint8_t* pixel = source + x * bpp;
                    std::uint8_t* out = target + 3 * (left + x);
                    out[0] = pixel[0];
                    out[1] = bpp == 1 ? pixel[0] : pixel[1];
                    out[2] = bpp == 1 ? pixel[0] : pixel[2];
                }
            }
        }
    }
    return image;
}

}  // namespace pictrove::readers
