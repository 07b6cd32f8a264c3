// Signatures and size fields of the picture kinds that are listed but not decoded.
#include "pictures/ForeignPicture.h"

#include <cstring>
#include <string>

#include "markup/TextCodec.h"
#include "model/ByteReader.h"
#include "model/DecodedImage.h"
#include "pictures/ImageHeader.h"

namespace pictrove::readers {
namespace {

bool StartsWith(std::span<const std::uint8_t> file, const char* signature, std::size_t size) {
    return file.size() >= size && std::memcmp(file.data(), signature, size) == 0;
}

bool At(std::span<const std::uint8_t> file, std::size_t at, const char* tag) {
    return at + 4 <= file.size() && std::memcmp(file.data() + at, tag, 4) == 0;
}

ForeignPicture Sized(ForeignKind kind, std::uint64_t width, std::uint64_t height) {
    // A size the list could not show is no size: the picture is still listed, at 0 x 0.
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return {kind, 0, 0};
    return {kind, static_cast<int>(width), static_cast<int>(height)};
}

// The first chunk of a WebP says the size: a lossy key frame, a lossless header, or the
// extended format's canvas.
ForeignPicture WebpSize(std::span<const std::uint8_t> file) {
    const std::uint8_t* chunk = file.data() + 20;
    if (At(file, 12, "VP8 ") && file.size() >= 30 && chunk[3] == 0x9D && chunk[4] == 0x01 && chunk[5] == 0x2A) {
        return Sized(ForeignKind::kWebp, LoadU16LE(chunk + 6) & 0x3FFF, LoadU16LE(chunk + 8) & 0x3FFF);
    }
    if (At(file, 12, "VP8L") && file.size() >= 25 && chunk[0] == 0x2F) {
        const std::uint32_t bits = LoadU32LE(chunk + 1);
        return Sized(ForeignKind::kWebp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (At(file, 12, "VP8X") && file.size() >= 30) {
        const auto u24 = [](const std::uint8_t* p) -> std::uint64_t { return p[0] | p[1] << 8 | p[2] << 16; };
        return Sized(ForeignKind::kWebp, u24(chunk + 4) + 1, u24(chunk + 7) + 1);
    }
    return {ForeignKind::kWebp, 0, 0};
}

// One box of an ISO media file: its type and where its content lies.
struct Box {
    std::size_t content = 0;
    std::size_t end = 0;
    bool ok = false;
};

Box BoxAt(std::span<const std::uint8_t> file, std::size_t at, std::size_t limit) {
    if (at + 8 > limit) return {};
    std::uint64_t size = LoadU32BE(file.data() + at);
    std::size_t header = 8;
    if (size == 1) {
        if (at + 16 > limit) return {};
        size = LoadU64BE(file.data() + at + 8);
        header = 16;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < header || size > limit - at) return {};
    return {at + header, at + static_cast<std::size_t>(size), true};
}

// The first image spatial extent ('ispe') under meta / iprp / ipco: the primary picture's size
// in the files encoders write (a grid's tiles follow it).
std::optional<std::pair<std::uint32_t, std::uint32_t>> FindExtent(std::span<const std::uint8_t> file,
                                                                  std::size_t from,
                                                                  std::size_t limit,
                                                                  int depth) {
    static const char* const kPath[] = {"meta", "iprp", "ipco", "ispe"};
    for (std::size_t at = from; at < limit;) {
        const Box box = BoxAt(file, at, limit);
        if (!box.ok) return std::nullopt;
        if (At(file, at + 4, kPath[depth])) {
            if (depth == 3) {
                if (box.content + 12 > box.end) return std::nullopt;
                return std::pair{LoadU32BE(file.data() + box.content + 4), LoadU32BE(file.data() + box.content + 8)};
            }
            const std::size_t inside = depth == 0 ? box.content + 4 : box.content;  // meta is a full box
            return FindExtent(file, inside, box.end, depth + 1);
        }
        at = box.end;
    }
    return std::nullopt;
}

std::optional<ForeignPicture> IsoPicture(std::span<const std::uint8_t> file) {
    if (!At(file, 4, "ftyp")) return std::nullopt;
    const Box ftyp = BoxAt(file, 0, file.size());
    if (!ftyp.ok || ftyp.end - ftyp.content < 8) return std::nullopt;
    bool avif = false;
    bool heif = false;
    for (std::size_t at = ftyp.content; at + 4 <= ftyp.end; at += at == ftyp.content ? 8 : 4) {
        for (const char* brand : {"avif", "avis"}) avif = avif || At(file, at, brand);
        for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"}) {
            heif = heif || At(file, at, brand);
        }
    }
    if (!avif && !heif) return std::nullopt;
    const ForeignKind kind = avif ? ForeignKind::kAvif : ForeignKind::kHeic;
    const auto extent = FindExtent(file, ftyp.end, file.size(), 0);
    return extent ? Sized(kind, extent->first, extent->second) : ForeignPicture{kind, 0, 0};
}

// The bits of a JPEG XL codestream, least significant first.
class BitReader {
  public:
    BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++at_) {
            if (at_ / 8 >= bytes_.size()) {
                ok_ = false;
                return 0;
            }
            value |= static_cast<std::uint32_t>(bytes_[at_ / 8] >> (at_ % 8) & 1) << i;
        }
        return value;
    }
    bool Ok() const { return ok_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The size header right after a codestream's signature: small sizes in eighths, others in one
// of four widths; the width given or derived from a fixed aspect ratio.
ForeignPicture JxlCodestreamSize(std::span<const std::uint8_t> codestream) {
    if (codestream.size() < 2) return {ForeignKind::kJpegXl, 0, 0};
    BitReader bits(codestream.subspan(2));
    const auto dimension = [&bits](bool small) -> std::uint64_t {
        if (small) return (std::uint64_t{bits.Bits(5)} + 1) * 8;
        static constexpr int kWidths[] = {9, 13, 18, 30};
        return std::uint64_t{bits.Bits(kWidths[bits.Bits(2)])} + 1;
    };
    const bool small = bits.Bits(1) != 0;
    const std::uint64_t height = dimension(small);
    const std::uint32_t ratio = bits.Bits(3);
    static constexpr std::uint64_t kRatios[8][2] = {{1, 1}, {1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    const std::uint64_t width = ratio == 0 ? dimension(small) : height * kRatios[ratio][0] / kRatios[ratio][1];
    if (!bits.Ok()) return {ForeignKind::kJpegXl, 0, 0};
    return Sized(ForeignKind::kJpegXl, width, height);
}

// A JPEG XL container keeps the codestream in a 'jxlc' box, or split over 'jxlp' boxes that
// each open with a four-byte index.
ForeignPicture JxlContainerSize(std::span<const std::uint8_t> file) {
    for (std::size_t at = 0; at < file.size();) {
        const Box box = BoxAt(file, at, file.size());
        if (!box.ok) {
            // The prefix may end inside the codestream's box: what is there still holds the header.
            if (at + 8 <= file.size() && (At(file, at + 4, "jxlc") || At(file, at + 4, "jxlp"))) {
                const std::size_t skip = At(file, at + 4, "jxlp") ? 12 : 8;
                if (at + skip < file.size()) return JxlCodestreamSize(file.subspan(at + skip));
            }
            break;
        }
        if (At(file, at + 4, "jxlc")) return JxlCodestreamSize(file.subspan(box.content, box.end - box.content));
        if (At(file, at + 4, "jxlp") && box.end - box.content > 4) {
            return JxlCodestreamSize(file.subspan(box.content + 4, box.end - box.content - 4));
        }
        at = box.end;
    }
    return {ForeignKind::kJpegXl, 0, 0};
}

// An SVG file's root element, after any declaration, comments and document type; a page that
// only holds an SVG drawing somewhere inside is not one.
bool LooksLikeSvg(std::span<const std::uint8_t> file) {
    std::string_view text(reinterpret_cast<const char*>(file.data()), std::min<std::size_t>(file.size(), 4096));
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    for (int guard = 0; guard < 64; ++guard) {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) return false;
        text.remove_prefix(start);
        const char* close = text.starts_with("<?")     ? "?>"
                            : text.starts_with("<!--") ? "-->"
                            : text.starts_with("<!")   ? ">"
                                                       : nullptr;
        if (close == nullptr) return text.starts_with("<svg") || text.starts_with("<svg:svg");
        const std::size_t end = text.find(close);
        if (end == std::string_view::npos) return false;
        text.remove_prefix(end + std::strlen(close));
    }
    return false;
}

std::optional<ForeignKind> KindOfName(std::string_view name, std::string_view mediaType) {
    const std::string lower = AsciiLower(name);
    const std::string media = AsciiLower(mediaType);
    struct Row {
        const char* extension;
        const char* media;
        ForeignKind kind;
    };
    static constexpr Row kRows[] = {
        {".webp", "image/webp", ForeignKind::kWebp},   {".avif", "image/avif", ForeignKind::kAvif},
        {".jxl", "image/jxl", ForeignKind::kJpegXl},   {".heic", "image/heic", ForeignKind::kHeic},
        {".heif", "image/heif", ForeignKind::kHeic},   {".svg", "image/svg+xml", ForeignKind::kSvg},
        {".svgz", "image/svg+xml", ForeignKind::kSvg},
    };
    for (const Row& row : kRows) {
        if (std::string_view(lower).ends_with(row.extension) || media == row.media) return row.kind;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ForeignPicture> RecognizeForeignPicture(std::span<const std::uint8_t> file,
                                                      std::string_view name,
                                                      std::string_view mediaType) {
    if (StartsWith(file, "RIFF", 4) && At(file, 8, "WEBP")) return WebpSize(file);
    if (auto iso = IsoPicture(file)) return iso;
    if (StartsWith(file, "\xFF\x0A", 2)) return JxlCodestreamSize(file);
    if (StartsWith(file, "\0\0\0\x0CJXL \r\n\x87\n", 12)) return JxlContainerSize(file);
    if (LooksLikeSvg(file)) return ForeignPicture{ForeignKind::kSvg, 0, 0};
    // A picture the decoders read is theirs, whatever its name says.
    if (SniffImageFormat(file) != ImageFormat::kUnknown || MetafileSize(file)) return std::nullopt;
    if (const auto kind = KindOfName(name, mediaType)) return ForeignPicture{*kind, 0, 0, false};
    return std::nullopt;
}

StoredInfo ForeignStoredInfo(const ForeignPicture& picture) {
    StoredInfo info;
    if (picture.bySignature && picture.kind == ForeignKind::kWebp) info.format = StoredFormat::kWebp;
    if (picture.bySignature && picture.kind == ForeignKind::kAvif) info.format = StoredFormat::kAvif;
    info.undecodable = true;
    return info;
}

}  // namespace pictrove::readers
