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

std::optional<std::vector<std::uint8_t>> CcittDecode(std::span<const std::uint8_t> data, const CcittParams& params);

}  // namespace pictrove::readers::codecs
