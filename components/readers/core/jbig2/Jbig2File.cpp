// Embedded JBIG2 segments written out as a standalone file.
#include "Jbig2File.h"

#include <algorithm>

#include "Jbig2Document.h"

namespace pictrove::readers::jbig2 {
namespace {

constexpr std::uint8_t kFileId[8] = {0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr int kEndOfPage = 49;
constexpr int kEndOfFile = 51;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A segment without data and without referred-to segments.
void PutEmptySegment(std::vector<std::uint8_t>& out, std::uint32_t number, int type, std::uint32_t page) {
    PutU32(out, number);
    const bool longPage = page > 255;
    out.push_back(static_cast<std::uint8_t>(type | (longPage ? 0x40 : 0)));
    out.push_back(0);  // no referred-to segments, no retention bits
    if (longPage)
        PutU32(out, page);
    else
        out.push_back(static_cast<std::uint8_t>(page));
    PutU32(out, 0);
}

// How many leading bytes of data the walked segments cover: the end of the last segment whose
// data lies in data.
std::size_t WalkedExtent(const std::vector<Segment>& segments, std::span<const std::uint8_t> data) {
    std::size_t extent = 0;
    const auto begin = reinterpret_cast<std::uintptr_t>(data.data());
    const std::uintptr_t end = begin + data.size();
    for (const Segment& segment : segments) {
        // A segment without data still has its span placed just after its header.
        const auto at = reinterpret_cast<std::uintptr_t>(segment.data.data());
        if (segment.data.data() == nullptr || at < begin || at > end) continue;
        extent = std::max(extent, static_cast<std::size_t>(at - begin) + segment.data.size());
    }
    return extent;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> StandaloneJbig2File(std::span<const std::uint8_t> globals,
                                                             std::span<const std::uint8_t> stream) {
    Jbig2Document document;
    if (!document.ParseEmbedded(globals, stream)) return std::nullopt;
    const std::vector<Segment>& segments = document.Segments();
    const std::uint32_t page = document.Pages().front().page;
    std::uint32_t lastNumber = 0;
    bool endOfPage = false;
    bool endOfFile = false;
    for (const Segment& segment : segments) {
        lastNumber = std::max(lastNumber, segment.number);
        endOfPage = endOfPage || (segment.type == kEndOfPage && segment.page == page);
        endOfFile = endOfFile || segment.type == kEndOfFile;
    }

    std::vector<std::uint8_t> file(std::begin(kFileId), std::end(kFileId));
    file.push_back(0x01);  // sequential organisation, page count known
    PutU32(file, 1);
    const std::size_t globalBytes = globals.empty() ? 0 : WalkedExtent(segments, globals);
    const std::size_t pageBytes = WalkedExtent(segments, stream);
    file.insert(file.end(), globals.begin(), globals.begin() + static_cast<std::ptrdiff_t>(globalBytes));
    file.insert(file.end(), stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(pageBytes));
    // Documents leave the page's end implicit; a file must say where it is.
    if (!endOfPage && !endOfFile) PutEmptySegment(file, ++lastNumber, kEndOfPage, page);
    if (!endOfFile) PutEmptySegment(file, ++lastNumber, kEndOfFile, 0);
    return file;
}

}  // namespace pictrove::readers::jbig2
