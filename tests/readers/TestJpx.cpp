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

}  // namespace pictrove::test
