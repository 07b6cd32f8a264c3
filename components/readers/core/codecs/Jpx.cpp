// OpenJPEG glue: a memory stream, the size checked from the headers before any tile is decoded,
// every component scaled to 8 bits and sampled up to the picture's grid.
#include "Jpx.h"

#include <algorithm>
#include <cstring>

#include <openjpeg.h>

#include "model/ByteReader.h"
#include "model/DecodedImage.h"

namespace pictrove::readers::codecs {
namespace {

struct Memory {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

OPJ_SIZE_T Read(void* buffer, OPJ_SIZE_T bytes, void* user) {
    auto* memory = static_cast<Memory*>(user);
    const std::size_t left = memory->data.size() - memory->position;
    if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
    const std::size_t n = std::min<std::size_t>(bytes, left);
    std::memcpy(buffer, memory->data.data() + memory->position, n);
    memory->position += n;
    return n;
}

OPJ_OFF_T Skip(OPJ_OFF_T bytes, void* user) {
    auto* memory = static_cast<Memory*>(user);
    if (bytes < 0) return -1;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(bytes), memory->data.size() - memory->position);
    memory->position += n;
    return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL Seek(OPJ_OFF_T to, void* user) {
    auto* memory = static_cast<Memory*>(user);
    if (to < 0 || static_cast<std::uint64_t>(to) > memory->data.size()) return OPJ_FALSE;
    memory->position = static_cast<std::size_t>(to);
    return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

struct Handles {
    opj_stream_t* stream = nullptr;
    opj_codec_t* codec = nullptr;
    opj_image_t* image = nullptr;
    ~Handles() {
        if (image) opj_image_destroy(image);
        if (codec) opj_destroy_codec(codec);
        if (stream) opj_stream_destroy(stream);
    }
};

bool IsJp2(std::span<const std::uint8_t> data) {
    static const std::uint8_t signature[] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
    return data.size() >= sizeof(signature) && std::equal(signature, signature + sizeof(signature), data.begin());
}

bool IsCodestream(std::span<const std::uint8_t> data) {
    return data.size() >= 4 && data[0] == 0xFF && data[1] == 0x4F && data[2] == 0xFF && data[3] == 0x51;
}

// One component's values along the picture's rows, scaled to 0..255. Sub-sampled components
// cover the reference grid in steps of dx, dy from their own origin; the column each pixel
// reads is worked out once per picture rather than per pixel.
struct Plane {
    const opj_image_comp_t* comp = nullptr;
    int offset = 0;  // signed samples are moved to 0..max
    int max = 255;
    std::vector<std::uint32_t> columns;

    void Prepare(const opj_image_t& image, int width) {
        columns.resize(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) {
            const std::int64_t cx = (std::int64_t{x} + image.x0) / comp->dx - comp->x0;
            columns[static_cast<std::size_t>(x)] =
                static_cast<std::uint32_t>(std::clamp<std::int64_t>(cx, 0, comp->w - 1));
        }
    }
    const OPJ_INT32* Row(int y, const opj_image_t& image) const {
        const std::int64_t cy = (std::int64_t{y} + image.y0) / comp->dy - comp->y0;
        return comp->data + static_cast<std::size_t>(std::clamp<std::int64_t>(cy, 0, comp->h - 1)) * comp->w;
    }
    std::uint8_t At(const OPJ_INT32* row, int x) const {
        const int v = std::clamp(row[columns[static_cast<std::size_t>(x)]] + offset, 0, max);
        if (max == 255) return static_cast<std::uint8_t>(v);
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

// Ceiling of a reference grid coordinate over a component's step, as the codec sizes it.
std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t step) {
    return (value + step - 1) / step;
}

}  // namespace

bool JpxGridFitsData(std::span<const std::uint8_t> data) {
    // The codestream: the whole of a bare one, the contents of a JP2 file's first jp2c box.
    std::span<const std::uint8_t> stream = data;
    if (IsJp2(data)) {
        stream = {};
        std::size_t at = 0;
        while (at + 8 <= data.size()) {
            std::uint64_t length = LoadU32BE(data.data() + at);
            std::size_t header = 8;
            if (length == 1) {
                if (at + 16 > data.size()) return true;
                length = LoadU64BE(data.data() + at + 8);
                header = 16;
            } else if (length == 0) {
                length = data.size() - at;
            }
            if (length < header || length > data.size() - at) length = data.size() - at;
            if (std::memcmp(data.data() + at + 4, "jp2c", 4) == 0) {
                stream = data.subspan(at + header, static_cast<std::size_t>(length) - header);
                break;
            }
            if (length < header) return true;
            at += static_cast<std::size_t>(length);
        }
    }
    // SOC, then SIZ: Lsiz Rsiz Xsiz Ysiz XOsiz YOsiz XTsiz YTsiz XTOsiz YTOsiz Csiz.
    if (stream.size() < 42 || LoadU16BE(stream.data()) != 0xFF4F || LoadU16BE(stream.data() + 2) != 0xFF51) {
        return true;
    }
    const auto field = [&](int i) { return std::uint64_t{LoadU32BE(stream.data() + 8 + 4 * i)}; };
    const std::uint64_t x1 = field(0), y1 = field(1), x0 = field(2), y0 = field(3);
    const std::uint64_t tileWidth = field(4), tileHeight = field(5), tileX0 = field(6), tileY0 = field(7);
    if (x1 <= x0 || y1 <= y0 || x1 - x0 > kMaxImageSide || y1 - y0 > kMaxImageSide) return false;
    if (tileWidth == 0 || tileHeight == 0 || tileX0 > x0 || tileY0 > y0) return false;
    const std::uint64_t tiles =
        ((x1 - tileX0 + tileWidth - 1) / tileWidth) * ((y1 - tileY0 + tileHeight - 1) / tileHeight);
    return tiles <= stream.size() / 14;
}

std::optional<JpxPicture> DecodeJpx(std::span<const std::uint8_t> data) {
    const bool jp2 = IsJp2(data);
    if (!jp2 && !IsCodestream(data)) return std::nullopt;
    if (!JpxGridFitsData(data)) return std::nullopt;
    Memory memory{data, 0};
    Handles h;
    h.stream = opj_stream_create(64 * 1024, OPJ_TRUE);
    if (!h.stream) return std::nullopt;
    opj_stream_set_user_data(h.stream, &memory, nullptr);
    opj_stream_set_user_data_length(h.stream, data.size());
    opj_stream_set_read_function(h.stream, Read);
    opj_stream_set_skip_function(h.stream, Skip);
    opj_stream_set_seek_function(h.stream, Seek);
    h.codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!h.codec) return std::nullopt;
    opj_set_info_handler(h.codec, Quiet, nullptr);
    opj_set_warning_handler(h.codec, Quiet, nullptr);
    opj_set_error_handler(h.codec, Quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(h.codec, &parameters)) return std::nullopt;
    if (!opj_read_header(h.stream, h.codec, &h.image) || !h.image) return std::nullopt;

    // The declared size decides before any tile is decoded.
    const opj_image_t& header = *h.image;
    if (header.x1 <= header.x0 || header.y1 <= header.y0 || header.numcomps == 0 || header.numcomps > 16) {
        return std::nullopt;
    }
    const std::uint64_t width = header.x1 - header.x0;
    const std::uint64_t height = header.y1 - header.y0;
    if (width > kMaxImageSide || height > kMaxImageSide || !WithinPixelLimit(width, height)) return std::nullopt;
    // What decoding holds at once: the codec's 32-bit samples of every component (at its own
    // sub-sampled size), then the 8-bit picture built from them. Together they stay within
    // the bytes one picture may take, as a JPEG's samples do.
    std::uint64_t bytes = 0;
    std::uint64_t colourCount = 0;
    bool hasOpacity = false;
    for (OPJ_UINT32 i = 0; i < header.numcomps; ++i) {
        const opj_image_comp_t& comp = header.comps[i];
        if (comp.dx == 0 || comp.dy == 0) return std::nullopt;
        bytes += (CeilDiv(header.x1, comp.dx) - CeilDiv(header.x0, comp.dx)) *
                 (CeilDiv(header.y1, comp.dy) - CeilDiv(header.y0, comp.dy)) * 4;
        if (comp.alpha && !hasOpacity) {
            hasOpacity = true;
        } else {
            ++colourCount;
        }
    }
    bytes += width * height * (std::min<std::uint64_t>(colourCount == 2 ? 1 : colourCount, 4) + (hasOpacity ? 1 : 0));
    if (bytes > kMaxImageBytes) {
        NoteLimitBreach(LimitBreach::kPixels);
        return std::nullopt;
    }
    if (!opj_decode(h.codec, h.stream, h.image)) return std::nullopt;
    opj_end_decompress(h.codec, h.stream);

    const opj_image_t& image = *h.image;
    std::vector<Plane> colours;
    const opj_image_comp_t* opacity = nullptr;
    Plane opacityPlane;
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& comp = image.comps[i];
        if (!comp.data || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0 || comp.prec == 0 ||
            comp.prec > 16) {
            return std::nullopt;  // also beyond any depth a PDF or XPS picture uses
        }
        Plane plane;
        plane.comp = &comp;
        plane.max = static_cast<int>((1u << comp.prec) - 1);
        plane.offset = comp.sgnd ? static_cast<int>(1u << (comp.prec - 1)) : 0;
        if (comp.alpha && !opacity) {
            opacity = &comp;
            opacityPlane = plane;
        } else {
            colours.push_back(plane);
        }
    }
    // Beyond four colour components, the fourth is as far as any PDF space reads.
    if (colours.empty()) return std::nullopt;
    if (colours.size() == 2) colours.resize(1);  // gray plus an unmarked extra channel
    if (colours.size() > 4) colours.resize(4);

    JpxPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.components = static_cast<int>(colours.size());
    switch (image.color_space) {
        case OPJ_CLRSPC_GRAY:
            picture.colour = JpxColour::kGray;
            break;
        case OPJ_CLRSPC_SRGB:
            picture.colour = JpxColour::kRgb;
            break;
        case OPJ_CLRSPC_SYCC:
        case OPJ_CLRSPC_EYCC:
            picture.colour = JpxColour::kYcc;
            break;
        case OPJ_CLRSPC_CMYK:
            picture.colour = JpxColour::kCmyk;
            break;
        default:
            picture.colour = picture.components == 1   ? JpxColour::kGray
                             : picture.components == 3 ? JpxColour::kRgb
                             : picture.components == 4 ? JpxColour::kCmyk
                                                       : JpxColour::kUnknown;
    }
    const std::size_t n = colours.size();
    picture.samples.resize(static_cast<std::size_t>(width * height) * n);
    if (opacity) picture.alpha.resize(static_cast<std::size_t>(width * height));
    for (Plane& plane : colours) plane.Prepare(image, picture.width);
    if (opacity) opacityPlane.Prepare(image, picture.width);
    const OPJ_INT32* rows[4] = {};
    std::size_t index = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (std::size_t c = 0; c < n; ++c) rows[c] = colours[c].Row(y, image);
        const OPJ_INT32* opacityRow = opacity ? opacityPlane.Row(y, image) : nullptr;
        std::uint8_t* out = picture.samples.data() + index * n;
        for (int x = 0; x < picture.width; ++x, ++index) {
            for (std::size_t c = 0; c < n; ++c) *out++ = colours[c].At(rows[c], x);
            if (opacity) picture.alpha[index] = opacityPlane.At(opacityRow, x);
        }
    }
    if (picture.colour == JpxColour::kYcc && n == 3) {
        // sYCC to RGB (full range, centred chroma); sub-sampled chroma was already brought up.
        for (std::size_t i = 0; i < picture.samples.size(); i += 3) {
            const float yy = picture.samples[i];
            const float cb = picture.samples[i + 1] - 128.0f;
            const float cr = picture.samples[i + 2] - 128.0f;
            auto clamp = [](float v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); };
            picture.samples[i] = clamp(yy + 1.402f * cr);
            picture.samples[i + 1] = clamp(yy - 0.344136f * cb - 0.714136f * cr);
            picture.samples[i + 2] = clamp(yy + 1.772f * cb);
        }
        picture.colour = JpxColour::kRgb;
    }
    return picture;
}

}  // namespace pictrove::readers::codecs
