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

// How many leading bytes of data hold whole segments. A segment cut short is left out with all
// after it: in a file its declared length would swallow the segments that follow. A segment of
// unknown length (found by its end marker) runs on to the end of a page's data, which keeps
// the same bytes after it; in the globals it ends the walk, as an end of page or file does.
std::size_t WholeSegments(std::span<const std::uint8_t> data, bool globals) {
    std::size_t offset = 0;
    std::size_t extent = 0;
    for (std::size_t count = 0; offset < data.size() && count < kMaxSegments; ++count) {
        std::uint32_t length = 0;
        const auto segment = ReadSegmentHeader(data, offset, length);
        if (!segment) break;
        // The globals end neither the page nor the file.
        if (globals && (segment->type == kEndOfPage || segment->type == kEndOfFile)) break;
        if (length == 0xFFFFFFFF) return globals ? extent : data.size();
        if (length > data.size() - offset) break;
        offset += length;
        extent = offset;
        if (segment->type == kEndOfFile) break;
    }
    return extent;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> StandaloneJbig2File(std::span<const std::uint8_t> globals,
                                                             std::span<const std::uint8_t> stream) {
    Jbig2Document document;
    if (!document.ParseEmbedded(globals, stream)) return std::nullopt;
    const std::uint32_t page = document.Pages().front().page;

    std::vector<std::uint8_t> file(std::begin(kFileId), std::end(kFileId));
    file.push_back(0x01);  // sequential organisation, page count known
    PutU32(file, 1);
    const std::size_t globalBytes = WholeSegments(globals, true);
    const std::size_t pageBytes = WholeSegments(stream, false);
    file.insert(file.end(), globals.begin(), globals.begin() + static_cast<std::ptrdiff_t>(globalBytes));
    file.insert(file.end(), stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(pageBytes));

    // What the file holds so far decides what it still needs.
    Jbig2Document written;
    written.ParseFile(file);
    std::uint32_t lastNumber = 0;
    bool endOfPage = false;
    bool endOfFile = false;
    for (const Segment& segment : written.Segments()) {
        lastNumber = std::max(lastNumber, segment.number);
        endOfPage = endOfPage || (segment.type == kEndOfPage && segment.page == page);
        endOfFile = endOfFile || segment.type == kEndOfFile;
    }
    // Documents leave the page's end implicit; a file must say where it is.
    if (!endOfPage && !endOfFile) PutEmptySegment(file, ++lastNumber, kEndOfPage, page);
    if (!endOfFile) PutEmptySegment(file, ++lastNumber, kEndOfFile, 0);
    // Whole segments only may leave the page out (its information cut short): then there is no file.
    Jbig2Document check;
    if (!check.ParseFile(file) || check.Pages().empty()) return std::nullopt;
    return file;
}

}  // namespace pictrove::readers::jbig2
