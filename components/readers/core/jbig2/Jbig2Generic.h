// Generic region decoding (arithmetic with templates 0 to 3 and typical prediction, or MMR) and
// generic refinement (templates 0 and 1 against a reference bitmap, with typical prediction).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "codecs/MqDecoder.h"
#include "Jbig2Bitmap.h"

namespace pictrove::readers::jbig2 {

struct GenericParams {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int templ = 0;
    bool typicalPrediction = false;
    std::array<int, 8> at = {};    // x, y of up to four adaptive pixels
    const Bitmap* skip = nullptr;  // pixels set here are 0 and not coded
    // Rows are stored as decoding reaches them; when the data runs out the bitmap ends at the
    // last row decoded instead of being filled out to its height with white.
    bool mayEndShort = false;
};

// The adaptive pixels' places when the data does not move them.
std::array<int, 8> NominalAdaptivePixels(int templ);
std::size_t GenericContextCount(int templ);

// contexts must hold GenericContextCount(templ) states; they carry over between bitmaps that
// share them (symbols of one dictionary).
std::optional<Bitmap> DecodeGeneric(codecs::MqDecoder& mq, codecs::MqContexts& contexts, const GenericParams& params);

// An MMR-coded bitmap; consumed receives the bytes it took.
std::optional<Bitmap> DecodeGenericMmr(std::span<const std::uint8_t> data,
                                       std::int64_t width,
                                       std::int64_t height,
                                       std::size_t* consumed = nullptr);

struct RefinementParams {
    std::int64_t width = 0;
    std::int64_t height = 0;
    int templ = 0;
    bool typicalPrediction = false;
    const Bitmap* reference = nullptr;
    int dx = 0;  // where the reference lies relative to the new bitmap
    int dy = 0;
    std::array<int, 4> at = {-1, -1, -1, -1};  // x, y of the two adaptive pixels (template 0)
};

inline constexpr std::size_t kRefinementContexts = std::size_t{1} << 13;

std::optional<Bitmap> DecodeRefinement(codecs::MqDecoder& mq,
                                       codecs::MqContexts& contexts,
                                       const RefinementParams& params);

// Decoding stops once this many bytes past the data's end were made up (an end marker's fill
// counts too): the data is damaged and the rest of the bitmap stays white rather than costing
// time. A flushed stream reads at most two or three bytes past its last one.
inline constexpr std::size_t kMaxOverrun = 256;

}  // namespace pictrove::readers::jbig2
