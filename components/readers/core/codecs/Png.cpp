// libpng glue: errors come back through setjmp; sizes are checked against the data and the
// core's limits before pixel memory is taken.
#include "Png.h"

#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

namespace pictrove::readers::codecs {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate packs at most 258 bytes into a little over two bits, about 1032 to 1; a picture
// whose filtered rows the file could not hold even so is refused before anything is allocated.
constexpr std::uint64_t kDeflateRatio = 1032;

struct Input {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

// Everything that lives across the library's long jumps, owned by the caller's frame so the
// function that calls setjmp holds nothing with a destructor.
struct Context {
    Input input;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::optional<DecodedImage> image;
    std::vector<png_bytep> rows;
    std::uint32_t rowsRead = 0;
    PictureEnd end = PictureEnd::kDamaged;

    ~Context() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

void ReadData(png_structp png, png_bytep out, png_size_t count) {
    auto* input = static_cast<Input*>(png_get_io_ptr(png));
    if (count > input->data.size() - input->position) png_error(png, "read past the end");
    std::memcpy(out, input->data.data() + input->position, count);
    input->position += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRow(png_structp png, png_uint_32, int) {
    ++static_cast<Context*>(png_get_error_ptr(png))->rowsRead;
}

bool PlausibleSize(std::uint64_t width, std::uint64_t height, int channels, int depth, std::size_t fileSize) {
    const std::uint64_t rowBytes = (width * std::uint64_t(channels) * std::uint64_t(depth) + 7) / 8 + 1;
    return rowBytes * height <= (std::uint64_t{fileSize} + 1024) * kDeflateRatio;
}

// Reads the header, sets the transformations to 8-bit blue, green, red, alpha and decodes the
// rows into context.image (allocated here once the size is known to be acceptable).
void Run(Context& context) {
    if (setjmp(png_jmpbuf(context.png))) {
        if (context.image && context.rowsRead > 0) context.end = PictureEnd::kTruncated;
        return;
    }
    png_set_read_fn(context.png, &context.input, ReadData);
    // Compressed data is taken a little at a time, so a stream cut short still gives every row
    // before the cut (the library reads up to 8 KB of an IDAT chunk at once otherwise).
    png_set_compression_buffer_size(context.png, 256);
    png_set_user_limits(context.png, kMaxImageSide, kMaxImageSide);
    png_read_info(context.png, context.info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(context.png, context.info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    const int channels = png_get_channels(context.png, context.info);
    // The pixel limit first: a refusal for it is noted, so the picture is told to be too large.
    if (!IsAcceptableSize(int(width), int(height)) ||
        !PlausibleSize(width, height, channels, depth, context.input.data.size())) {
        context.end = PictureEnd::kOverLimit;
        return;
    }
    png_set_expand(context.png);
    png_set_strip_16(context.png);
    png_set_gray_to_rgb(context.png);
    png_set_bgr(context.png);
    if ((colour & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(context.png, context.info, PNG_INFO_tRNS)) {
        png_set_filler(context.png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(context.png);
    png_set_read_status_fn(context.png, OnRow);
    png_read_update_info(context.png, context.info);
    if (png_get_rowbytes(context.png, context.info) != png_size_t{width} * 4) return;
    context.image = DecodedImage::Allocate(PixelType::kBgra32, int(width), int(height));
    if (!context.image) {
        context.end = PictureEnd::kOverLimit;
        return;
    }
    context.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) context.rows[y] = context.image->Row(int(y));
    png_read_image(context.png, context.rows.data());
    // The chunks after the pixels (text, times) are not read: a damaged one changes nothing.
    context.end = PictureEnd::kComplete;
}

}  // namespace

bool LooksLikePng(std::span<const std::uint8_t> file) {
    return file.size() >= sizeof(kSignature) && std::memcmp(file.data(), kSignature, sizeof(kSignature)) == 0;
}

PictureResult DecodePng(std::span<const std::uint8_t> file, const PictureOptions& options) {
    if (!LooksLikePng(file)) return {};
    if (options.frame > 0) return {PictureEnd::kNoSuchFrame, std::nullopt};
    Context context;
    context.input.data = file;
    context.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
    if (context.png == nullptr) return {PictureEnd::kDamaged, std::nullopt};
    context.info = png_create_info_struct(context.png);
    if (context.info == nullptr) return {PictureEnd::kDamaged, std::nullopt};
    Run(context);
    if (context.end != PictureEnd::kComplete && context.end != PictureEnd::kTruncated)
        return {context.end, std::nullopt};
    return Finished(context.end, std::move(*context.image));
}

}  // namespace pictrove::readers::codecs
