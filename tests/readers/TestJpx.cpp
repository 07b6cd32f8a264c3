// OpenJPEG's encoder writing into memory, reversible wavelet, few resolution levels so that
// small pictures are allowed.
#include "TestJpx.h"

#include <algorithm>
#include <cstring>

#include <openjpeg.h>

namespace pictrove::test {
namespace {

// The JP2 writer goes back to fill in box lengths: writes land at the position, growing the file.
struct Output {
    Bytes bytes;
    std::size_t position = 0;
};

OPJ_SIZE_T Write(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* out = static_cast<Output*>(user);
    if (out->bytes.size() < out->position + count) out->bytes.resize(out->position + count);
    std::memcpy(out->bytes.data() + out->position, buffer, count);
    out->position += count;
    return count;
}

OPJ_OFF_T Skip(OPJ_OFF_T count, void* user) {
    auto* out = static_cast<Output*>(user);
    out->position += static_cast<std::size_t>(count);
    if (out->bytes.size() < out->position) out->bytes.resize(out->position);
    return count;
}

OPJ_BOOL Seek(OPJ_OFF_T to, void* user) {
    static_cast<Output*>(user)->position = static_cast<std::size_t>(to);
    return OPJ_TRUE;
}

}  // namespace

Bytes MakeJpx(int width, int height, const std::vector<JpxPlane>& planes, const JpxOptions& options) {
    std::vector<opj_image_cmptparm_t> parameters(planes.size());
    for (std::size_t i = 0; i < planes.size(); ++i) {
        auto& p = parameters[i];
        std::memset(&p, 0, sizeof(p));
        p.dx = static_cast<OPJ_UINT32>(planes[i].dx);
        p.dy = static_cast<OPJ_UINT32>(planes[i].dy);
        p.w = static_cast<OPJ_UINT32>((width + planes[i].dx - 1) / planes[i].dx);
        p.h = static_cast<OPJ_UINT32>((height + planes[i].dy - 1) / planes[i].dy);
        p.prec = static_cast<OPJ_UINT32>(options.precision);
        p.sgnd = 0;
    }
    const OPJ_COLOR_SPACE space = options.colourSpace == 1   ? OPJ_CLRSPC_SRGB
                                  : options.colourSpace == 2 ? OPJ_CLRSPC_GRAY
                                  : options.colourSpace == 3 ? OPJ_CLRSPC_SYCC
                                                             : OPJ_CLRSPC_UNSPECIFIED;
    opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(planes.size()), parameters.data(), space);
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    for (std::size_t i = 0; i < planes.size(); ++i) {
        image->comps[i].alpha = planes[i].alpha ? 1 : 0;
        const std::size_t count = std::size_t{parameters[i].w} * parameters[i].h;
        for (std::size_t k = 0; k < count && k < planes[i].values.size(); ++k)
            image->comps[i].data[k] = planes[i].values[k];
    }
    opj_cparameters_t encoding;
    opj_set_default_encoder_parameters(&encoding);
    encoding.numresolution = 2;
    encoding.tcp_numlayers = 1;
    encoding.tcp_rates[0] = 0;  // lossless
    encoding.cp_disto_alloc = 1;
    encoding.tcp_mct = planes.size() >= 3 && options.colourSpace != 3 ? 1 : 0;
    // The colour transform needs three full-size components alike.
    for (std::size_t i = 0; i < planes.size() && i < 3; ++i) {
        if (planes[i].dx != 1 || planes[i].dy != 1) encoding.tcp_mct = 0;
    }
    opj_codec_t* codec = opj_create_compress(options.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    Output out;
    opj_stream_t* stream = opj_stream_create(64 * 1024, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, Write);
    opj_stream_set_skip_function(stream, Skip);
    opj_stream_set_seek_function(stream, Seek);
    const bool ok = opj_setup_encoder(codec, &encoding, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) out.bytes.clear();
    return out.bytes;
}

namespace {

void Put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutBox(Bytes& out, const char* type, const Bytes& body) {
    Put32(out, static_cast<std::uint32_t>(8 + body.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

Bytes MakePalettedJp2(int width, int height, const std::vector<int>& indices, const Bytes& rgbEntries) {
    JpxPlane plane;
    plane.values = indices;
    const Bytes codestream = MakeJpx(width, height, {plane}, {8, false, 0});
    const std::size_t entries = rgbEntries.size() / 3;
    Bytes ihdr;
    Put32(ihdr, static_cast<std::uint32_t>(height));
    Put32(ihdr, static_cast<std::uint32_t>(width));
    ihdr.insert(ihdr.end(), {0, 1, 7, 7, 0, 0});  // one component, 8 bits, wavelet, no IPR
    Bytes colr{1, 0, 0};
    Put32(colr, 16);  // sRGB
    Bytes pclr{static_cast<std::uint8_t>(entries >> 8), static_cast<std::uint8_t>(entries), 3, 7, 7, 7};
    pclr.insert(pclr.end(), rgbEntries.begin(), rgbEntries.begin() + static_cast<std::ptrdiff_t>(entries * 3));
    const Bytes cmap{0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 1, 2};  // channel i from palette column i
    Bytes header;
    PutBox(header, "ihdr", ihdr);
    PutBox(header, "colr", colr);
    PutBox(header, "pclr", pclr);
    PutBox(header, "cmap", cmap);
    Bytes file{0, 0, 0, 12, 'j', 'P', ' ', ' ', 13, 10, 0x87, 10};
    PutBox(file, "ftyp", Bytes{'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '});
    PutBox(file, "jp2h", header);
    PutBox(file, "jp2c", codestream);
    return file;
}

}  // namespace pictrove::test
