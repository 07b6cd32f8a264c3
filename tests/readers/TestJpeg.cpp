// libjpeg-turbo's compressor, driven directly so each marker and colour model is chosen.
#include "TestJpeg.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace pictrove::test {

Bytes MakeJpeg(int width, int height, const Bytes& samples, const JpegOptions& options) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = options.components;
    info.in_color_space = options.components == 1 ? JCS_GRAYSCALE : options.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    if (options.components == 4) {
        jpeg_set_colorspace(&info, options.ycck ? JCS_YCCK : JCS_CMYK);
        info.write_Adobe_marker = options.adobe || options.ycck ? TRUE : FALSE;
    }
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&info);
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(options.components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + rowBytes * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

Bytes JpegOfColour(int width, int height, const Bytes& colour, const JpegOptions& options) {
    Bytes samples;
    samples.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * colour.size());
    for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), colour.begin(), colour.end());
    return MakeJpeg(width, height, samples, options);
}

}  // namespace pictrove::test
