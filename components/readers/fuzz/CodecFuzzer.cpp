// Fuzz target: the shared codecs on their own, into a fixed buffer and into a growing vector.
// The first byte chooses the codec and its options, the second the output's size, the rest is
// the encoded data. Whatever the data, nothing is written past the limit and the count agrees.
#include <algorithm>
#include <vector>

#include "codecs/Lzw.h"
#include "codecs/PackBits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pictrove::readers::codecs;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::size_t limit = std::size_t{data[1]} << (selector >> 5);
    const std::span<const std::uint8_t> in(data + 2, size - 2);
    const auto run = [&](ByteSink& sink) {
        if (selector & 1) return LzwDecode(in, sink, {.earlyChange = (selector & 2) != 0});
        return PackBitsDecode(in, sink, {.endCode128 = (selector & 2) != 0, .unit = (selector & 4) ? 2u : 1u});
    };
    // One guard byte past the fixed buffer must survive.
    std::vector<std::uint8_t> fixed(limit + 1, 0xA5);
    ByteSink buffer{std::span(fixed).first(limit)};
    const DecodeResult a = run(buffer);
    std::vector<std::uint8_t> grown;
    ByteSink vector(grown, limit);
    const DecodeResult b = run(vector);
    if (a.written > limit || fixed[limit] != 0xA5 || b.written != grown.size() || a.written != b.written ||
        a.end != b.end || !std::equal(grown.begin(), grown.end(), fixed.begin())) {
        __builtin_trap();
    }
    return 0;
}
