// Listing and decoding the pages of a RAR, 7z or tar comic.
#include "comic/ArchiveComicSource.h"

#include <algorithm>

#include "pictures/ForeignPicture.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"
#include "model/ImageNames.h"
#include "markup/TextCodec.h"
#include "containers/ZipArchive.h"
#include "containers/ZipPictureSource.h"

namespace pictrove::readers {
namespace {

// As for zip comics: a JPEG's frame header may sit behind a large metadata block.
constexpr std::size_t kHeaderPrefix = 64 * 1024;

std::u16string EntryName(const std::string& path) {
    return IsValidUtf8(path) ? Utf8ToUtf16(path) : Cp437ToUtf16(path);
}

}  // namespace

bool IsOsMetadataPath(std::string_view path) {
    std::string lower = AsciiLower(path);
    std::replace(lower.begin(), lower.end(), '\\', '/');
    if (lower.starts_with("__macosx/") || lower.find("/__macosx/") != std::string::npos) return true;
    const std::size_t slash = lower.rfind('/');
    const std::string_view name = std::string_view(lower).substr(slash == std::string::npos ? 0 : slash + 1);
    return name.starts_with("._") || name == ".ds_store" || name == "thumbs.db" || name == "desktop.ini";
}

OpenStatus ArchiveComicSource::OpenDocument(OpenRequest request) {
    file_ = std::move(request.bytes);
    bool encryptionSeen = false;
    if (kind_ == ArchiveKind::kRar4 || kind_ == ArchiveKind::kRar5) {
        const RarFacts facts = ProbeRar(file_, kind_);
        if (facts.headersEncrypted) return OpenStatus::kProtected;
        solid_ = facts.solid;
        encryptionSeen = facts.encryptedFiles > 0;
    } else {
        // 7z keeps its files in shared compressed folders by default; tar is never compressed.
        solid_ = kind_ == ArchiveKind::kSevenZip;
    }

    ArchiveStream stream;
    if (!stream.Open(file_)) return OpenStatus::kNotReadable;
    std::size_t entries = 0;
    std::uint64_t walked = 0;
    bool readable = false;
    ArchiveEntryHeader header;
    for (; entries < kMaxArchiveEntries; ++entries) {
        const ArchiveStream::Step step = stream.Next(header);
        // A damaged or truncated archive keeps the pages found before the damage.
        if (step != ArchiveStream::Step::kEntry) {
            damaged_ = step == ArchiveStream::Step::kFailed;
            break;
        }
        readable = true;
        if (!header.regularFile || header.path.empty() || header.path.back() == '/') continue;
        if (header.encrypted) {
            encryptionSeen = true;  // never unpacked: the library cannot decrypt it
            continue;
        }
        // A size over the limit (a bomb declares terabytes) is never unpacked. In a solid stream
        // even passing over an entry unpacks it, whatever its name, so the walk ends there.
        if (!header.sizeKnown || header.size > kMaxZipEntrySize) {
            if (solid_) break;
            continue;
        }
        if (solid_) {
            walked += header.size;
            if (walked > kMaxArchiveWalkBytes) break;
        }
        if (IsOsMetadataPath(header.path)) continue;
        std::vector<std::uint8_t> prefix;
        if (stream.Read(prefix, kHeaderPrefix) == ArchiveStream::ReadResult::kFailed) continue;
        auto info = ReadImageHeader(prefix);
        if (!info && SniffImageFormat(prefix) == ImageFormat::kJpeg && prefix.size() == kHeaderPrefix) {
            // The frame header lies further in.
            if (stream.Read(prefix, static_cast<std::size_t>(header.size) + 1) ==
                ArchiveStream::ReadResult::kComplete) {
                info = ReadImageHeader(prefix);
            }
        }
        if (!info) {
            const auto foreign = RecognizeForeignPicture(prefix, header.path);
            if (!foreign) continue;
            pages_.push_back({entries, header.size, header.path});
            images_.push_back({DocumentStem(EntryName(header.path)), foreign->width, foreign->height});
            stored_.push_back(ForeignStoredInfo(*foreign));
            continue;
        }
        pages_.push_back({entries, header.size, header.path});
        images_.push_back({DocumentStem(EntryName(header.path)), info->width, info->height});
        stored_.push_back(StoredInfoOfFile(prefix));
    }
    encryptionSeen = encryptionSeen || stream.SawEncryption();
    if (pages_.empty() && encryptionSeen) return OpenStatus::kProtected;
    if (!readable) return OpenStatus::kNotReadable;

    // Pages in the natural order of their paths; images_ follows the same permutation.
    std::vector<std::size_t> order(pages_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return NaturalLess(pages_[a].path, pages_[b].path); });
    std::vector<Page> pages;
    std::vector<ImageEntry> images;
    std::vector<StoredInfo> stored;
    for (const std::size_t i : order) {
        pages.push_back(std::move(pages_[i]));
        images.push_back(std::move(images_[i]));
        stored.push_back(stored_[i]);
        pageSizes_[pages.back().entry] = pages.back().size;
    }
    pages_ = std::move(pages);
    images_ = std::move(images);
    stored_ = std::move(stored);
    return OpenStatus::kOpened;
}

void ArchiveComicSource::Close() {
    pages_.clear();
    pageSizes_.clear();
    stream_.reset();
    nextEntry_ = 0;
    cache_.clear();
    cacheBytes_ = 0;
    delivered_.clear();
    solid_ = false;
    file_.clear();
}

std::optional<DecodedImage> ArchiveComicSource::Decode(std::size_t index) {
    if (index >= pages_.size() || !decoder_ || Stored(index).undecodable) return std::nullopt;
    const auto bytes = PageBytes(pages_[index]);
    if (!bytes) return std::nullopt;
    auto image = decoder_->Decode(*bytes);
    // The listed size is what the user saw; a payload that decodes to another is damaged.
    if (image && (image->width != images_[index].width || image->height != images_[index].height)) {
        return std::nullopt;
    }
    return image;
}

std::optional<std::vector<std::uint8_t>> ArchiveComicSource::StoredBytes(std::size_t index) {
    if (index >= pages_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return PageBytes(pages_[index]);
}

std::optional<std::vector<std::uint8_t>> ArchiveComicSource::PageBytes(const Page& page) {
    if (const auto cached = cache_.find(page.entry); cached != cache_.end()) {
        // Each page is normally asked for once (an extraction); its room goes to the next ones.
        std::vector<std::uint8_t> bytes = std::move(cached->second);
        cache_.erase(cached);
        cacheBytes_ -= bytes.size();
        delivered_.insert(page.entry);
        ++stats_.cacheHits;
        return bytes;
    }
    if (!stream_ || nextEntry_ > page.entry) {
        stream_ = std::make_unique<ArchiveStream>();
        nextEntry_ = 0;
        ++stats_.restarts;
        if (!stream_->Open(file_)) {
            stream_.reset();
            return std::nullopt;
        }
    }
    ArchiveEntryHeader header;
    while (nextEntry_ <= page.entry) {
        if (stream_->Next(header) != ArchiveStream::Step::kEntry) {
            stream_.reset();
            return std::nullopt;
        }
        const std::size_t entry = nextEntry_++;
        const auto size = pageSizes_.find(entry);
        if (size == pageSizes_.end()) continue;
        const bool wanted = entry == page.entry;
        // Outside a solid stream, passing over a page costs nothing: it is read when asked for.
        if (!wanted && (!solid_ || cache_.contains(entry) || delivered_.contains(entry) ||
                        cacheBytes_ + size->second > kArchivePageCacheBytes)) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        ++stats_.entriesUnpacked;
        // One byte more than declared shows whether the entry really ends there.
        const auto result = stream_->Read(bytes, static_cast<std::size_t>(size->second) + 1);
        const bool whole = result == ArchiveStream::ReadResult::kComplete && bytes.size() == size->second;
        if (wanted) {
            if (!whole) return std::nullopt;
            delivered_.insert(entry);
            return bytes;
        }
        if (whole) {
            cacheBytes_ += bytes.size();
            cache_.emplace(entry, std::move(bytes));
        }
    }
    return std::nullopt;
}

}  // namespace pictrove::readers
