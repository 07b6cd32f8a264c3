// libwebp glue: still pictures decoded incrementally straight into the picture's rows (so a
// file cut short keeps what it had), animations through the animation decoder, whose canvas is
// copied out at the wanted frame.
#include "Webp.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace pictrove::readers::codecs {
namespace {

struct IncrementalDeleter {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};
struct AnimationDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

// A lossy picture codes the modes of every 16 x 16 block in its first partition, the cheapest at
// more than 0.8 bit (their probabilities are fixed), so a byte of data stands for at most about
// 2500 pixels; a lossy picture of more than 4096 pixels a byte is refused before its memory is
// taken. A lossless one can draw any number of pixels of one colour from a few bytes: only the
// memory its decoding takes bounds it.
constexpr std::uint64_t kLossyPixelsPerByte = 4096;

std::optional<WebPBitstreamFeatures> Features(std::span<const std::uint8_t> file) {
    if (!LooksLikeWebp(file)) return std::nullopt;
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(file.data(), file.size(), &features) != VP8_STATUS_OK) return std::nullopt;
    if (features.width <= 0 || features.height <= 0) return std::nullopt;
    return features;
}

// Bytes a pixel of the canvas costs while decoding: the picture itself; a lossless picture is
// first decoded into libwebp's own 32-bit copy (with an alpha plane for a lossy one); an
// animation adds the decoder's canvas and the one it keeps for disposal, and a frame as large
// as the canvas decoded on its own.
std::uint64_t BytesPerCanvasPixel(const WebPBitstreamFeatures& features) {
    if (features.has_animation) return 4 + 4 + 4 + 4;
    if (features.format == 2) return 4 + 4;
    return 4 + (features.has_alpha ? 1 : 0);
}

PictureResult DecodeStill(std::span<const std::uint8_t> file, DecodedImage canvas) {
    WebPDecBuffer output;
    if (!WebPInitDecBuffer(&output)) return {PictureEnd::kDamaged, std::nullopt};
    output.colorspace = MODE_BGRA;
    output.is_external_memory = 1;
    output.u.RGBA.rgba = canvas.bytes.data();
    output.u.RGBA.stride = canvas.stride;
    output.u.RGBA.size = canvas.bytes.size();
    const std::unique_ptr<WebPIDecoder, IncrementalDeleter> decoder(WebPINewDecoder(&output));
    if (!decoder) return {PictureEnd::kOverLimit, std::nullopt};
    const VP8StatusCode status = WebPIUpdate(decoder.get(), file.data(), file.size());
    if (status == VP8_STATUS_OK) return Finished(PictureEnd::kComplete, std::move(canvas));
    int rows = 0;
    if (status == VP8_STATUS_SUSPENDED && WebPIDecGetRGB(decoder.get(), &rows, nullptr, nullptr, nullptr) != nullptr &&
        rows > 0) {
        return Finished(PictureEnd::kTruncated, std::move(canvas));
    }
    return {PictureEnd::kDamaged, std::nullopt};
}

PictureResult DecodeAnimation(std::span<const std::uint8_t> file, unsigned frame, DecodedImage canvas) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return {PictureEnd::kDamaged, std::nullopt};
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data{file.data(), file.size()};
    // Takes the whole file: an animation cut short, or with a frame outside its canvas, is refused.
    const std::unique_ptr<WebPAnimDecoder, AnimationDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder) return {PictureEnd::kDamaged, std::nullopt};
    WebPAnimInfo info{};
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) return {PictureEnd::kDamaged, std::nullopt};
    if (int(info.canvas_width) != canvas.width || int(info.canvas_height) != canvas.height) {
        return {PictureEnd::kDamaged, std::nullopt};
    }
    if (frame >= info.frame_count) return {PictureEnd::kNoSuchFrame, std::nullopt};
    std::uint8_t* pixels = nullptr;
    for (unsigned i = 0; i <= frame; ++i) {
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp)) {
            // A frame before the wanted one broke: the wanted one is not in what was read.
            return {i == frame ? PictureEnd::kDamaged : PictureEnd::kNoSuchFrame, std::nullopt};
        }
    }
    const std::size_t rowBytes = std::size_t(canvas.width) * 4;
    for (int y = 0; y < canvas.height; ++y) std::memcpy(canvas.Row(y), pixels + rowBytes * std::size_t(y), rowBytes);
    return Finished(PictureEnd::kComplete, std::move(canvas));
}

}  // namespace

bool LooksLikeWebp(std::span<const std::uint8_t> file) {
    return file.size() >= 12 && std::memcmp(file.data(), "RIFF", 4) == 0 &&
           std::memcmp(file.data() + 8, "WEBP", 4) == 0;
}

std::optional<std::pair<int, int>> WebpCanvasSize(std::span<const std::uint8_t> file) {
    const auto features = Features(file);
    if (!features) return std::nullopt;
    return std::pair{features->width, features->height};
}

unsigned WebpFrameCount(std::span<const std::uint8_t> file) {
    const auto features = Features(file);
    if (!features) return 0;
    if (!features->has_animation) return 1;
    const WebPData data{file.data(), file.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&data, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR) return 0;
    return std::min<unsigned>(WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT), kMaxWebpFrames);
}

PictureResult DecodeWebp(std::span<const std::uint8_t> file, const PictureOptions& options) {
    if (!LooksLikeWebp(file)) return {};
    if (options.frame >= kMaxWebpFrames) return {PictureEnd::kNoSuchFrame, std::nullopt};
    const auto features = Features(file);
    if (!features) return {PictureEnd::kDamaged, std::nullopt};
    if (!features->has_animation && options.frame > 0) return {PictureEnd::kNoSuchFrame, std::nullopt};
    const int width = features->width;
    const int height = features->height;
    // The pixel limit first: a refusal for it is noted, so the picture is told to be too large.
    if (!IsAcceptableSize(width, height)) return {PictureEnd::kOverLimit, std::nullopt};
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    if (pixels * BytesPerCanvasPixel(*features) > kMaxImageBytes) {
        NoteLimitBreach(LimitBreach::kPixels);
        return {PictureEnd::kOverLimit, std::nullopt};
    }
    if (features->format == 1 && pixels > std::uint64_t{file.size()} * kLossyPixelsPerByte) {
        return {PictureEnd::kOverLimit, std::nullopt};
    }
    auto canvas = DecodedImage::Allocate(PixelType::kBgra32, width, height);
    if (!canvas) return {PictureEnd::kOverLimit, std::nullopt};
    if (features->has_animation) return DecodeAnimation(file, options.frame, std::move(*canvas));
    return DecodeStill(file, std::move(*canvas));
}

}  // namespace pictrove::readers::codecs
