// A JBIG2 picture embedded in a document (its page's segments, plus the shared segments kept
// apart as its globals) made into a standalone JBIG2 file that any JBIG2 decoder reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::jbig2 {

// The file header (sequential organisation, one page), the globals' segments, the page's
// segments, an end-of-page segment when the page has none, and an end-of-file segment. Only the
// segments that can be walked are kept. Nothing when the segments describe no page.
std::optional<std::vector<std::uint8_t>> StandaloneJbig2File(std::span<const std::uint8_t> globals,
                                                             std::span<const std::uint8_t> stream);

}  // namespace pictrove::readers::jbig2
