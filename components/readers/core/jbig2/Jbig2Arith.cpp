// Arithmetic integer and symbol id decoding.
#include "Jbig2Arith.h"

namespace pictrove::readers::jbig2 {

std::optional<std::int32_t> IntegerContexts::Decode(codecs::MqDecoder& mq) {
    std::uint32_t prev = 1;
    auto bit = [&]() {
        const int d = mq.Decode(contexts_[prev]);
        prev = prev < 256 ? (prev << 1) | static_cast<std::uint32_t>(d)
                          : ((((prev << 1) | static_cast<std::uint32_t>(d)) & 511) | 256);
        return d;
    };
    const int sign = bit();
    int bits = 0;
    std::uint32_t offset = 0;
    if (!bit()) {
        bits = 2;
    } else if (!bit()) {
        bits = 4;
        offset = 4;
    } else if (!bit()) {
        bits = 6;
        offset = 20;
    } else if (!bit()) {
        bits = 8;
        offset = 84;
    } else if (!bit()) {
        bits = 12;
        offset = 340;
    } else {
        bits = 32;
        offset = 4436;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < bits; ++i) value = (value << 1) | static_cast<std::uint32_t>(bit());
    const std::uint64_t total = std::uint64_t{value} + offset;
    if (sign && total == 0) return std::nullopt;
    // Values beyond 32 bits only come from damaged data; clamp so callers' range checks fail.
    const std::int64_t clamped = total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int64_t>(total);
    return static_cast<std::int32_t>(sign ? -clamped : clamped);
}

std::uint32_t IdContexts::Decode(codecs::MqDecoder& mq) {
    std::uint32_t prev = 1;
    for (int i = 0; i < length_; ++i) prev = (prev << 1) | static_cast<std::uint32_t>(mq.Decode(contexts_[prev]));
    return prev - (std::uint32_t{1} << length_);
}

}  // namespace pictrove::readers::jbig2
