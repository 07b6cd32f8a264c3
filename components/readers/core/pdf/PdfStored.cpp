// PDF pictures as stored, read from their dictionaries without decoding samples.
#include "PdfStored.h"

#include "DecodedImage.h"
#include "PdfColour.h"
#include "PdfDocument.h"
#include "PdfFilters.h"
#include "StoredImage.h"
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

std::optional<PixelType> KnownPixelType(Document& document, const FoundImage& found, const std::string& codec) {
    const Dict& dict = found.image.stream->dict;
    if (IsStencil(document, dict)) {
        const auto& fill = found.fill;
        return fill[0] == fill[1] && fill[1] == fill[2] ? PixelType::kGray8 : PixelType::kBgr24;
    }
    // JPEG 2000 pictures carry their own components and opacity: only decoding tells.
    if (codec == "JPXDecode") return std::nullopt;
    std::shared_ptr<ColourSpace> space = ColourSpace::Parse(document, dict.Get("ColorSpace"), found.resources.get());
    if (codec == "DCTDecode") {
        auto data = document.DecodeStream(*found.image.stream, kMaxImageBytes);
        if (!data || data->codec != codec) return std::nullopt;
        const std::optional<int> components = JpegComponents(data->bytes);
        if (!components || (*components != 1 && *components != 3 && *components != 4)) return std::nullopt;
        // The JPEG's own components decide when the dictionary names another space.
        if (!space || space->Components() != *components) {
            space = ColourSpace::Device(*components == 1   ? ColourFamily::kGray
                                        : *components == 3 ? ColourFamily::kRgb
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

StoredFormat StoredFormatOfImage(Document& document, const FoundImage& found) {
    const Dict& dict = found.image.stream->dict;
    if (IsStencil(document, dict) || HasMask(document, dict)) return StoredFormat::kNone;
    const std::string codec = LastFilter(document, dict);
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
    info.format = StoredFormatOfImage(document, found);
    info.pixelType = KnownPixelType(document, found, LastFilter(document, found.image.stream->dict));
    return info;
}

std::optional<std::vector<std::uint8_t>> StoredImageBytes(Document& document, const FoundImage& found) {
    if (!found.image.IsStream()) return std::nullopt;
    const StoredFormat format = StoredFormatOfImage(document, found);
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
