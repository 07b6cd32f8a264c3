// PackBits decoding.
#include "codecs/PackBits.h"

#include <algorithm>

namespace pictrove::readers::codecs {

DecodeResult PackBitsDecode(std::span<const std::uint8_t> in, ByteSink& out, const PackBitsOptions& options) {
    const std::size_t unit = std::max<std::size_t>(options.unit, 1);
    std::size_t i = 0;
    const auto end = [&](DecodeEnd how) { return DecodeResult{out.Written(), how}; };
    for (;;) {
        if (out.Full()) return end(DecodeEnd::kOutputFull);
        if (i >= in.size()) return end(DecodeEnd::kInputEnd);
        const auto n = static_cast<std::int8_t>(in[i++]);
        if (n == -128) {
            if (options.endCode128) return end(DecodeEnd::kEndCode);
            continue;
        }
        if (n >= 0) {
            const std::size_t count = (std::size_t(n) + 1) * unit;
            const std::size_t room = out.Room();
            const std::size_t take = std::min({count, in.size() - i, room});
            out.Append(in.data() + i, take);
            i += take;
            if (take < count) return end(take == room ? DecodeEnd::kOutputCut : DecodeEnd::kTruncated);
            continue;
        }
        if (unit > in.size() - i) return end(DecodeEnd::kTruncated);
        const std::size_t count = std::size_t(1 - n) * unit;
        const std::size_t take = std::min(count, out.Room());
        std::uint8_t* at = out.Extend(take);
        for (std::size_t k = 0; k < take; ++k) at[k] = in[i + k % unit];
        i += unit;
        if (take < count) return end(DecodeEnd::kOutputCut);
    }
}

}  // namespace pictrove::readers::codecs
