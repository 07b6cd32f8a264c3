// Embedded pictures through the readers' own codecs, a fallback for the rest.
#include "pictures/PortablePayloadDecoder.h"

#include "pictures/IcoDirectory.h"
#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "codecs/Webp.h"

namespace pictrove::readers {

PortableFormat SniffPortableFormat(std::span<const std::uint8_t> file) {
    if (file.size() > 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return PortableFormat::kJpeg;
    if (codecs::LooksLikePng(file)) return PortableFormat::kPng;
    if (codecs::LooksLikeGif(file)) return PortableFormat::kGif;
    if (codecs::LooksLikeBmp(file)) return PortableFormat::kBmp;
    if (LooksLikeIco(file)) return PortableFormat::kIco;
    if (codecs::LooksLikeWebp(file)) return PortableFormat::kWebp;
    return PortableFormat::kNone;
}

namespace {

codecs::PictureResult Whole(codecs::PictureResult result) {
    if (result.end == codecs::PictureEnd::kTruncated) result.image.reset();
    return result;
}

}  // namespace

codecs::PictureResult DecodePortable(std::span<const std::uint8_t> file, unsigned frame) {
    const codecs::PictureOptions options{frame};
    switch (SniffPortableFormat(file)) {
        case PortableFormat::kPng:
            return Whole(codecs::DecodePng(file, options));
        case PortableFormat::kGif:
            return Whole(codecs::DecodeGif(file, options));
        case PortableFormat::kBmp:
            return Whole(codecs::DecodeBmp(file, options));
        case PortableFormat::kIco:
            return Whole(codecs::DecodeIco(file, options));
        case PortableFormat::kWebp:
            return Whole(codecs::DecodeWebp(file, options));
        case PortableFormat::kJpeg: {
            if (frame > 0) return {codecs::PictureEnd::kNoSuchFrame, std::nullopt};
            auto image = codecs::JpegToImage(file);
            return {image ? codecs::PictureEnd::kComplete : codecs::PictureEnd::kDamaged, std::move(image)};
        }
        case PortableFormat::kNone:
            break;
    }
    return {};
}

std::optional<DecodedImage> PortablePayloadDecoder::DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) {
    const PortableFormat format = SniffPortableFormat(file);
    if (format != PortableFormat::kNone) {
        auto result = DecodePortable(file, frame);
        // libjpeg-turbo refuses 12-bit samples; the fallback may still read those.
        if (result.image || format != PortableFormat::kJpeg) return std::move(result.image);
    }
    return fallback_ ? fallback_->DecodeFrame(file, frame) : std::nullopt;
}

unsigned PortablePayloadDecoder::FrameCount(std::span<const std::uint8_t> file) {
    switch (SniffPortableFormat(file)) {
        case PortableFormat::kGif:
            return codecs::GifFrameCount(file);
        case PortableFormat::kWebp:
            return codecs::WebpFrameCount(file);
        case PortableFormat::kIco: {
            const auto entries = ParseIcoDirectory(file);
            return entries ? static_cast<unsigned>(entries->size()) : 0;
        }
        case PortableFormat::kPng:
        case PortableFormat::kBmp:
            return 1;
        case PortableFormat::kJpeg:
        case PortableFormat::kNone:
            break;
    }
    return fallback_ ? fallback_->FrameCount(file) : 0;
}

}  // namespace pictrove::readers
