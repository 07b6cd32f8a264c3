// Listing and decoding pictures stored as zip entries.
#include "containers/ZipPictureSource.h"

#include <algorithm>

#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"
#include "model/ImageNames.h"
#include "pictures/StoredImage.h"
#include "markup/TextCodec.h"

namespace pictrove::readers {
namespace {

// A JPEG's start of frame may sit behind a large metadata block (thumbnails, colour profiles).
constexpr std::size_t kHeaderPrefix = 64 * 1024;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

OpenStatus ZipPictureSource::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    if (!archive_.Open(file_)) return OpenStatus::kNotReadable;
    damaged_ = archive_.Recovered();
    return ListPictures();
}

void ZipPictureSource::Close() {
    pictures_.clear();
    archive_ = ZipArchive();
    file_.clear();
}

bool ZipPictureSource::IsListed(const ZipEntry& entry) const {
    return std::find(pictures_.begin(), pictures_.end(), &entry) != pictures_.end();
}

std::optional<std::size_t> ZipPictureSource::IndexOf(const ZipEntry& entry) const {
    const auto at = std::find(pictures_.begin(), pictures_.end(), &entry);
    if (at == pictures_.end()) return std::nullopt;
    return static_cast<std::size_t>(at - pictures_.begin());
}

bool ZipPictureSource::AddPicture(const ZipEntry& entry, std::string_view mediaType) {
    if (entry.IsFolder()) return false;
    if (IsListed(entry)) return true;
    auto prefix = archive_.ExtractPrefix(entry, kHeaderPrefix);
    if (!prefix) return false;
    auto info = ReadImageHeader(*prefix);
    if (!info && SniffImageFormat(*prefix) == ImageFormat::kJpeg && prefix->size() == kHeaderPrefix) {
        // The frame header lies further in.
        prefix = archive_.Extract(entry);
        if (prefix) info = ReadImageHeader(*prefix);
    }
    if (!info) {
        if (const auto size = MetafileSize(*prefix)) info = ImageInfo{ImageFormat::kUnknown, size->first, size->second};
    }
    if (!info) {
        // A kind the decoders do not read is still a picture of the document: listed, and it
        // fails alone when decoded.
        const auto foreign = RecognizeForeignPicture(*prefix, entry.name, mediaType);
        if (!foreign) return false;
        pictures_.push_back(&entry);
        images_.push_back({DocumentStem(ZipEntryName(entry)), foreign->width, foreign->height});
        stored_.push_back(ForeignStoredInfo(*foreign));
        return true;
    }
    pictures_.push_back(&entry);
    images_.push_back({DocumentStem(ZipEntryName(entry)), info->width, info->height});
    stored_.push_back(StoredInfoOfFile(*prefix));
    return true;
}

std::optional<std::vector<std::uint8_t>> ZipPictureSource::StoredBytes(std::size_t index) {
    if (index >= pictures_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return archive_.Extract(*pictures_[index]);
}

std::optional<DecodedImage> ZipPictureSource::Decode(std::size_t index) {
    if (index >= pictures_.size() || !decoder_ || Stored(index).undecodable) return std::nullopt;
    const auto bytes = archive_.Extract(*pictures_[index]);
    if (!bytes) return std::nullopt;
    auto image = decoder_->Decode(*bytes);
    // The listed size is what the user saw; a payload that decodes to another is damaged.
    if (image && (image->width != images_[index].width || image->height != images_[index].height)) {
        return std::nullopt;
    }
    return image;
}

bool HasPictureExtension(std::string_view name) {
    const std::string lower = AsciiLower(name);
    for (const char* extension : {".jpg", ".jpeg", ".jpe", ".jfif", ".png", ".gif", ".bmp", ".tif", ".tiff", ".jxr",
                                  ".wdp", ".hdp", ".webp", ".avif", ".jxl", ".heic", ".heif"}) {
        if (std::string_view(lower).ends_with(extension)) return true;
    }
    return false;
}

bool NaturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t iEnd = i;
            std::size_t jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd])) ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd])) ++jEnd;
            std::string_view x = a.substr(i, iEnd - i);
            std::string_view y = b.substr(j, jEnd - j);
            while (x.size() > 1 && x[0] == '0') x.remove_prefix(1);
            while (y.size() > 1 && y[0] == '0') y.remove_prefix(1);
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
            i = iEnd;
            j = jEnd;
            continue;
        }
        char x = a[i];
        char y = b[j];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        // A folder separator sorts before any other character: "a/b" before "a-b".
        if (x == '\\') x = '/';
        if (y == '\\') y = '/';
        if (x != y) {
            if (x == '/') return true;
            if (y == '/') return false;
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        }
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return a < b;
}

}  // namespace pictrove::readers
