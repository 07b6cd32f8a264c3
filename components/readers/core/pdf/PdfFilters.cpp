// General stream filters and predictors.
#include "PdfFilters.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "model/ByteReader.h"
#include "PdfLexer.h"
#include "codecs/HexDigits.h"
#include "codecs/Lzw.h"
#include "codecs/PackBits.h"

namespace pictrove::readers::pdf {
namespace {

int ParamInt(const Dict& params, std::string_view key, int fallback) {
    const Object& value = params.Get(key);
    if (!value.IsNumber()) return fallback;
    return static_cast<int>(std::clamp<std::int64_t>(value.Int(fallback), -1000000, 1000000));
}

}  // namespace

std::string FullFilterName(std::string_view name) {
    if (name == "AHx") return "ASCIIHexDecode";
    if (name == "A85") return "ASCII85Decode";
    if (name == "LZW") return "LZWDecode";
    if (name == "Fl") return "FlateDecode";
    if (name == "RL") return "RunLengthDecode";
    if (name == "CCF") return "CCITTFaxDecode";
    if (name == "DCT") return "DCTDecode";
    return std::string(name);
}

bool IsImageCodec(std::string_view name) {
    return name == "DCTDecode" || name == "JPXDecode" || name == "JBIG2Decode" || name == "CCITTFaxDecode";
}

bool AsciiHexDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out) {
    out.clear();
    int high = -1;
    for (std::uint8_t c : in) {
        if (c == '>') break;
        const int value = codecs::HexDigitValue(c);
        if (value < 0) {
            if (IsWhite(c)) continue;
            return !out.empty();  // damaged: keep what came before
        }
        if (high < 0) {
            high = value;
        } else {
            if (out.size() >= limit) return true;
            out.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0 && out.size() < limit) out.push_back(static_cast<std::uint8_t>(high * 16));
    return true;
}

bool Ascii85Decode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out) {
    out.clear();
    std::uint32_t group = 0;
    int count = 0;
    std::size_t i = 0;
    // A leading "<~" is tolerated.
    while (i < in.size() && IsWhite(in[i])) ++i;
    if (i + 1 < in.size() && in[i] == '<' && in[i + 1] == '~') i += 2;
    for (; i < in.size(); ++i) {
        const std::uint8_t c = in[i];
        if (IsWhite(c)) continue;
        if (c == '~') break;
        if (c == 'z' && count == 0) {
            for (int k = 0; k < 4 && out.size() < limit; ++k) out.push_back(0);
            continue;
        }
        if (c < '!' || c > 'u') return !out.empty();
        group = group * 85 + (c - '!');
        if (++count == 5) {
            for (int k = 3; k >= 0 && out.size() < limit; --k)
                out.push_back(static_cast<std::uint8_t>(group >> (8 * k)));
            group = 0;
            count = 0;
        }
        if (out.size() >= limit) return true;
    }
    if (count > 1) {
        // A partial group is padded with 'u' and gives count - 1 bytes.
        for (int k = count; k < 5; ++k) group = group * 85 + 84;
        for (int k = 0; k < count - 1 && out.size() < limit; ++k) {
            out.push_back(static_cast<std::uint8_t>(group >> (8 * (3 - k))));
        }
    }
    return true;
}

bool RunLengthDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out) {
    out.clear();
    codecs::ByteSink sink(out, limit);
    codecs::PackBitsDecode(in, sink, {.endCode128 = true});
    return true;
}

bool LzwDecode(std::span<const std::uint8_t> in, bool earlyChange, std::size_t limit, ByteVector& out) {
    out.clear();
    codecs::ByteSink sink(out, limit);
    const auto result = codecs::LzwDecode(in, sink, {.earlyChange = earlyChange});
    // Damaged data keeps what came before it.
    return result.end != codecs::DecodeEnd::kInvalidCode || !out.empty();
}

namespace {

struct DecompressorFree {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

// The whole stream in one call, when it is sound and inflates to at most limit bytes: about twice
// zlib's speed. The output size is not known ahead, so it is guessed and the guess raised.
bool InflateWhole(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out) {
    // One per call (a few kilobytes): the stream may be inflated on any thread.
    const std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor || limit == 0) return false;
    std::size_t guess = std::min(limit, std::max<std::size_t>(in.size() * 4, 64 * 1024));
    for (;;) {
        out.resize(guess);
        std::size_t made = 0;
        const libdeflate_result result =
            libdeflate_zlib_decompress(decompressor.get(), in.data(), in.size(), out.data(), out.size(), &made);
        if (result == LIBDEFLATE_SUCCESS) {
            out.resize(made);
            return true;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || guess == limit) return false;
        guess = limit - guess < guess * 3 ? limit : guess * 4;
    }
}

}  // namespace

bool FlateDecode(std::span<const std::uint8_t> in, std::size_t limit, ByteVector& out) {
    if (InflateWhole(in, limit, out)) return true;
    // Damaged, cut short, or larger than limit: zlib keeps what comes out before that.
    out.clear();
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    // A wrong checksum never cost a stream its data (what came out is kept either way), so the
    // checksum, a pass over every byte inflated, is not computed; the header is still checked.
    inflateValidate(&stream, 0);
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(in.size(), UINT32_MAX));
    std::size_t chunk = std::min<std::size_t>(std::max<std::size_t>(in.size() * 4, 4096), limit);
    int status = Z_OK;
    while (out.size() < limit) {
        const std::size_t have = out.size();
        const std::size_t grow = std::min(chunk, limit - have);
        if (grow == 0) break;
        // Exactly what this round may fill: a picture's samples, often kept as its pixels, do
        // not carry the slack of the vector's own doubling.
        out.reserve(have + grow);
        out.resize(have + grow);
        stream.next_out = out.data() + have;
        stream.avail_out = static_cast<uInt>(grow);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(have + (grow - stream.avail_out));
        if (status == Z_STREAM_END) break;
        if (status != Z_OK) break;  // damaged or truncated: keep what came out
        chunk = std::min<std::size_t>(chunk * 2, std::size_t{1} << 26);
    }
    // Nothing inflated: only a stream whose checksum is that of nothing (1) is an empty stream.
    if (status == Z_STREAM_END && out.empty()) {
        const auto used = static_cast<std::size_t>(stream.next_in - in.data());
        if (used < 4 || LoadU32BE(in.data() + used - 4) != 1) status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_OK || status == Z_STREAM_END || status == Z_BUF_ERROR || !out.empty();
}

bool Unpredict(int predictor, int colours, int bitsPerComponent, int columns, ByteVector& data) {
    if (predictor <= 1) return true;
    if (colours < 1 || colours > 32 || columns < 1 || columns > (1 << 24) ||
        (bitsPerComponent != 1 && bitsPerComponent != 2 && bitsPerComponent != 4 && bitsPerComponent != 8 &&
         bitsPerComponent != 16)) {
        return false;
    }
    const std::size_t bitsPerPixel = static_cast<std::size_t>(colours) * static_cast<std::size_t>(bitsPerComponent);
    const std::size_t rowBytes = (bitsPerPixel * static_cast<std::size_t>(columns) + 7) / 8;
    const std::size_t pixelBytes = std::max<std::size_t>(1, bitsPerPixel / 8);
    if (predictor == 2) {
        const std::size_t rows = data.size() / rowBytes;
        for (std::size_t r = 0; r < rows; ++r) {
            std::uint8_t* row = data.data() + r * rowBytes;
            if (bitsPerComponent == 8) {
                for (std::size_t i = pixelBytes; i < rowBytes; ++i)
                    row[i] = static_cast<std::uint8_t>(row[i] + row[i - pixelBytes]);
            } else if (bitsPerComponent == 16) {
                for (std::size_t i = pixelBytes; i + 1 < rowBytes; i += 2) {
                    const unsigned sum = LoadU16BE(row + i) + LoadU16BE(row + i - pixelBytes);
                    row[i] = static_cast<std::uint8_t>(sum >> 8);
                    row[i + 1] = static_cast<std::uint8_t>(sum);
                }
            } else {
                // Sub-byte samples: add each sample to the same component of the pixel before.
                const int mask = (1 << bitsPerComponent) - 1;
                const std::size_t samples = static_cast<std::size_t>(columns) * static_cast<std::size_t>(colours);
                const auto get = [&](std::size_t s) {
                    const std::size_t bit = s * static_cast<std::size_t>(bitsPerComponent);
                    return (row[bit / 8] >> (8 - bitsPerComponent - bit % 8)) & mask;
                };
                for (std::size_t s = static_cast<std::size_t>(colours); s < samples; ++s) {
                    const int value = (get(s) + get(s - static_cast<std::size_t>(colours))) & mask;
                    const std::size_t bit = s * static_cast<std::size_t>(bitsPerComponent);
                    const int shift = 8 - bitsPerComponent - static_cast<int>(bit % 8);
                    row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~(mask << shift)) | (value << shift));
                }
            }
        }
        return true;
    }
    // PNG: every row starts with its own filter type byte. The rows are undone in place: row r
    // moves r + 1 bytes towards the start, so every byte is read before anything lands on it.
    const std::size_t rows = data.size() / (rowBytes + 1);
    ByteVector zero(rowBytes, 0);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* in = data.data() + r * (rowBytes + 1);
        const int type = in[0];
        ++in;
        std::uint8_t* row = data.data() + r * rowBytes;
        const std::uint8_t* up = r > 0 ? row - rowBytes : zero.data();
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= pixelBytes ? row[i - pixelBytes] : 0;
            const int b = up[i];
            const int c = i >= pixelBytes ? up[i - pixelBytes] : 0;
            int value = in[i];
            switch (type) {
                case 1:
                    value += a;
                    break;
                case 2:
                    value += b;
                    break;
                case 3:
                    value += (a + b) / 2;
                    break;
                case 4: {
                    const int p = a + b - c;
                    const int pa = std::abs(p - a);
                    const int pb = std::abs(p - b);
                    const int pc = std::abs(p - c);
                    value += (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                    break;
                }
                default:
                    break;
            }
            row[i] = static_cast<std::uint8_t>(value);
        }
    }
    data.resize(rows * rowBytes);
    return true;
}

bool RunFilter(std::string_view name,
               const Dict& params,
               std::span<const std::uint8_t> in,
               std::size_t limit,
               ByteVector& out) {
    if (name == "ASCIIHexDecode") return AsciiHexDecode(in, limit, out);
    if (name == "ASCII85Decode") return Ascii85Decode(in, limit, out);
    if (name == "RunLengthDecode") return RunLengthDecode(in, limit, out);
    if (name != "FlateDecode" && name != "LZWDecode") return false;
    const int predictor = ParamInt(params, "Predictor", 1);
    const int colours = ParamInt(params, "Colors", 1);
    const int bits = ParamInt(params, "BitsPerComponent", 8);
    const int columns = ParamInt(params, "Columns", 1);
    // A predicted stream carries one filter byte per row beyond the samples.
    std::size_t rawLimit = limit;
    if (predictor >= 10 && columns > 0 && colours > 0 && bits > 0) {
        const std::size_t rowBytes = (std::size_t(colours) * std::size_t(bits) * std::size_t(columns) + 7) / 8;
        rawLimit = limit / std::max<std::size_t>(rowBytes, 1) * (rowBytes + 1) + rowBytes + 1;
        if (rawLimit < limit) rawLimit = limit;
    }
    const bool ok = name == "FlateDecode" ? FlateDecode(in, rawLimit, out)
                                          : LzwDecode(in, ParamInt(params, "EarlyChange", 1) != 0, rawLimit, out);
    if (!ok) return false;
    return Unpredict(predictor, colours, bits, columns, out);
}

}  // namespace pictrove::readers::pdf
