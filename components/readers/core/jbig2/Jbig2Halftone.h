// Pattern dictionaries and halftone regions: a grid of gray values, coded as Gray-coded bit
// planes, each cell drawing the pattern of its value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Jbig2Bitmap.h"

namespace pictrove::readers::jbig2 {

// The patterns of a pattern dictionary segment's data; nothing when damaged.
std::optional<std::vector<Bitmap>> DecodePatternDictionary(std::span<const std::uint8_t> data);

struct HalftoneParams {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool mmr = false;
    int templ = 0;
    bool enableSkip = false;
    Combine op = Combine::kOr;
    int defaultPixel = 0;
    std::uint32_t gridWidth = 0;
    std::uint32_t gridHeight = 0;
    std::int32_t gridX = 0;
    std::int32_t gridY = 0;
    std::uint16_t stepX = 0;
    std::uint16_t stepY = 0;
};

// Reads the halftone fields that follow the region information; nothing when too short.
std::optional<HalftoneParams> ReadHalftoneParams(std::span<const std::uint8_t> data, std::size_t& used);

std::optional<Bitmap> DecodeHalftoneRegion(std::span<const std::uint8_t> data,
                                           const HalftoneParams& params,
                                           const std::vector<const Bitmap*>& patterns);

}  // namespace pictrove::readers::jbig2
