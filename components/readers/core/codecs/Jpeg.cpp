// libjpeg-turbo glue: errors come back through setjmp, sizes are checked against the data and
// the core's limits before the library is asked for pixels.
#include "Jpeg.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "codecs/CmykModel.h"

namespace pictrove::readers::codecs {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    int warnings = 0;
};

[[noreturn]] void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Corrupt-data warnings are counted, not printed; a damaged stream still gives what it has.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0) ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
}

void NoOutput(j_common_ptr) {}

// The library's working memory for one picture (coefficient buffers of progressive files
// included) stays within what the core allows for a decoded image.
constexpr long kLibraryMemory = 512L * 1024 * 1024;

// Huffman-coded blocks take at least two bits each (a DC code and an end of block), so a file
// cannot hold more than four 8x8 blocks per byte of each component; arithmetic coding packs
// empty blocks tighter, so it is given a wider, still finite, allowance (a blank page of
// 10000 x 10000 pixels still fits in 25 KB). Without it a few hundred bytes could make the
// library fill gigapixels with the gray of missing data.
bool PlausibleSize(const jpeg_decompress_struct& info, std::size_t bytes) {
    const std::uint64_t pixels = std::uint64_t{info.image_width} * info.image_height;
    const std::uint64_t perByte = info.arith_code ? 4 * 1024 : 4 * 64;
    return pixels <= (std::uint64_t{bytes} + 1024) * perByte;
}

// Decodes into picture; headerOnly stops after the headers. Kept free of objects with
// destructors between setjmp and the library calls that may jump back.
bool Run(std::span<const std::uint8_t> data, JpegPicture& picture, bool headerOnly, bool bgrRows) {
    if (data.size() < 4 || data.size() > 0x7FFFFFFF) return false;
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = NoOutput;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kLibraryMemory;
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 14, 0);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    picture.width = static_cast<int>(info.image_width);
    picture.height = static_cast<int>(info.image_height);
    picture.components = info.num_components;
    picture.adobe = info.saw_Adobe_marker != 0;
    picture.adobeTransform = picture.adobe ? info.Adobe_transform : -1;
    switch (info.num_components) {
        case 1:
            info.out_color_space = JCS_GRAYSCALE;
            break;
        case 3:
            picture.bgrRows = bgrRows;
            info.out_color_space = bgrRows ? JCS_EXT_BGR : JCS_RGB;
            break;
        case 4:
            info.out_color_space = JCS_CMYK;
            break;
        default:
            jpeg_destroy_decompress(&info);
            return false;
    }
    const std::uint64_t total =
        std::uint64_t{info.image_width} * info.image_height * std::uint64_t(info.num_components);
    if (!IsAcceptableSize(picture.width, picture.height) || total > kMaxImageBytes ||
        !PlausibleSize(info, data.size())) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (headerOnly) {
        jpeg_destroy_decompress(&info);
        return true;
    }
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = std::size_t{info.output_width} * std::size_t(info.output_components);
    const std::size_t stride = picture.bgrRows ? (rowBytes + 3) & ~std::size_t{3} : rowBytes;
    // Rows the stream never delivers stay mid-gray, as the library pads a short stream.
    picture.samples.assign(stride * info.output_height, 128);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.samples.data() + stride * info.output_scanline;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    }
    if (stride != rowBytes) {
        for (std::size_t y = 0; y < info.output_height; ++y)
            std::memset(picture.samples.data() + y * stride + rowBytes, 0, stride - rowBytes);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

std::optional<JpegPicture> ReadJpegHeader(std::span<const std::uint8_t> data) {
    JpegPicture picture;
    if (!Run(data, picture, true, false)) return std::nullopt;
    return picture;
}

std::optional<JpegPicture> DecodeJpeg(std::span<const std::uint8_t> data, bool bgrRows) {
    JpegPicture picture;
    if (!Run(data, picture, false, bgrRows)) return std::nullopt;
    return picture;
}

void JpegInkToNormal(JpegPicture& picture) {
    if (picture.components != 4 || !picture.adobe) return;
    for (auto& value : picture.samples) value = static_cast<std::uint8_t>(255 - value);
    picture.adobe = false;
}

std::optional<DecodedImage> JpegToImage(std::span<const std::uint8_t> data) {
    auto picture = DecodeJpeg(data);
    if (!picture) return std::nullopt;
    JpegInkToNormal(*picture);
    const PixelType type = picture->components == 1 ? PixelType::kGray8 : PixelType::kBgr24;
    auto image = DecodedImage::Allocate(type, picture->width, picture->height);
    if (!image) return std::nullopt;
    const std::size_t n = static_cast<std::size_t>(picture->components);
    for (int y = 0; y < picture->height; ++y) {
        const std::uint8_t* in = picture->samples.data() + static_cast<std::size_t>(y) * picture->width * n;
        std::uint8_t* out = image->Row(y);
        for (int x = 0; x < picture->width; ++x, in += n) {
            if (n == 1) {
                out[x] = in[0];
                continue;
            }
            std::uint8_t rgb[3] = {in[0], in[1], in[2]};
            if (n == 4) CmykToRgb(in[0], in[1], in[2], in[3], rgb);
            out[3 * x] = rgb[2];
            out[3 * x + 1] = rgb[1];
            out[3 * x + 2] = rgb[0];
        }
    }
    return image;
}

}  // namespace pictrove::readers::codecs
