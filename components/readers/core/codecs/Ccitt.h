// CCITT fax decoding (Group 3 one- and two-dimensional, Group 4) into packed rows of one bit per
// pixel, 1 for white unless blackIs1. Stops cleanly at damaged data, keeping the rows before.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictrove::readers::codecs {

struct CcittParams {
    int k = 0;  // < 0 Group 4, 0 Group 3 one-dimensional, > 0 Group 3 mixed
    int columns = 1728;
    int rows = 0;  // 0: as many as the data holds
    bool encodedByteAlign = false;
    bool blackIs1 = false;
    bool endOfBlock = true;
};

inline constexpr int kMaxCcittColumns = 65535;

// consumed, when given, receives the bytes the rows took (with a Group 4 end-of-block code
// that follows them), for data that other data follows.
std::optional<std::vector<std::uint8_t>> CcittDecode(std::span<const std::uint8_t> data,
                                                     const CcittParams& params,
                                                     std::size_t* consumed = nullptr);

}  // namespace pictrove::readers::codecs
