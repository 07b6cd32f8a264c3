// PNG writing of our own: the platform's encoder took several times longer than decoding the
// picture (a bitmap copy, a slow deflate level and no filtering), the costliest step of an
// extraction.
#include "engine/writers/PngWriter.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>

namespace pictrove {
namespace {

enum class PngColour : std::uint8_t { kGray = 0, kRgb = 2, kRgba = 6 };

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.insert(out.end(), {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                           static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data, std::size_t size) {
    PutU32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (size != 0) out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
    PutU32(out, static_cast<std::uint32_t>(crc));
}

// The white of a grey picture's stored values: 255, or 0 for gray-plus-one, whose black is 1.
std::uint8_t StoredWhite(const ReaderImageFields& fields) {
    return fields.pixelType == kPixelGrayPlusOne8 ? 0 : 255;
}

// True when every pixel of a grey picture is black or white: scans of text and line art, and
// every one-bit picture a document holds, which then take one bit a pixel. Less white, black is
// 1 and white 0 in both grey types; each row is checked whole, without a branch per pixel.
bool BlackAndWhite(const ReaderImageFields& fields) {
    const std::uint8_t white = StoredWhite(fields);
    for (int y = 0; y < fields.height; ++y) {
        const std::uint8_t* row = fields.StoredRow(y);
        std::uint8_t other = 0;
        for (int x = 0; x < fields.width; ++x) other |= static_cast<std::uint8_t>(row[x] - white) & 0xFE;
        if (other != 0) return false;
    }
    return true;
}

// Eight black-or-white pixels as one byte, the first pixel in the top bit, white set. Told apart
// from white, each black pixel's low bit is set in both grey types; one multiplication gathers
// the eight low bits, in reverse order, into the top byte.
std::uint8_t PackEight(const std::uint8_t* pixels, std::uint8_t white) {
    std::uint64_t eight = 0;
    static_assert(std::endian::native == std::endian::little, "eight pixels are read as one little-endian word");
    std::memcpy(&eight, pixels, 8);
    const std::uint64_t black = (eight ^ 0x0101010101010101ULL * white) & 0x0101010101010101ULL;
    return static_cast<std::uint8_t>(~((black * 0x8040201008040201ULL) >> 56));
}

// One upright row in PNG's sample order (grey, RGB or RGBA; one-bit rows packed, most
// significant bit first) into out.
void UprightRow(const UprightRows& rows, int y, PngColour colour, bool oneBit, std::uint8_t* out) {
    const ReaderImageFields& f = rows.Fields();
    const std::uint8_t* row = rows.Row(y);
    const std::uint8_t shift = f.pixelType == kPixelGrayPlusOne8 ? 1 : 0;
    if (oneBit && !rows.Mirrored()) {
        const std::uint8_t white = StoredWhite(f);
        int x = 0;
        for (; x + 8 <= f.width; x += 8) out[x >> 3] = PackEight(row + x, white);
        if (x < f.width) {
            std::uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                bits = static_cast<std::uint8_t>(bits << 1 | (x + k < f.width && row[x + k] == white));
            out[x >> 3] = bits;
        }
        return;
    }
    if (oneBit) {
        std::memset(out, 0, (static_cast<std::size_t>(f.width) + 7) / 8);
        for (int x = 0; x < f.width; ++x) {
            if (static_cast<std::uint8_t>(row[rows.Column(x)] - shift) != 0)
                out[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        }
        return;
    }
    switch (colour) {
        case PngColour::kGray:
            if (!rows.Mirrored() && shift == 0) {
                std::memcpy(out, row, static_cast<std::size_t>(f.width));
            } else {
                for (int x = 0; x < f.width; ++x) out[x] = static_cast<std::uint8_t>(row[rows.Column(x)] - shift);
            }
            break;
        case PngColour::kRgb:
            for (int x = 0; x < f.width; ++x) {
                const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(rows.Column(x)) * 3;
                out[3 * x] = p[2];
                out[3 * x + 1] = p[1];
                out[3 * x + 2] = p[0];
            }
            break;
        case PngColour::kRgba:
            for (int x = 0; x < f.width; ++x) {
                const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(rows.Column(x)) * 4;
                out[4 * x] = p[2];
                out[4 * x + 1] = p[1];
                out[4 * x + 2] = p[0];
                out[4 * x + 3] = p[3];
            }
            break;
    }
}

// PNG's "up" filter: each byte less the one above. Cheap, and on scanned and photographic
// rows nearly as good as choosing per row.
void FilterUp(const std::uint8_t* row, const std::uint8_t* above, std::size_t size, std::uint8_t* out) {
    out[0] = 2;
    for (std::size_t i = 0; i < size; ++i) out[i + 1] = static_cast<std::uint8_t>(row[i] - above[i]);
}

struct CompressorFree {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// What a writer keeps from one picture to the next: the compressor's tables and the buffers,
// so a run of pictures does not take, and fault in, fresh memory for each.
struct PngScratch {
    std::unique_ptr<libdeflate_compressor, CompressorFree> compressor;
    std::vector<std::uint8_t> filtered;
    std::vector<std::uint8_t> file;

    // Buffers of a large picture are not kept for the pictures after it.
    void Trim() {
        constexpr std::size_t kKept = std::size_t{8} << 20;
        if (filtered.capacity() > kKept) std::vector<std::uint8_t>().swap(filtered);
        if (file.capacity() > kKept) std::vector<std::uint8_t>().swap(file);
    }
};

// Scratch lent to one picture at a time and given back for the next, shared by every thread
// that writes (one each at a time). Not thread_local: objects of that kind with destructors
// are not torn down reliably when a thread ends on every Windows toolchain.
class ScratchPool {
  public:
    std::unique_ptr<PngScratch> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.empty()) return std::make_unique<PngScratch>();
        std::unique_ptr<PngScratch> scratch = std::move(free_.back());
        free_.pop_back();
        return scratch;
    }
    void Give(std::unique_ptr<PngScratch> scratch) {
        scratch->Trim();
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(std::move(scratch));
    }

  private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<PngScratch>> free_;
};

// The pool's scratch for one picture, given back when it goes.
class LentScratch {
  public:
    LentScratch() : scratch_(Pool().Take()) {}
    ~LentScratch() { Pool().Give(std::move(scratch_)); }
    LentScratch(const LentScratch&) = delete;
    LentScratch& operator=(const LentScratch&) = delete;
    PngScratch& operator*() { return *scratch_; }
    PngScratch* operator->() { return scratch_.get(); }

  private:
    static ScratchPool& Pool() {
        static ScratchPool pool;
        return pool;
    }
    std::unique_ptr<PngScratch> scratch_;
};

// The picture's header: what each row holds, and how it is laid out.
struct PngShape {
    PngColour colour = PngColour::kGray;
    bool oneBit = false;
    std::size_t rowSize = 0;  // bytes of one unfiltered row

    explicit PngShape(const ReaderImageFields& fields) {
        const bool gray = fields.pixelType == kPixelGray8 || fields.pixelType == kPixelGrayPlusOne8;
        colour = gray ? PngColour::kGray : fields.pixelType == kPixelBgr24 ? PngColour::kRgb : PngColour::kRgba;
        oneBit = gray && BlackAndWhite(fields);
        const int channels = colour == PngColour::kGray ? 1 : colour == PngColour::kRgb ? 3 : 4;
        rowSize = oneBit ? (static_cast<std::size_t>(fields.width) + 7) / 8
                         : static_cast<std::size_t>(fields.width) * static_cast<std::size_t>(channels);
    }

    std::size_t FilteredSize(int height) const { return (rowSize + 1) * static_cast<std::size_t>(height); }
};

// Signature, IHDR and pHYs.
void PutHead(std::vector<std::uint8_t>& file, const ReaderImageFields& fields, const PngShape& shape, float dpi) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.insert(file.end(), std::begin(kSignature), std::end(kSignature));
    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(fields.width));
    PutU32(header, static_cast<std::uint32_t>(fields.height));
    header.insert(header.end(),
                  {static_cast<std::uint8_t>(shape.oneBit ? 1 : 8), static_cast<std::uint8_t>(shape.colour), 0, 0, 0});
    PutChunk(file, "IHDR", header.data(), header.size());
    const auto perMetre = static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
    std::vector<std::uint8_t> physical;
    PutU32(physical, perMetre);
    PutU32(physical, perMetre);
    physical.push_back(1);  // the unit is the metre
    PutChunk(file, "pHYs", physical.data(), physical.size());
}

// Row y upright, in PNG's sample order, with its filter byte in front: rows run through the up
// filter are mostly runs of small differences; one-bit rows go unfiltered, as runs of black and
// white pack well as they are. above holds the previous upright row and receives this one.
void FilteredRow(const UprightRows& rows,
                 int y,
                 const PngShape& shape,
                 std::vector<std::uint8_t>& current,
                 std::vector<std::uint8_t>& above,
                 std::uint8_t* out) {
    UprightRow(rows, y, shape.colour, shape.oneBit, current.data());
    if (shape.oneBit) {
        out[0] = 0;
        std::memcpy(out + 1, current.data(), shape.rowSize);
    } else {
        FilterUp(current.data(), above.data(), shape.rowSize, out);
        current.swap(above);
    }
}

// The whole picture filtered into one buffer and deflated in one call, into file's IDAT chunk.
bool DeflateWhole(const ReaderImageFields& fields,
                  const PngShape& shape,
                  PngScratch& scratch,
                  std::vector<std::uint8_t>& file) {
    if (!scratch.compressor) scratch.compressor.reset(libdeflate_alloc_compressor(1));
    if (!scratch.compressor) return false;
    const std::size_t filteredSize = shape.FilteredSize(fields.height);
    scratch.filtered.resize(filteredSize);
    const UprightRows rows(fields);
    std::vector<std::uint8_t> current(shape.rowSize), above(shape.rowSize, 0);
    for (int y = 0; y < fields.height; ++y) {
        FilteredRow(rows, y, shape, current, above,
                    scratch.filtered.data() + static_cast<std::size_t>(y) * (shape.rowSize + 1));
    }
    const std::size_t bound = libdeflate_zlib_compress_bound(scratch.compressor.get(), filteredSize);
    const std::size_t lengthAt = file.size();
    file.resize(lengthAt + 8 + bound);
    std::memcpy(file.data() + lengthAt + 4, "IDAT", 4);
    const std::size_t made = libdeflate_zlib_compress(scratch.compressor.get(), scratch.filtered.data(), filteredSize,
                                                      file.data() + lengthAt + 8, bound);
    if (made == 0 || made > 0x7FFFFFFF) return false;
    file.resize(lengthAt + 8 + made);
    for (int i = 0; i < 4; ++i) file[lengthAt + i] = static_cast<std::uint8_t>(made >> (24 - 8 * i));
    const std::uint32_t crc = libdeflate_crc32(0, file.data() + lengthAt + 4, made + 4);
    PutU32(file, crc);
    return true;
}

// A picture too large to filter whole in memory: deflated a row at a time through zlib, in
// IDAT chunks of up to 256 KB.
bool DeflateStreamed(const ReaderImageFields& fields, const PngShape& shape, std::vector<std::uint8_t>& file) {
    z_stream zip{};
    if (deflateInit2(&zip, 1, Z_DEFLATED, 15, 8, shape.oneBit ? Z_DEFAULT_STRATEGY : Z_RLE) != Z_OK) return false;
    const UprightRows rows(fields);
    std::vector<std::uint8_t> current(shape.rowSize), above(shape.rowSize, 0), filtered(shape.rowSize + 1);
    std::vector<std::uint8_t> packed(std::max<std::size_t>(1 << 18, shape.rowSize + 1));
    bool ok = true;
    auto drain = [&](int flush) {
        do {
            zip.next_out = packed.data();
            zip.avail_out = static_cast<uInt>(packed.size());
            const int result = deflate(&zip, flush);
            if (result == Z_STREAM_ERROR) ok = false;
            const std::size_t made = packed.size() - zip.avail_out;
            if (made != 0) PutChunk(file, "IDAT", packed.data(), made);
        } while (ok && zip.avail_out == 0);
    };
    for (int y = 0; y < fields.height && ok; ++y) {
        FilteredRow(rows, y, shape, current, above, filtered.data());
        zip.next_in = filtered.data();
        zip.avail_in = static_cast<uInt>(shape.rowSize + 1);
        drain(Z_NO_FLUSH);
    }
    if (ok) drain(Z_FINISH);
    deflateEnd(&zip);
    return ok;
}

// EncodePng into file (emptied first); false when the pixels cannot be compressed.
bool EncodePngInto(const ReaderImageFields& fields,
                   float dpi,
                   std::size_t wholeLimit,
                   PngScratch& scratch,
                   std::vector<std::uint8_t>& file) {
    file.clear();
    const PngShape shape(fields);
    PutHead(file, fields, shape, dpi);
    const bool ok = shape.FilteredSize(fields.height) <= wholeLimit ? DeflateWhole(fields, shape, scratch, file)
                                                                    : DeflateStreamed(fields, shape, file);
    if (!ok) return false;
    PutChunk(file, "IEND", nullptr, 0);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const ReaderImageFields& fields, float dpi, std::size_t wholeLimit) {
    std::vector<std::uint8_t> file;
    LentScratch scratch;
    if (!EncodePngInto(fields, dpi, wholeLimit, *scratch, file)) file.clear();
    return file;
}

}  // namespace pictrove
