// Image samples to pixels.
#include "PdfImage.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "model/ByteReader.h"
#include "codecs/Ccitt.h"
#include "codecs/Jpeg.h"
#include "codecs/Jpx.h"
#include "PdfColour.h"
#include "PdfDocument.h"
#include "PdfFilters.h"
#include "PdfJbig2.h"

namespace pictrove::readers::pdf {
namespace {

// Pixels while they are being built: blue, green, red, alpha, top-down.
struct Raster {
    int width = 0;
    int height = 0;
    bool gray = false;
    bool alpha = false;
    std::vector<std::uint8_t> bgra;
    // Instead of bgra, for grey pictures of one component: one level a pixel, a quarter of the
    // memory to fill (scanned pages are the largest pictures).
    std::vector<std::uint8_t> levels;
    // Instead of bgra, for opaque colour pictures: blue, green, red with rows padded to 4 bytes,
    // laid out as the finished picture keeps them, so it takes the buffer as it is.
    std::vector<std::uint8_t> bgr;
};

std::size_t BgrStride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

// A grey or three-byte raster spread to BGRA, for the steps that work on colour and opacity.
void SpreadToBgra(Raster& raster) {
    if (!raster.levels.empty()) {
        raster.bgra.resize(raster.levels.size() * 4);
        for (std::size_t i = 0; i < raster.levels.size(); ++i) {
            const std::uint8_t level = raster.levels[i];
            raster.bgra[4 * i] = raster.bgra[4 * i + 1] = raster.bgra[4 * i + 2] = level;
            raster.bgra[4 * i + 3] = 255;
        }
        raster.levels.clear();
        raster.levels.shrink_to_fit();
    } else if (!raster.bgr.empty()) {
        const auto width = static_cast<std::size_t>(raster.width);
        const std::size_t stride = BgrStride(raster.width);
        raster.bgra.resize(width * static_cast<std::size_t>(raster.height) * 4);
        for (int y = 0; y < raster.height; ++y) {
            const std::uint8_t* in = raster.bgr.data() + static_cast<std::size_t>(y) * stride;
            std::uint8_t* out = raster.bgra.data() + static_cast<std::size_t>(y) * width * 4;
            for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        }
        raster.bgr.clear();
        raster.bgr.shrink_to_fit();
    }
}

// A plane of one byte per pixel: coverage of a mask, 255 opaque.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;
};

// The sample at index i of a packed row.
inline unsigned Sample(const std::uint8_t* row, std::size_t i, int bits) {
    switch (bits) {
        case 8:
            return row[i];
        case 16:
            return LoadU16BE(row + 2 * i);
        case 1:
            return (row[i >> 3] >> (7 - (i & 7))) & 1;
        case 2:
            return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3;
        case 4:
            return (row[i >> 1] >> (4 - 4 * (i & 1))) & 15;
        default:
            return 0;
    }
}

bool ValidBits(int bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
}

// Whether sample data of this size may be padded to the size a picture needs: small pictures
// always (a few rows lost), large ones only when the data fills at least a quarter.
bool PlausiblyShort(std::size_t have, std::size_t need) {
    constexpr std::size_t kAlwaysPadded = std::size_t{1} << 20;
    return have >= need || need <= kAlwaysPadded || have >= need / 4;
}

// Raw sample bytes of an image: the general filters, then CCITT when it ends the chain. JPEG and
// JPEG 2000 data is handed back undecoded in jpeg, with its filter's name in codec; other
// codecs fail.
std::optional<std::vector<std::uint8_t>> SampleBytes(Document& document,
                                                     const Stream& stream,
                                                     int width,
                                                     int height,
                                                     std::size_t rowBytes,
                                                     std::vector<std::uint8_t>* jpeg,
                                                     std::string* codec) {
    const std::size_t expected = rowBytes * static_cast<std::size_t>(height);
    if (!WithinStreamLimit(expected)) return std::nullopt;
    auto data = document.DecodeStream(stream, expected);
    if (!data) return std::nullopt;
    if (data->codec.empty()) {
        // Short data: the rest reads as zero samples, as a cut-off picture should look. A picture
        // whose data would not fill a quarter of it is not cut off but lying about its size, and
        // padding it would turn a few bytes into gigabytes.
        if (!PlausiblyShort(data->bytes.size(), expected)) return std::nullopt;
        data->bytes.resize(expected, 0);
        return std::move(data->bytes);
    }
    if ((data->codec == "DCTDecode" || data->codec == "JPXDecode") && jpeg != nullptr) {
        *jpeg = std::move(data->bytes);
        *codec = data->codec;
        return std::vector<std::uint8_t>{};
    }
    if (data->codec == "JBIG2Decode") {
        // One bit a pixel, whatever the dictionary says: a picture declared deeper would be read
        // past the end of its samples.
        auto bits = Jbig2Samples(document, data->bytes, data->codecParams, width, height);
        if (bits && bits->size() != expected) return std::nullopt;
        return bits;
    }
    if (data->codec == "CCITTFaxDecode") {
        codecs::CcittParams params;
        params.k = static_cast<int>(data->codecParams.Get("K").Int(0));
        params.columns = static_cast<int>(data->codecParams.Get("Columns").Int(1728));
        params.rows = static_cast<int>(data->codecParams.Get("Rows").Int(0));
        params.encodedByteAlign = data->codecParams.Get("EncodedByteAlign").Bool(false);
        params.blackIs1 = data->codecParams.Get("BlackIs1").Bool(false);
        params.endOfBlock = data->codecParams.Get("EndOfBlock").Bool(true);
        if (params.columns != width) params.columns = width;  // the image's width decides the rows
        if (params.rows <= 0 || params.rows > height) params.rows = height;
        auto bits = codecs::CcittDecode(data->bytes, params);
        if (!bits) return std::nullopt;
        if (!PlausiblyShort(bits->size(), expected)) return std::nullopt;
        bits->resize(expected, params.blackIs1 ? 0 : 0xFF);  // missing rows are white
        return bits;
    }
    return std::nullopt;
}

std::optional<Raster> DecodeRaster(Document& document,
                                   const FoundImage& found,
                                   const Object& image,
                                   const JpegDecoder& jpeg,
                                   bool asMask,
                                   int depth);

// A Decode array that changes nothing: 0 1 for every component.
bool IsDefaultDecode(const std::vector<float>& decode, int components) {
    if (decode.size() != 2 * static_cast<std::size_t>(components)) return false;
    for (std::size_t i = 0; i < decode.size(); i += 2) {
        if (decode[i] != 0 || decode[i + 1] != 1) return false;
    }
    return true;
}

// JPXDecode data as 8-bit samples for the general path, with its opacity channel. The
// codestream's own colour space serves when the dictionary names none (or one that does not
// fit the decoded components, as after a palette has been applied).
std::optional<codecs::JpxPicture> JpxSamples(std::span<const std::uint8_t> data,
                                             std::shared_ptr<ColourSpace>& space,
                                             std::vector<float>& decode) {
    auto picture = codecs::DecodeJpx(data);
    if (!picture) return std::nullopt;
    if (!space || space->Components() != picture->components) {
        if (picture->components != 1 && picture->components != 3 && picture->components != 4) return std::nullopt;
        space = ColourSpace::Device(picture->components == 1   ? ColourFamily::kGray
                                    : picture->components == 3 ? ColourFamily::kRgb
                                                               : ColourFamily::kCmyk);
        if (decode.size() != 2 * static_cast<std::size_t>(picture->components)) decode.clear();
    }
    return picture;
}

// DCTDecode data as 8-bit samples for the general path. In a PDF the samples are taken as the
// JPEG stores them (YCCK turned into CMYK) and the Decode array alone says whether they are
// inverted: Adobe's marker does not, unlike in a JPEG file. Ghostscript and other libjpeg-based
// writers mark plain CMYK with it and add no Decode array, while Adobe's applications embed
// their inverted CMYK with /Decode [1 0 1 0 1 0 1 0].
// The space follows the JPEG when the dictionary names none, or one with another component count.
// bgrRows: colour comes back as the finished picture's rows (the caller has made sure the
// samples need nothing else).
std::optional<codecs::JpegPicture> DctSamples(std::span<const std::uint8_t> data,
                                              std::shared_ptr<ColourSpace>& space,
                                              std::vector<float>& decode,
                                              bool bgrRows) {
    auto picture = codecs::DecodeJpeg(data, bgrRows);
    if (!picture) return std::nullopt;
    if (!space || space->Components() != picture->components) {
        space = ColourSpace::Device(picture->components == 1   ? ColourFamily::kGray
                                    : picture->components == 3 ? ColourFamily::kRgb
                                                               : ColourFamily::kCmyk);
        if (decode.size() != 2 * static_cast<std::size_t>(picture->components)) decode.clear();
    }
    return picture;
}

// A mask image read as coverage: soft masks by their gray level, stencil masks 255 where
// they let the image through.
std::optional<Plane> MaskPlane(Document& document,
                               const FoundImage& found,
                               const Object& mask,
                               bool stencil,
                               const JpegDecoder& jpeg,
                               int depth) {
    if (!mask.IsStream()) return std::nullopt;
    auto raster = DecodeRaster(document, found, mask, jpeg, stencil, depth + 1);
    if (!raster) return std::nullopt;
    Plane plane;
    plane.width = raster->width;
    plane.height = raster->height;
    if (!stencil && !raster->levels.empty()) {
        plane.values = std::move(raster->levels);  // a soft mask's levels are its coverage
        return plane;
    }
    const auto width = static_cast<std::size_t>(plane.width);
    plane.values.resize(width * static_cast<std::size_t>(plane.height));
    for (std::size_t y = 0; y < static_cast<std::size_t>(plane.height); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            // Stencils come back as black where painted (let through) on white.
            const std::size_t i = y * width + x;
            const std::uint8_t level = !raster->levels.empty() ? raster->levels[i]
                                       : !raster->bgr.empty()  ? raster->bgr[y * BgrStride(plane.width) + 3 * x + 1]
                                                               : raster->bgra[4 * i + 1];
            plane.values[i] = stencil ? static_cast<std::uint8_t>(255 - level) : level;
        }
    }
    return plane;
}

// Applies coverage scaled to the image (nearest sample: masks often have another resolution).
void ApplyPlane(Raster& raster, const Plane& plane) {
    SpreadToBgra(raster);
    raster.alpha = true;
    const std::size_t pixels = static_cast<std::size_t>(raster.width) * static_cast<std::size_t>(raster.height);
    if (plane.width == raster.width && plane.height == raster.height && plane.values.size() == pixels) {
        // The usual case, a mask of the picture's own size: pixel for pixel, no scaling.
        for (std::size_t i = 0; i < pixels; ++i) {
            std::uint8_t& target = raster.bgra[4 * i + 3];
            target = static_cast<std::uint8_t>(target * plane.values[i] / 255);
        }
        return;
    }
    for (int y = 0; y < raster.height; ++y) {
        const int sy = static_cast<int>(std::int64_t(y) * plane.height / raster.height);
        for (int x = 0; x < raster.width; ++x) {
            const int sx = static_cast<int>(std::int64_t(x) * plane.width / raster.width);
            const std::uint8_t a = plane.values[static_cast<std::size_t>(sy) * static_cast<std::size_t>(plane.width) +
                                                static_cast<std::size_t>(sx)];
            std::uint8_t& target = raster.bgra[(static_cast<std::size_t>(y) * static_cast<std::size_t>(raster.width) +
                                                static_cast<std::size_t>(x)) *
                                                   4 +
                                               3];
            target = static_cast<std::uint8_t>(target * a / 255);
        }
    }
}

// Whether a buffer holds much more memory than its bytes (as one grown by doubling may): such a
// buffer is copied, not kept as a picture's pixels for as long as the picture lives.
bool RoomyBuffer(const std::vector<std::uint8_t>& bytes) {
    return bytes.capacity() > bytes.size() + bytes.size() / 8;
}

// Packed rows of one component through a table that holds, for every sample byte, the output
// of all the pixels in it (8, 4 or 2 at depths 1, 2 and 4; one at depth 8): a byte copied per
// pixel, or per 8 pixels, instead of unpacking every sample on its own. Size is the bytes of
// one output pixel; a row's last byte may hold fewer pixels than it has room for.
template <int Bits, std::size_t Size>
void TableRows(const std::uint8_t* samples,
               std::size_t rowBytes,
               const std::vector<std::array<std::uint8_t, Size>>& colours,
               int width,
               int height,
               std::uint8_t* out,
               std::size_t outStride) {
    constexpr std::size_t perByte = 8 / Bits;
    constexpr std::size_t chunk = perByte * Size;
    constexpr unsigned mask = (1u << Bits) - 1;
    std::vector<std::uint8_t> table(256 * chunk);
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (std::size_t k = 0; k < perByte; ++k) {
            const unsigned sample = (byte >> (8 - Bits * (k + 1))) & mask;
            std::memcpy(&table[byte * chunk + k * Size], colours[sample].data(), Size);
        }
    }
    const std::size_t whole = static_cast<std::size_t>(width) / perByte;
    const std::size_t rest = static_cast<std::size_t>(width) % perByte;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = samples + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* target = out + static_cast<std::size_t>(y) * outStride;
        for (std::size_t i = 0; i < whole; ++i, target += chunk) std::memcpy(target, &table[row[i] * chunk], chunk);
        if (rest != 0) std::memcpy(target, &table[row[whole] * chunk], rest * Size);
    }
}

template <std::size_t Size>
void TableRows(const std::uint8_t* samples,
               std::size_t rowBytes,
               int bits,
               const std::vector<std::array<std::uint8_t, Size>>& colours,
               Raster& raster,
               std::uint8_t* out,
               std::size_t outStride) {
    switch (bits) {
        case 1:
            return TableRows<1>(samples, rowBytes, colours, raster.width, raster.height, out, outStride);
        case 2:
            return TableRows<2>(samples, rowBytes, colours, raster.width, raster.height, out, outStride);
        case 4:
            return TableRows<4>(samples, rowBytes, colours, raster.width, raster.height, out, outStride);
        default:
            return TableRows<8>(samples, rowBytes, colours, raster.width, raster.height, out, outStride);
    }
}

// One component of up to 8 bits without a colour key (grey scans, one-bit line art, indexed
// pictures, stencils): every pixel's colour straight from the table of levels. Grey pictures
// become levels; colour ones three bytes a pixel when opaque stays opaque, BGRA otherwise.
// 8-bit samples that are their own levels become the levels, taken over without a pass.
void OneComponentRows(std::vector<std::uint8_t>& samples,
                      std::size_t rowBytes,
                      int bits,
                      const std::vector<std::array<std::uint8_t, 3>>& single,
                      bool opaque,
                      Raster& raster) {
    const auto width = static_cast<std::size_t>(raster.width);
    const auto height = static_cast<std::size_t>(raster.height);
    bool grey = raster.gray;
    for (const auto& colour : single) grey = grey && colour[0] == colour[1] && colour[1] == colour[2];
    if (grey) {
        std::vector<std::array<std::uint8_t, 1>> level(single.size());
        bool identity = bits == 8 && samples.size() == width * height && !RoomyBuffer(samples);
        for (std::size_t s = 0; s < single.size(); ++s) {
            level[s] = {single[s][1]};
            identity = identity && single[s][1] == s;
        }
        if (identity) {
            raster.levels = std::move(samples);
            return;
        }
        raster.levels.resize(width * height);
        TableRows(samples.data(), rowBytes, bits, level, raster, raster.levels.data(), width);
    } else if (opaque) {
        std::vector<std::array<std::uint8_t, 3>> bgr(single.size());
        for (std::size_t s = 0; s < single.size(); ++s) bgr[s] = {single[s][2], single[s][1], single[s][0]};
        raster.bgr.resize(BgrStride(raster.width) * height);
        TableRows(samples.data(), rowBytes, bits, bgr, raster, raster.bgr.data(), BgrStride(raster.width));
    } else {
        std::vector<std::array<std::uint8_t, 4>> bgra(single.size());
        for (std::size_t s = 0; s < single.size(); ++s) bgra[s] = {single[s][2], single[s][1], single[s][0], 255};
        raster.bgra.resize(width * height * 4);
        TableRows(samples.data(), rowBytes, bits, bgra, raster, raster.bgra.data(), width * 4);
    }
}

std::optional<Raster> FromJpeg(const JpegDecoder& jpeg,
                               std::span<const std::uint8_t> data,
                               const std::vector<float>& decode) {
    if (!jpeg) return std::nullopt;
    auto decoded = jpeg(data);
    if (!decoded) return std::nullopt;
    Raster raster;
    raster.width = decoded->width;
    raster.height = decoded->height;
    raster.gray = decoded->type == PixelType::kGray8;
    raster.bgra.resize(static_cast<std::size_t>(raster.width) * static_cast<std::size_t>(raster.height) * 4);
    // Only JPEGs libjpeg-turbo refuses come here. A Decode array that inverts gray or RGB samples
    // is applied to the result; CMYK comes back as the platform shows a JPEG file (Windows' GDI+
    // inverts Adobe-marked ink, Wine's does not) and is taken as it is.
    const bool invert = decode.size() >= 2 && decode.size() <= 6 && decode[0] > decode[1];
    for (int y = 0; y < raster.height; ++y) {
        const std::uint8_t* row = decoded->Row(y);
        for (int x = 0; x < raster.width; ++x) {
            std::uint8_t* out = &raster.bgra[(static_cast<std::size_t>(y) * static_cast<std::size_t>(raster.width) +
                                              static_cast<std::size_t>(x)) *
                                             4];
            switch (decoded->type) {
                case PixelType::kBgra32:
                    std::memcpy(out, row + 4 * x, 4);
                    break;
                case PixelType::kBgr24:
                    std::memcpy(out, row + 3 * x, 3);
                    out[3] = 255;
                    break;
                case PixelType::kGray8:
                    out[0] = out[1] = out[2] = row[x];
                    out[3] = 255;
                    break;
                case PixelType::kGrayPlusOne8:
                    out[0] = out[1] = out[2] = static_cast<std::uint8_t>(row[x] - 1);
                    out[3] = 255;
                    break;
            }
            if (invert) {
                for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(255 - out[c]);
            }
            out[3] = 255;  // JPEG has no transparency of its own
        }
    }
    return raster;
}

std::optional<Raster> DecodeRaster(Document& document,
                                   const FoundImage& found,
                                   const Object& image,
                                   const JpegDecoder& jpeg,
                                   bool asMask,
                                   int depth) {
    if (!image.IsStream() || depth > 2) return std::nullopt;
    const Dict& dict = image.stream->dict;
    ImageSize size = DeclaredSize(document, image);
    if (!IsAcceptableSize(size.width, size.height)) return std::nullopt;
    const bool stencil = asMask || document.Lookup(&dict, "ImageMask").Bool(false);
    std::shared_ptr<ColourSpace> space;
    int components = 1;
    int bits = 1;
    if (!stencil) {
        space = ColourSpace::Parse(document, dict.Get("ColorSpace"), found.resources.get());
        bits = static_cast<int>(document.Lookup(&dict, "BitsPerComponent").Int(8));
        if (space) components = space->Components();
    }
    std::vector<float> decode = document.Numbers(dict.Get("Decode"));
    std::vector<std::uint8_t> jpegData;
    std::string codec;
    std::size_t rowBytes = (static_cast<std::size_t>(size.width) * static_cast<std::size_t>(components) *
                                static_cast<std::size_t>(ValidBits(bits) ? bits : 8) +
                            7) /
                           8;
    auto samples = SampleBytes(document, *image.stream, size.width, size.height, rowBytes, &jpegData, &codec);
    if (!samples) return std::nullopt;
    std::optional<Raster> raster;
    std::optional<codecs::JpegPicture> dct;
    std::vector<std::uint8_t> inDataAlpha;  // SMaskInData: the JPEG 2000 picture's own opacity
    if (codec == "JPXDecode") {
        if (stencil) return std::nullopt;
        auto jpx = JpxSamples(jpegData, space, decode);
        if (!jpx) return std::nullopt;
        size = {jpx->width, jpx->height};
        components = jpx->components;
        bits = 8;
        rowBytes = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(components);
        samples = std::move(jpx->samples);
        if (document.Lookup(&dict, "SMaskInData").Int(0) != 0) inDataAlpha = std::move(jpx->alpha);
        jpegData.clear();
    }
    // Whether opacity will be laid over the colours (the picture's own, a soft or a stencil
    // mask); without it, colour pictures are built three bytes a pixel.
    const bool opacityFollows =
        !inDataAlpha.empty() ||
        (!asMask && depth == 0 &&
         (document.Lookup(&dict, "SMask").IsStream() || document.Lookup(&dict, "Mask").IsStream()));
    if (!jpegData.empty() && !stencil) {
        // Opaque JPEG colour in plain RGB (as the space is, or will be made to fit the JPEG's
        // three components) needs nothing but its byte order: the library writes the
        // finished rows itself.
        const bool plainSpace =
            !space || space->Components() != 3 || (space->Family() == ColourFamily::kRgb && !space->Managed());
        const bool bgrRows = plainSpace && !opacityFollows && !document.Lookup(&dict, "Mask").IsArray() &&
                             (decode.empty() || IsDefaultDecode(decode, 3));
        dct = DctSamples(jpegData, space, decode, bgrRows);
    }
    if (dct && dct->bgrRows) {
        raster.emplace();
        raster->width = dct->width;
        raster->height = dct->height;
        raster->bgr = std::move(dct->samples);
    } else if (dct) {
        size = {dct->width, dct->height};
        components = dct->components;
        bits = 8;
        rowBytes = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(components);
        samples = std::move(dct->samples);
    } else if (!jpegData.empty()) {
        raster = FromJpeg(jpeg, jpegData, decode);
        if (!raster) return std::nullopt;
    }
    if (!raster) {
        // Only a compressed picture that gave nothing (an empty JPEG stream, or JPEG data drawn
        // as a stencil) leaves samples that do not cover the picture: it fails alone.
        if (samples->size() < rowBytes * static_cast<std::size_t>(size.height)) return std::nullopt;
        if (!stencil && (!space || !ValidBits(bits))) return std::nullopt;
        raster.emplace();
        raster->width = size.width;
        raster->height = size.height;
        if (stencil) {
            // Sample 0 paints (1 with an inverted Decode array): the fill colour on white.
            const unsigned paint = decode.size() >= 2 && decode[0] > decode[1] ? 1 : 0;
            const auto fill = asMask ? std::array<std::uint8_t, 3>{0, 0, 0} : found.fill;
            raster->gray = fill[0] == fill[1] && fill[1] == fill[2];
            std::vector<std::array<std::uint8_t, 3>> single(2, std::array<std::uint8_t, 3>{255, 255, 255});
            single[paint] = fill;
            OneComponentRows(*samples, rowBytes, 1, single, true, *raster);
            return raster;
        }
        const unsigned maxValue = (1u << bits) - 1;
        // Per component: the decoded value of every possible sample (16-bit reduced to 8).
        const int levels = bits == 16 ? 256 : int(maxValue) + 1;
        std::vector<std::vector<float>> tables(static_cast<std::size_t>(components),
                                               std::vector<float>(static_cast<std::size_t>(levels)));
        for (int c = 0; c < components; ++c) {
            auto range = space->DefaultDecode(c, bits == 16 ? 8 : bits);
            if (decode.size() >= 2 * static_cast<std::size_t>(components)) {
                range = {decode[2 * static_cast<std::size_t>(c)], decode[2 * static_cast<std::size_t>(c) + 1]};
            }
            const float top = float(levels - 1);
            for (int s = 0; s < levels; ++s) {
                float value = range[0] + s * (range[1] - range[0]) / top;
                // Indexed samples are indices: the decoded value is rounded, not scaled.
                tables[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)] = value;
            }
        }
        // One-component spaces: a colour for every level, computed once.
        std::vector<std::array<std::uint8_t, 3>> single;
        if (components == 1) {
            single.resize(static_cast<std::size_t>(levels));
            for (int s = 0; s < levels; ++s)
                space->ToRgb(&tables[0][static_cast<std::size_t>(s)], single[static_cast<std::size_t>(s)].data());
        }
        // Colour-key masking compares the raw samples with the ranges.
        std::vector<unsigned> keyRanges;
        const Object mask = document.Lookup(&dict, "Mask");
        if (mask.IsArray() && mask.array->size() >= 2 * static_cast<std::size_t>(components)) {
            for (const auto& item : *mask.array)
                keyRanges.push_back(static_cast<unsigned>(std::max<std::int64_t>(0, document.Resolve(item).Int(0))));
        }
        raster->gray = space->GrayOutput();
        // The one-component rows fill what they need themselves (grey levels, BGR or BGRA);
        // the other paths write three bytes a pixel unless opacity comes from a key or a mask.
        const bool oneComponent = components == 1 && bits <= 8 && !mask.IsArray();
        const bool opaque = !opacityFollows && keyRanges.empty();
        const std::size_t pixelBytes = opaque ? 3 : 4;
        const std::size_t stride = opaque ? BgrStride(size.width) : static_cast<std::size_t>(size.width) * 4;
        std::vector<std::uint8_t>& colours = opaque ? raster->bgr : raster->bgra;
        float values[32] = {};
        unsigned raw[32] = {};
        unsigned last[32] = {};
        std::uint8_t lastRgb[3] = {0, 0, 0};
        bool haveLast = false;
        // Plain 8-bit RGB with the default Decode array and no colour key (most photographs):
        // the samples are the colours, only reordered.
        const bool plainRgb = bits == 8 && components == 3 && keyRanges.empty() &&
                              space->Family() == ColourFamily::kRgb && !space->Managed() &&
                              (decode.empty() || IsDefaultDecode(decode, 3));
        // Samples described by an embedded profile, converted a row at a time.
        const bool defaultDecode = decode.empty() || IsDefaultDecode(decode, components);
        const bool managedRows =
            bits == 8 && components > 1 && keyRanges.empty() && defaultDecode && space->ManagedRow(nullptr, 0, nullptr);
        // Plain rows that need no padding are turned around where they are and kept.
        const bool inPlace = plainRgb && !managedRows && opaque && stride == rowBytes &&
                             samples->size() == stride * static_cast<std::size_t>(size.height) &&
                             !RoomyBuffer(*samples);
        if (!oneComponent && !inPlace) colours.resize(stride * static_cast<std::size_t>(size.height));
        if (managedRows) {
            // Red, green, blue written in place, then turned around (BGRA spread from the end of
            // the row backwards, so no pixel is overwritten before it is read).
            for (int y = 0; y < size.height; ++y) {
                std::uint8_t* out = colours.data() + static_cast<std::size_t>(y) * stride;
                space->ManagedRow(samples->data() + static_cast<std::size_t>(y) * rowBytes,
                                  static_cast<std::size_t>(size.width), out);
                for (std::size_t x = static_cast<std::size_t>(size.width); x-- > 0;) {
                    const std::uint8_t red = out[3 * x];
                    const std::uint8_t green = out[3 * x + 1];
                    const std::uint8_t blue = out[3 * x + 2];
                    std::uint8_t* pixel = out + pixelBytes * x;
                    pixel[0] = blue;
                    pixel[1] = green;
                    pixel[2] = red;
                    if (!opaque) pixel[3] = 255;
                }
            }
        } else if (inPlace) {
            for (std::size_t i = 0; i < samples->size(); i += 3) std::swap((*samples)[i], (*samples)[i + 2]);
            raster->bgr = std::move(*samples);
        } else if (plainRgb && opaque) {
            for (int y = 0; y < size.height; ++y) {
                const std::uint8_t* in = samples->data() + static_cast<std::size_t>(y) * rowBytes;
                std::uint8_t* out = colours.data() + static_cast<std::size_t>(y) * stride;
                for (int x = 0; x < size.width; ++x, in += 3, out += 3) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                }
            }
        } else if (plainRgb) {
            for (int y = 0; y < size.height; ++y) {
                const std::uint8_t* in = samples->data() + static_cast<std::size_t>(y) * rowBytes;
                std::uint8_t* out = colours.data() + static_cast<std::size_t>(y) * stride;
                for (int x = 0; x < size.width; ++x, in += 3, out += 4) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                    out[3] = 255;
                }
            }
        } else if (oneComponent) {
            OneComponentRows(*samples, rowBytes, bits, single, opaque, *raster);
        } else {
            for (int y = 0; y < size.height; ++y) {
                const std::uint8_t* row = samples->data() + static_cast<std::size_t>(y) * rowBytes;
                std::uint8_t* out = colours.data() + static_cast<std::size_t>(y) * stride;
                std::size_t index = 0;
                for (int x = 0; x < size.width; ++x, out += pixelBytes) {
                    std::uint8_t rgb[3];
                    for (int c = 0; c < components; ++c) raw[c] = Sample(row, index++, bits);
                    if (components == 1) {
                        const auto& colour = single[bits == 16 ? raw[0] >> 8 : raw[0]];
                        rgb[0] = colour[0];
                        rgb[1] = colour[1];
                        rgb[2] = colour[2];
                    } else if (haveLast && std::equal(raw, raw + components, last)) {
                        std::memcpy(rgb, lastRgb, 3);
                    } else {
                        for (int c = 0; c < components; ++c) {
                            values[c] = tables[static_cast<std::size_t>(c)][bits == 16 ? raw[c] >> 8 : raw[c]];
                        }
                        space->ToRgb(values, rgb);
                        std::copy(raw, raw + components, last);
                        std::memcpy(lastRgb, rgb, 3);
                        haveLast = true;
                    }
                    out[0] = rgb[2];
                    out[1] = rgb[1];
                    out[2] = rgb[0];
                    if (opaque) continue;
                    out[3] = 255;
                    if (!keyRanges.empty()) {
                        bool inside = true;
                        for (int c = 0; c < components && inside; ++c) {
                            inside = raw[c] >= keyRanges[2 * static_cast<std::size_t>(c)] &&
                                     raw[c] <= keyRanges[2 * static_cast<std::size_t>(c) + 1];
                        }
                        if (inside) out[3] = 0;
                    }
                }
            }
        }
        raster->alpha = !keyRanges.empty();
    }
    if (!inDataAlpha.empty()) {
        ApplyPlane(*raster, Plane{raster->width, raster->height, std::move(inDataAlpha)});
    } else if (!asMask && depth == 0) {
        const Object softMask = document.Lookup(&dict, "SMask");
        const Object mask = document.Lookup(&dict, "Mask");
        if (softMask.IsStream()) {
            if (auto plane = MaskPlane(document, found, softMask, false, jpeg, depth)) ApplyPlane(*raster, *plane);
        } else if (mask.IsStream()) {
            if (auto plane = MaskPlane(document, found, mask, true, jpeg, depth)) ApplyPlane(*raster, *plane);
        }
    }
    return raster;
}

// The finished picture over the raster's own buffer when its rows are laid out as the picture
// keeps them (padded to 4 bytes), so the largest pictures are not copied once more.
std::optional<DecodedImage> ImageFromRows(PixelType type, Raster& raster, std::vector<std::uint8_t>& rows) {
    if (!IsAcceptableSize(raster.width, raster.height)) return std::nullopt;
    const int bpp = BytesPerPixel(type);
    const std::size_t width = static_cast<std::size_t>(raster.width) * static_cast<std::size_t>(bpp);
    const std::size_t stride = (width + 3) & ~std::size_t{3};
    const std::size_t source = type == PixelType::kBgr24 ? BgrStride(raster.width) : width;
    if (source == stride) {
        DecodedImage image;
        image.type = type;
        image.width = raster.width;
        image.height = raster.height;
        image.stride = static_cast<int>(stride);
        image.bytes = std::move(rows);
        return image;
    }
    auto image = DecodedImage::Allocate(type, raster.width, raster.height);
    if (!image) return std::nullopt;
    for (int y = 0; y < raster.height; ++y)
        std::memcpy(image->Row(y), rows.data() + static_cast<std::size_t>(y) * source, width);
    return image;
}

}  // namespace

ImageSize DeclaredSize(Document& document, const Object& image) {
    const Dict* dict = image.AsDict();
    ImageSize size;
    const std::int64_t width = document.Lookup(dict, "Width").Int(0);
    const std::int64_t height = document.Lookup(dict, "Height").Int(0);
    size.width = static_cast<int>(std::clamp<std::int64_t>(width, 0, INT32_MAX));
    size.height = static_cast<int>(std::clamp<std::int64_t>(height, 0, INT32_MAX));
    return size;
}

std::optional<DecodedImage> DecodeImage(Document& document, const FoundImage& found, const JpegDecoder& jpeg) {
    auto raster = DecodeRaster(document, found, found.image, jpeg, false, 0);
    if (!raster) return std::nullopt;
    if (!raster->alpha && !raster->levels.empty()) return ImageFromRows(PixelType::kGray8, *raster, raster->levels);
    if (!raster->alpha && !raster->bgr.empty()) {
        if (!raster->gray) return ImageFromRows(PixelType::kBgr24, *raster, raster->bgr);
        // A grey picture in colour samples keeps its green channel, as the narrowing of BGRA does.
        auto image = DecodedImage::Allocate(PixelType::kGray8, raster->width, raster->height);
        if (!image) return std::nullopt;
        const std::size_t stride = BgrStride(raster->width);
        for (int y = 0; y < raster->height; ++y) {
            const std::uint8_t* in = raster->bgr.data() + static_cast<std::size_t>(y) * stride;
            std::uint8_t* out = image->Row(y);
            for (int x = 0; x < raster->width; ++x) out[x] = in[3 * x + 1];
        }
        return image;
    }
    SpreadToBgra(*raster);
    if (raster->alpha) return ImageFromRows(PixelType::kBgra32, *raster, raster->bgra);
    const PixelType type = raster->gray ? PixelType::kGray8 : PixelType::kBgr24;
    return ImageFromBgra(raster->bgra.data(), std::ptrdiff_t{raster->width} * 4, raster->width, raster->height, type);
}

}  // namespace pictrove::readers::pdf
