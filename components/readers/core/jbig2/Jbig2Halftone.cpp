// Patterns and halftone regions.
#include "Jbig2Halftone.h"

#include <algorithm>

#include "codecs/MqDecoder.h"
#include "Jbig2Generic.h"
#include "Jbig2Symbols.h"

namespace pictrove::readers::jbig2 {
namespace {

constexpr std::uint64_t kMaxHalftoneDrawn = std::uint64_t{1} << 28;
constexpr std::uint32_t kMaxPatterns = 1u << 16;
// Most cells of a halftone grid: each holds a 32-bit gray value while the planes are decoded.
constexpr std::uint64_t kMaxCells = std::uint64_t{1} << 24;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

std::optional<std::vector<Bitmap>> DecodePatternDictionary(std::span<const std::uint8_t> data) {
    if (data.size() < 7) return std::nullopt;
    const bool mmr = data[0] & 1;
    const int templ = (data[0] >> 1) & 3;
    const int patternWidth = data[1];
    const int patternHeight = data[2];
    const std::uint32_t grayMax = U32(&data[3]);
    if (patternWidth == 0 || patternHeight == 0 || grayMax >= kMaxPatterns) return std::nullopt;
    const std::int64_t width = std::int64_t{grayMax + 1} * patternWidth;
    const auto body = data.subspan(7);
    std::optional<Bitmap> collective;
    if (mmr) {
        collective = DecodeGenericMmr(body, width, patternHeight);
    } else {
        GenericParams params;
        params.width = width;
        params.height = patternHeight;
        params.templ = templ;
        params.at = {-patternWidth, 0, -3, -1, 2, -2, -2, -2};
        codecs::MqDecoder mq(body);
        codecs::MqContexts contexts(GenericContextCount(templ));
        collective = DecodeGeneric(mq, contexts, params);
    }
    if (!collective) return std::nullopt;
    std::vector<Bitmap> patterns;
    patterns.reserve(grayMax + 1);
    for (std::uint32_t i = 0; i <= grayMax; ++i) {
        patterns.push_back(collective->Crop(static_cast<int>(i) * patternWidth, 0, patternWidth, patternHeight));
    }
    return patterns;
}

std::optional<HalftoneParams> ReadHalftoneParams(std::span<const std::uint8_t> data, std::size_t& used) {
    if (data.size() < 21) return std::nullopt;
    HalftoneParams params;
    const int flags = data[0];
    params.mmr = flags & 1;
    params.templ = (flags >> 1) & 3;
    params.enableSkip = (flags >> 3) & 1;
    params.op = static_cast<Combine>(std::min((flags >> 4) & 7, 4));
    params.defaultPixel = (flags >> 7) & 1;
    params.gridWidth = U32(&data[1]);
    params.gridHeight = U32(&data[5]);
    params.gridX = static_cast<std::int32_t>(U32(&data[9]));
    params.gridY = static_cast<std::int32_t>(U32(&data[13]));
    params.stepX = static_cast<std::uint16_t>(data[17] << 8 | data[18]);
    params.stepY = static_cast<std::uint16_t>(data[19] << 8 | data[20]);
    used = 21;
    return params;
}

std::optional<Bitmap> DecodeHalftoneRegion(std::span<const std::uint8_t> data,
                                           const HalftoneParams& params,
                                           const std::vector<const Bitmap*>& patterns) {
    if (patterns.empty()) return std::nullopt;
    auto made = Bitmap::Make(params.width, params.height, params.defaultPixel);
    if (!made) return std::nullopt;
    Bitmap& region = *made;
    const int patternWidth = patterns[0]->width;
    const int patternHeight = patterns[0]->height;
    const int planes = SymbolCodeLength(patterns.size());
    const std::uint64_t cells = std::uint64_t{params.gridWidth} * params.gridHeight;
    if (cells > kMaxCells) {
        return std::nullopt;
    }
    if (cells * static_cast<std::uint64_t>(patternWidth) * static_cast<std::uint64_t>(patternHeight) >
        kMaxHalftoneDrawn) {
        return std::nullopt;
    }
    // A cell's place on the page, in whole pixels.
    auto cellX = [&](std::int64_t m, std::int64_t n) {
        return (std::int64_t{params.gridX} + m * params.stepY + n * params.stepX) >> 8;
    };
    auto cellY = [&](std::int64_t m, std::int64_t n) {
        return (std::int64_t{params.gridY} + m * params.stepX - n * params.stepY) >> 8;
    };
    std::optional<Bitmap> skip;
    if (params.enableSkip) {
        skip = Bitmap::Make(params.gridWidth, params.gridHeight);
        if (!skip) return std::nullopt;
        for (std::int64_t m = 0; m < params.gridHeight; ++m) {
            for (std::int64_t n = 0; n < params.gridWidth; ++n) {
                const std::int64_t x = cellX(m, n);
                const std::int64_t y = cellY(m, n);
                const bool outside =
                    x + patternWidth <= 0 || x >= region.width || y + patternHeight <= 0 || y >= region.height;
                skip->Set(static_cast<int>(n), static_cast<int>(m), outside ? 1 : 0);
            }
        }
    }
    // Gray values from the bit planes, most significant first, each plane Gray-coded on the one above.
    std::vector<std::uint32_t> values(static_cast<std::size_t>(cells), 0);
    std::optional<codecs::MqDecoder> mq;
    codecs::MqContexts contexts(GenericContextCount(params.templ));
    if (!params.mmr) mq.emplace(data);
    std::size_t offset = 0;
    std::optional<Bitmap> above;
    for (int plane = planes - 1; plane >= 0; --plane) {
        std::optional<Bitmap> bits;
        if (params.mmr) {
            std::size_t consumed = 0;
            bits = DecodeGenericMmr(offset < data.size() ? data.subspan(offset) : std::span<const std::uint8_t>{},
                                    params.gridWidth, params.gridHeight, &consumed);
            offset += consumed;
        } else {
            GenericParams generic;
            generic.width = params.gridWidth;
            generic.height = params.gridHeight;
            generic.templ = params.templ;
            generic.at = {params.templ <= 1 ? 3 : 2, -1, -3, -1, 2, -2, -2, -2};
            generic.skip = skip ? &*skip : nullptr;
            bits = DecodeGeneric(*mq, contexts, generic);
        }
        if (!bits) return std::nullopt;
        if (above) {
            for (std::size_t i = 0; i < bits->pixels.size(); ++i) bits->pixels[i] ^= above->pixels[i];
        }
        for (std::size_t i = 0; i < values.size(); ++i) values[i] |= std::uint32_t{bits->pixels[i]} << plane;
        above = std::move(bits);
    }
    for (std::int64_t m = 0; m < params.gridHeight; ++m) {
        for (std::int64_t n = 0; n < params.gridWidth; ++n) {
            const std::uint32_t value = values[static_cast<std::size_t>(m * params.gridWidth + n)];
            const Bitmap& pattern = *patterns[std::min<std::size_t>(value, patterns.size() - 1)];
            region.Compose(pattern, cellX(m, n), cellY(m, n), params.op);
        }
    }
    return made;
}

}  // namespace pictrove::readers::jbig2
