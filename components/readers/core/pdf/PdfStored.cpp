// PDF pictures as stored, read from their dictionaries without decoding samples.
#include "PdfStored.h"

#include "model/DecodedImage.h"
#include "pictures/ImageHeader.h"
#include "PdfColour.h"
#include "PdfDocument.h"
#include "PdfFilters.h"
#include "pictures/StoredImage.h"
#include "jbig2/Jbig2File.h"

namespace pictrove::readers::pdf {
namespace {

// The full name of the last filter; empty when there is none or the list is not names.
std::string LastFilter(Document& document, const Dict& dict) {
    Object filter = document.Resolve(dict.Get("Filter"));
    if (filter.IsNull()) filter = document.Resolve(dict.Get("F"));  // inline images abbreviate
    if (filter.IsArray()) {
        if (filter.array->empty()) return {};
        filter = document.Resolve(filter.array->back());
    }
    return filter.IsName() ? FullFilterName(filter.text) : std::string();
}

bool IsStencil(Document& document, const Dict& dict) {
    return document.Lookup(&dict, "ImageMask").Bool(false);
}

// Whether a mask of any kind is merged into the picture when it is decoded.
bool HasMask(Document& document, const Dict& dict) {
    const Object softMask = document.Lookup(&dict, "SMask");
    const Object mask = document.Lookup(&dict, "Mask");
    return softMask.IsStream() || mask.IsStream() || mask.IsArray();
}

StoredFormat FormatOfCodec(const std::string& codec) {
    if (codec == "DCTDecode") return StoredFormat::kJpeg;
    if (codec == "JBIG2Decode") return StoredFormat::kJbig2;
    return StoredFormat::kNone;
}

// Whether the JPEG as a file of its own shows what the page shows. A JPEG file's CMYK is stored
// inverted when Adobe's marker is there; a PDF takes the samples as stored and inverts only what
// its Decode array inverts (an array too short for the components is not applied), so
// Ghostscript's CMYK JPEGs would be negatives as files, and inverted gray or RGB would be lost.
bool JpegFileShowsPicture(Document& document, const Dict& dict, const JpegFrame& frame) {
    const std::vector<float> decode = document.Numbers(dict.Get("Decode"));
    const auto components = static_cast<std::size_t>(frame.components);
    std::size_t plain = components, inverted = 0;
    if (decode.size() >= 2 * components) {
        plain = 0;
        for (std::size_t c = 0; c < components; ++c) {
            plain += decode[2 * c] == 0 && decode[2 * c + 1] == 1;
            inverted += decode[2 * c] == 1 && decode[2 * c + 1] == 0;
        }
    }
    const bool fileInverts = frame.components == 4 && frame.adobe;
    return (fileInverts ? inverted : plain) == components;
}

// The frame header of a DCTDecode picture's JPEG (nothing when it cannot be read), and the
// JPEG's bytes when bytes is given.
std::optional<JpegFrame> DctFrame(Document& document, const FoundImage& found, std::vector<std::uint8_t>* bytes) {
    auto data = document.DecodeStream(*found.image.stream, kMaxImageBytes);
    if (!data || data->codec != "DCTDecode") return std::nullopt;
    std::optional<JpegFrame> frame = JpegFrameOf(data->bytes);
    if (bytes != nullptr) *bytes = std::move(data->bytes);
    return frame;
}

std::optional<PixelType> KnownPixelType(Document& document,
                                        const FoundImage& found,
                                        const std::string& codec,
                                        const std::optional<JpegFrame>& jpeg) {
    const Dict& dict = found.image.stream->dict;
    if (IsStencil(document, dict)) {
        const auto& fill = found.fill;
        return fill[0] == fill[1] && fill[1] == fill[2] ? PixelType::kGray8 : PixelType::kBgr24;
    }
    // JPEG 2000 pictures carry their own components and opacity: only decoding tells.
    if (codec == "JPXDecode") return std::nullopt;
    std::shared_ptr<ColourSpace> space = ColourSpace::Parse(document, dict.Get("ColorSpace"), found.resources.get());
    if (codec == "DCTDecode") {
        if (!jpeg || (jpeg->components != 1 && jpeg->components != 3 && jpeg->components != 4)) return std::nullopt;
        // The JPEG's own components decide when the dictionary names another space.
        if (!space || space->Components() != jpeg->components) {
            space = ColourSpace::Device(jpeg->components == 1   ? ColourFamily::kGray
                                        : jpeg->components == 3 ? ColourFamily::kRgb
                                                                : ColourFamily::kCmyk);
        }
    }
    if (!space) return std::nullopt;
    const Object softMask = document.Lookup(&dict, "SMask");
    const Object mask = document.Lookup(&dict, "Mask");
    const bool keyed = mask.IsArray() && mask.array->size() >= 2 * static_cast<std::size_t>(space->Components());
    if (softMask.IsStream() || mask.IsStream() || keyed) return PixelType::kBgra32;
    return space->GrayOutput() ? PixelType::kGray8 : PixelType::kBgr24;
}

// jpeg: the frame header of a DCTDecode picture; a JPEG whose header cannot be read is handed
// out as stored.
StoredFormat StoredFormatOfImage(Document& document,
                                 const FoundImage& found,
                                 const std::string& codec,
                                 const std::optional<JpegFrame>& jpeg) {
    const Dict& dict = found.image.stream->dict;
    if (IsStencil(document, dict) || HasMask(document, dict)) return StoredFormat::kNone;
    if (codec == "DCTDecode") {
        return !jpeg || JpegFileShowsPicture(document, dict, *jpeg) ? StoredFormat::kJpeg : StoredFormat::kNone;
    }
    if (codec != "JPXDecode") return FormatOfCodec(codec);
    // A file (boxes) or a bare codestream: the data says which.
    auto data = document.DecodeStream(*found.image.stream, kMaxImageBytes);
    if (!data || data->codec != codec) return StoredFormat::kNone;
    const StoredFormat sniffed = StoredFormatOf(data->bytes);
    return sniffed == StoredFormat::kJp2 || sniffed == StoredFormat::kJ2k ? sniffed : StoredFormat::kNone;
}

}  // namespace

StoredInfo StoredImageInfo(Document& document, const FoundImage& found) {
    StoredInfo info;
    if (!found.image.IsStream()) return info;
    const std::string codec = LastFilter(document, found.image.stream->dict);
    std::optional<JpegFrame> jpeg;
    if (codec == "DCTDecode") jpeg = DctFrame(document, found, nullptr);
    info.format = StoredFormatOfImage(document, found, codec, jpeg);
    info.pixelType = KnownPixelType(document, found, codec, jpeg);
    return info;
}

std::optional<std::vector<std::uint8_t>> StoredImageBytes(Document& document, const FoundImage& found) {
    if (!found.image.IsStream()) return std::nullopt;
    const std::string codec = LastFilter(document, found.image.stream->dict);
    if (codec == "DCTDecode") {
        std::vector<std::uint8_t> bytes;
        const std::optional<JpegFrame> jpeg = DctFrame(document, found, &bytes);
        if (bytes.empty() || StoredFormatOfImage(document, found, codec, jpeg) == StoredFormat::kNone)
            return std::nullopt;
        return bytes;
    }
    const StoredFormat format = StoredFormatOfImage(document, found, codec, std::nullopt);
    if (format == StoredFormat::kNone) return std::nullopt;
    auto data = document.DecodeStream(*found.image.stream, kMaxImageBytes);
    if (!data || data->codec.empty()) return std::nullopt;
    if (format != StoredFormat::kJbig2) return std::move(data->bytes);
    std::vector<std::uint8_t> globals;
    const Object globalsObject = document.Resolve(data->codecParams.Get("JBIG2Globals"));
    if (globalsObject.IsStream()) {
        if (auto bytes = document.DecodeFully(*globalsObject.stream, kMaxImageBytes)) globals = std::move(*bytes);
    }
    return jbig2::StandaloneJbig2File(globals, data->bytes);
}

}  // namespace pictrove::readers::pdf
