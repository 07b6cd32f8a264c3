// Symbol dictionaries and text regions: symbols decoded as generic bitmaps, as refinements or
// aggregates of earlier symbols, or as one collective bitmap (Huffman); text regions place them
// strip by strip, optionally refined, through the arithmetic or the Huffman coder.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codecs/MqDecoder.h"
#include "Jbig2Arith.h"
#include "Jbig2Bitmap.h"
#include "Jbig2Huffman.h"

namespace pictrove::readers::jbig2 {

// Where the integers of a text region come from: the arithmetic decoder with its contexts, or
// a Huffman bit stream.
struct TextCoder {
    codecs::MqDecoder* mq = nullptr;
    IntegerSet* ints = nullptr;
    IdContexts* ids = nullptr;
    codecs::MqContexts* refinement = nullptr;
    BitStream* bits = nullptr;
};

enum class Corner : int { kBottomLeft = 0, kTopLeft = 1, kBottomRight = 2, kTopRight = 3 };

struct TextParams {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t instances = 0;
    int logStrips = 0;
    bool refine = false;
    int defaultPixel = 0;
    Combine op = Combine::kOr;
    bool transposed = false;
    Corner corner = Corner::kTopLeft;
    int dsOffset = 0;
    std::vector<const Bitmap*> symbols;
    int symbolCodeLength = 0;
    // Huffman only: the symbol id codes (raw symbolCodeLength-bit numbers when null) and the
    // tables of the other values.
    const HuffmanTable* symbolCodes = nullptr;
    const HuffmanTable* fs = nullptr;
    const HuffmanTable* ds = nullptr;
    const HuffmanTable* dt = nullptr;
    const HuffmanTable* rdw = nullptr;
    const HuffmanTable* rdh = nullptr;
    const HuffmanTable* rdx = nullptr;
    const HuffmanTable* rdy = nullptr;
    const HuffmanTable* rsize = nullptr;
    int refinementTemplate = 0;
    std::array<int, 4> refinementAt = {-1, -1, -1, -1};
};

std::optional<Bitmap> DecodeTextRegion(const TextParams& params, TextCoder& coder);

// Symbol ids of a Huffman text region: the run-length coded code lengths at the start of its
// data, read from bits; nothing when damaged.
std::optional<HuffmanTable> ReadSymbolCodes(BitStream& bits, std::uint32_t symbolCount);

struct SymbolDictParams {
    bool huffman = false;
    bool refineAggregate = false;
    int templ = 0;
    std::array<int, 8> at = {};
    int refinementTemplate = 0;
    std::array<int, 4> refinementAt = {-1, -1, -1, -1};
    std::uint32_t exported = 0;
    std::uint32_t newSymbols = 0;
    std::vector<const Bitmap*> inputs;
    const HuffmanTable* dh = nullptr;
    const HuffmanTable* dw = nullptr;
    const HuffmanTable* bitmapSize = nullptr;
    const HuffmanTable* aggregateInstances = nullptr;
    // Arithmetic contexts, possibly carried over from an earlier dictionary.
    codecs::MqContexts* generic = nullptr;
    codecs::MqContexts* refinement = nullptr;
};

// The exported symbols; nothing when the dictionary is damaged.
std::optional<std::vector<Bitmap>> DecodeSymbolDictionary(std::span<const std::uint8_t> data,
                                                          const SymbolDictParams& params);

// Bits of a symbol id for count symbols.
int SymbolCodeLength(std::uint64_t count);

// Bounds: symbols in one dictionary and instances in one region.
inline constexpr std::uint32_t kMaxSymbols = 1u << 20;
inline constexpr std::uint64_t kMaxDictionaryPixels = std::uint64_t{1} << 26;

}  // namespace pictrove::readers::jbig2
