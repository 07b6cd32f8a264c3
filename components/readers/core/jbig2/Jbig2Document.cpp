// Segment headers, the file organisations and the list of pages.
#include "Jbig2Document.h"

#include <algorithm>
#include <cstring>

#include "model/DecodedImage.h"

namespace pictrove::readers::jbig2 {
namespace {

constexpr std::uint8_t kFileId[8] = {0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kPageInformation = 48;
constexpr int kEndOfStripe = 50;
constexpr int kEndOfFile = 51;
constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

std::uint32_t U32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) << 24 | static_cast<std::uint32_t>(data[at + 1]) << 16 |
           static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
}

// An immediate generic region of unknown length ends with a marker (0xFFAC, or 0x0000 for MMR
// data) and the row count; the length runs to the end of that count.
std::optional<std::size_t> UnknownLength(std::span<const std::uint8_t> data) {
    if (data.size() < 18) return std::nullopt;
    const bool mmr = data[17] & 1;
    const std::size_t start = 18 + (mmr ? 0 : ((data[17] >> 1) & 3) == 0 ? 8 : 2);
    for (std::size_t i = start; i + 6 <= data.size(); ++i) {
        if (mmr ? (data[i] == 0 && data[i + 1] == 0) : (data[i] == 0xFF && data[i + 1] == 0xAC)) return i + 6;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Segment> ReadSegmentHeader(std::span<const std::uint8_t> data,
                                         std::size_t& offset,
                                         std::uint32_t& length) {
    std::size_t at = offset;
    auto need = [&](std::size_t count) { return at + count <= data.size(); };
    if (!need(6)) return std::nullopt;
    Segment segment;
    segment.number = U32(data, at);
    const int flags = data[at + 4];
    segment.type = flags & 63;
    const bool longPage = flags & 64;
    at += 5;
    std::uint32_t count = data[at] >> 5;
    if (count == 7) {
        if (!need(4)) return std::nullopt;
        count = U32(data, at) & 0x1FFFFFFF;
        at += 4 + (count + 8) / 8;
    } else {
        at += 1;
    }
    if (count > 4096) return std::nullopt;  // no real segment refers to more
    const std::size_t size = segment.number <= 256 ? 1 : segment.number <= 65536 ? 2 : 4;
    if (!need(static_cast<std::size_t>(count) * size)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t value = data[at];
        if (size == 2) value = static_cast<std::uint32_t>(data[at] << 8 | data[at + 1]);
        if (size == 4) value = U32(data, at);
        segment.referred.push_back(value);
        at += size;
    }
    if (!need(longPage ? 8 : 5)) return std::nullopt;
    segment.page = longPage ? U32(data, at) : data[at];
    at += longPage ? 4 : 1;
    length = U32(data, at);
    at += 4;
    offset = at;
    return segment;
}

bool Jbig2Document::ParseSequential(std::span<const std::uint8_t> data, std::size_t& offset) {
    while (offset < data.size() && segments_.size() < kMaxSegments) {
        std::uint32_t length = 0;
        auto segment = ReadSegmentHeader(data, offset, length);
        if (!segment) break;
        const std::size_t left = data.size() - offset;
        if (length == kUnknown) {
            const auto found = UnknownLength(data.subspan(offset));
            if (!found) break;
            length = static_cast<std::uint32_t>(*found);
            segment->unknownLength = true;
        }
        // A segment cut short keeps what it has: its region may still show most of the page.
        segment->data = data.subspan(offset, std::min<std::size_t>(length, left));
        offset += segment->data.size();
        const int type = segment->type;
        segments_.push_back(std::move(*segment));
        if (type == kEndOfFile) break;
    }
    return true;
}

bool Jbig2Document::ParseFile(std::span<const std::uint8_t> file) {
    segments_.clear();
    pages_.clear();
    if (file.size() < 9 || std::memcmp(file.data(), kFileId, 8) != 0) return false;
    const int flags = file[8];
    std::size_t offset = (flags & 2) ? 9 : 13;
    if (offset > file.size()) return false;
    if (flags & 1) {
        ParseSequential(file, offset);
    } else {
        // Random access: every header first, then the data of each in the same order.
        std::vector<std::uint32_t> lengths;
        while (offset < file.size() && segments_.size() < kMaxSegments) {
            std::uint32_t length = 0;
            auto segment = ReadSegmentHeader(file, offset, length);
            if (!segment) break;
            const int type = segment->type;
            segments_.push_back(std::move(*segment));
            lengths.push_back(length);
            if (type == kEndOfFile) break;
        }
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            if (lengths[i] == kUnknown) {
                segments_.resize(i);  // not allowed here: the rest cannot be placed
                break;
            }
            const std::size_t take = std::min<std::size_t>(lengths[i], file.size() - offset);
            segments_[i].data = file.subspan(offset, take);
            offset += take;
        }
    }
    FindPages();
    return !pages_.empty();
}

bool Jbig2Document::ParseEmbedded(std::span<const std::uint8_t> globals, std::span<const std::uint8_t> stream) {
    segments_.clear();
    pages_.clear();
    std::size_t offset = 0;
    ParseSequential(globals, offset);
    // Global segments belong to no page, whatever they say.
    for (auto& segment : segments_) segment.page = 0;
    offset = 0;
    ParseSequential(stream, offset);
    FindPages();
    return !pages_.empty();
}

void Jbig2Document::FindPages() {
    for (const auto& segment : segments_) {
        if (segment.type == kPageInformation && segment.data.size() >= 19 && segment.page != 0) {
            const bool listed =
                std::any_of(pages_.begin(), pages_.end(), [&](const PageSize& p) { return p.page == segment.page; });
            if (listed) continue;
            PageSize page;
            page.page = segment.page;
            const std::uint32_t width = U32(segment.data, 0);
            const std::uint32_t height = U32(segment.data, 4);
            page.width = static_cast<int>(std::min<std::uint32_t>(width, kMaxImageSide + 1u));
            page.height =
                height == kUnknown ? 0 : static_cast<int>(std::min<std::uint32_t>(height, kMaxImageSide + 1u));
            pages_.push_back(page);
        }
    }
    // A page of unknown height is as tall as its last stripe says.
    for (auto& page : pages_) {
        if (page.height != 0) continue;
        for (const auto& segment : segments_) {
            if (segment.type == kEndOfStripe && segment.page == page.page && segment.data.size() >= 4) {
                const std::uint32_t end = U32(segment.data, 0);
                page.height = std::max(page.height, static_cast<int>(std::min<std::uint32_t>(end, kMaxImageSide) + 1));
            }
        }
    }
}

}  // namespace pictrove::readers::jbig2
