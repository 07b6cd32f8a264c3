// A JBIG2 stream read into segments: a standalone file (sequential or random-access
// organisation, after its file header) or the embedded organisation of PDF (a stream plus its
// globals). Pages are listed from their page information; a page is decoded on request by
// running its segments in order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Jbig2Bitmap.h"

namespace pictrove::readers::jbig2 {

struct Segment {
    std::uint32_t number = 0;
    int type = 0;
    std::uint32_t page = 0;
    std::vector<std::uint32_t> referred;
    std::span<const std::uint8_t> data;
    bool unknownLength = false;
};

struct PageSize {
    std::uint32_t page = 0;  // the page association number
    int width = 0;
    int height = 0;
};

inline constexpr std::size_t kMaxSegments = 1u << 20;

class Jbig2Document {
  public:
    // A standalone file; false when it is not one or holds nothing readable.
    bool ParseFile(std::span<const std::uint8_t> file);
    // The embedded organisation: globals (may be empty), then the picture's own segments.
    bool ParseEmbedded(std::span<const std::uint8_t> globals, std::span<const std::uint8_t> stream);

    const std::vector<PageSize>& Pages() const { return pages_; }
    const std::vector<Segment>& Segments() const { return segments_; }

    // The page's pixels; nothing when its segments are too damaged to give any.
    std::optional<Bitmap> DecodePage(std::size_t index) const;

  private:
    bool ParseSequential(std::span<const std::uint8_t> data, std::size_t& offset);
    void FindPages();

    std::vector<Segment> segments_;
    std::vector<PageSize> pages_;
};

// Reads one segment header at offset; moves offset past it. Data is not attached.
std::optional<Segment> ReadSegmentHeader(std::span<const std::uint8_t> data,
                                         std::size_t& offset,
                                         std::uint32_t& length);

}  // namespace pictrove::readers::jbig2
