// PNG writing of our own: the platform's encoder took several times longer than decoding the
// picture (a bitmap copy, a slow deflate level and no filtering), the costliest step of an
// extraction.
#include "extract/PngFileWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/Handles.h"

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

// The stored pixel of upright position (x, y).
struct UprightRows {
    const ReaderImageFields& fields;
    bool mirrored = (fields.layout & kLayoutMirroredRows) != 0;
    bool bottomUp = (fields.layout & kLayoutBottomUp) != 0;

    const std::uint8_t* Row(int y) const { return fields.StoredRow(bottomUp ? fields.height - 1 - y : y); }
    int Column(int x) const { return mirrored ? fields.width - 1 - x : x; }
};

// True when every pixel of a grey picture is black or white: scans of text and line art, and
// every one-bit picture a document holds, which then take one bit a pixel.
bool BlackAndWhite(const ReaderImageFields& fields) {
    const std::uint8_t black = fields.pixelType == kPixelGrayPlusOne8 ? 1 : 0;
    const std::uint8_t white = fields.pixelType == kPixelGrayPlusOne8 ? 0 : 255;
    for (int y = 0; y < fields.height; ++y) {
        const std::uint8_t* row = fields.StoredRow(y);
        for (int x = 0; x < fields.width; ++x) {
            if (row[x] != black && row[x] != white) return false;
        }
    }
    return true;
}

// One upright row in PNG's sample order (grey, RGB or RGBA; one-bit rows packed, most
// significant bit first) into out.
void UprightRow(const UprightRows& rows, int y, PngColour colour, bool oneBit, std::uint8_t* out) {
    const ReaderImageFields& f = rows.fields;
    const std::uint8_t* row = rows.Row(y);
    const std::uint8_t shift = f.pixelType == kPixelGrayPlusOne8 ? 1 : 0;
    if (oneBit && !rows.mirrored) {
        // Eight pixels a byte; a pixel is white (bit set) when its grey is not black.
        const std::uint8_t black = shift;
        int x = 0;
        for (; x + 8 <= f.width; x += 8) {
            std::uint8_t bits = 0;
            for (int k = 0; k < 8; ++k) bits = static_cast<std::uint8_t>(bits << 1 | (row[x + k] != black));
            out[x >> 3] = bits;
        }
        if (x < f.width) {
            std::uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                bits = static_cast<std::uint8_t>(bits << 1 | (x + k < f.width && row[x + k] != black));
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
            if (!rows.mirrored && shift == 0) {
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

}  // namespace

std::vector<std::uint8_t> EncodePng(const ReaderImageFields& fields, float dpi) {
    const bool gray = fields.pixelType == kPixelGray8 || fields.pixelType == kPixelGrayPlusOne8;
    const PngColour colour = gray                              ? PngColour::kGray
                             : fields.pixelType == kPixelBgr24 ? PngColour::kRgb
                                                               : PngColour::kRgba;
    const bool oneBit = gray && BlackAndWhite(fields);
    const int channels = colour == PngColour::kGray ? 1 : colour == PngColour::kRgb ? 3 : 4;
    const std::size_t rowSize = oneBit ? (static_cast<std::size_t>(fields.width) + 7) / 8
                                       : static_cast<std::size_t>(fields.width) * static_cast<std::size_t>(channels);

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(fields.width));
    PutU32(header, static_cast<std::uint32_t>(fields.height));
    header.insert(header.end(),
                  {static_cast<std::uint8_t>(oneBit ? 1 : 8), static_cast<std::uint8_t>(colour), 0, 0, 0});
    PutChunk(file, "IHDR", header.data(), header.size());
    const auto perMetre = static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
    std::vector<std::uint8_t> physical;
    PutU32(physical, perMetre);
    PutU32(physical, perMetre);
    physical.push_back(1);  // the unit is the metre
    PutChunk(file, "pHYs", physical.data(), physical.size());

    z_stream zip{};
    // Rows run through the up filter are mostly runs of small differences: run-length matching
    // packs them as tightly as the fastest full level, in less time. One-bit rows repeat
    // whole shapes (letters), which the general matcher finds.
    if (deflateInit2(&zip, 1, Z_DEFLATED, 15, 8, oneBit ? Z_DEFAULT_STRATEGY : Z_RLE) != Z_OK) return {};
    file.reserve(file.size() + rowSize * static_cast<std::size_t>(fields.height) / 4 + 1024);
    const UprightRows rows{fields};
    std::vector<std::uint8_t> current(rowSize), above(rowSize, 0), filtered(rowSize + 1);
    std::vector<std::uint8_t> packed(std::max<std::size_t>(1 << 18, rowSize + 1));
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
        UprightRow(rows, y, colour, oneBit, current.data());
        if (oneBit) {
            filtered[0] = 0;  // runs of black and white pack well as they are
            std::memcpy(filtered.data() + 1, current.data(), rowSize);
        } else {
            FilterUp(current.data(), above.data(), rowSize, filtered.data());
            current.swap(above);
        }
        zip.next_in = filtered.data();
        zip.avail_in = static_cast<uInt>(rowSize + 1);
        drain(Z_NO_FLUSH);
    }
    if (ok) drain(Z_FINISH);
    deflateEnd(&zip);
    if (!ok) return {};
    PutChunk(file, "IEND", nullptr, 0);
    return file;
}

DWORD WritePngFile(const ReaderImageFields& fields, float dpi, const std::wstring& path) {
    const std::vector<std::uint8_t> png = EncodePng(fields, dpi);
    if (png.empty()) return ERROR_NOT_ENOUGH_MEMORY;
    const bool existedBefore = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    std::size_t done = 0;
    DWORD error = 0;
    while (done < png.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(png.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.Get(), png.data() + done, chunk, &written, nullptr) || written == 0) {
            error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
            break;
        }
        done += written;
    }
    file.Reset();
    // A write that broke off (a full disk, say) must not leave a truncated picture behind that
    // looks like a result; a file that was there before is the user's and stays.
    if (error != 0 && !existedBefore) DeleteFileW(path.c_str());
    return error;
}

}  // namespace pictrove
