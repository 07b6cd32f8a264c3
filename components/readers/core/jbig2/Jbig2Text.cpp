// Text regions: symbol instances placed strip by strip.
#include <algorithm>

#include "Jbig2Generic.h"
#include "Jbig2Symbols.h"

namespace pictrove::readers::jbig2 {
namespace {

// Most pixels all instances of one region may draw together: a small stream cannot make the
// reader draw a large symbol millions of times.
constexpr std::uint64_t kMaxDrawnPixels = std::uint64_t{1} << 28;

// One integer of the region, arithmetic or Huffman; false on damage or an unexpected OOB.
struct Reader {
    TextCoder& coder;
    bool failed = false;

    std::optional<std::int32_t> Get(IntegerContexts& contexts, const HuffmanTable* table) {
        if (coder.mq != nullptr) {
            if (coder.mq->Overrun() > kMaxOverrun) failed = true;
            return contexts.Decode(*coder.mq);
        }
        if (table == nullptr) {
            failed = true;
            return std::nullopt;
        }
        auto value = table->Decode(*coder.bits, failed);
        if (coder.bits->Overrun()) failed = true;
        return value;
    }
    std::int32_t Need(IntegerContexts& contexts, const HuffmanTable* table) {
        auto value = Get(contexts, table);
        if (!value) failed = true;
        return value.value_or(0);
    }
};

}  // namespace

int SymbolCodeLength(std::uint64_t count) {
    int length = 0;
    while ((std::uint64_t{1} << length) < count) ++length;
    return length;
}

std::optional<HuffmanTable> ReadSymbolCodes(BitStream& bits, std::uint32_t symbolCount) {
    std::vector<HuffmanLine> runCodes(35);
    for (int i = 0; i < 35; ++i) runCodes[static_cast<std::size_t>(i)] = {static_cast<int>(bits.Bits(4)), 0, i};
    auto runTable = HuffmanTable::Build(std::move(runCodes));
    if (!runTable) return std::nullopt;
    std::vector<HuffmanLine> lines;
    lines.reserve(std::min<std::uint32_t>(symbolCount, 1u << 16));
    bool failed = false;
    while (lines.size() < symbolCount) {
        const auto code = runTable->Decode(bits, failed);
        if (!code || failed || bits.Overrun()) return std::nullopt;
        int length = 0;
        std::uint32_t repeat = 1;
        if (*code < 32) {
            length = *code;
        } else if (*code == 32) {
            if (lines.empty()) return std::nullopt;
            length = lines.back().prefixLength;
            repeat = 3 + bits.Bits(2);
        } else if (*code == 33) {
            repeat = 3 + bits.Bits(3);
        } else {
            repeat = 11 + bits.Bits(7);
        }
        for (std::uint32_t i = 0; i < repeat && lines.size() < symbolCount; ++i) {
            lines.push_back({length, 0, static_cast<std::int32_t>(lines.size())});
        }
    }
    bits.Align();
    return HuffmanTable::Build(std::move(lines));
}

std::optional<Bitmap> DecodeTextRegion(const TextParams& params, TextCoder& coder) {
    auto made = Bitmap::Make(params.width, params.height, params.defaultPixel);
    if (!made) return std::nullopt;
    Bitmap& region = *made;
    IntegerSet localInts;
    IntegerSet& ints = coder.ints != nullptr ? *coder.ints : localInts;
    Reader read{coder};
    const std::int64_t strips = std::int64_t{1} << params.logStrips;
    std::int64_t stripT = -std::int64_t{read.Need(ints.dt, params.dt)} * strips;
    std::int64_t firstS = 0;
    std::uint32_t placed = 0;
    std::uint64_t drawn = 0;
    const bool huffman = coder.mq == nullptr;
    while (placed < params.instances && !read.failed) {
        stripT += std::int64_t{read.Need(ints.dt, params.dt)} * strips;
        bool first = true;
        std::int64_t curS = 0;
        // A strip runs to its out-of-band S value, read after its last instance too.
        while (!read.failed) {
            if (placed >= params.instances && !first) {
                const auto ds = read.Get(ints.ds, params.ds);
                if (ds) read.failed = true;  // more instances than the region declared
                break;
            }
            if (first) {
                firstS += read.Need(ints.fs, params.fs);
                curS = firstS;
                first = false;
            } else {
                const auto ds = read.Get(ints.ds, params.ds);
                if (!ds) break;  // the strip's end
                curS += *ds + params.dsOffset;
            }
            std::int64_t curT = 0;
            if (strips > 1) {
                curT = huffman ? coder.bits->Bits(params.logStrips) : read.Need(ints.it, nullptr);
            }
            const std::int64_t t = stripT + curT;
            std::uint32_t id = 0;
            if (huffman) {
                if (params.symbolCodes != nullptr) {
                    id = static_cast<std::uint32_t>(read.Need(ints.it, params.symbolCodes));
                } else {
                    id = coder.bits->Bits(params.symbolCodeLength);
                }
            } else {
                if (coder.ids == nullptr) return std::nullopt;
                id = coder.ids->Decode(*coder.mq);
            }
            if (read.failed || id >= params.symbols.size()) return std::nullopt;
            const Bitmap* symbol = params.symbols[id];
            int refined = 0;
            if (params.refine) refined = huffman ? coder.bits->Bit() : read.Need(ints.ri, nullptr);
            std::optional<Bitmap> refinedBitmap;
            if (refined) {
                const std::int32_t rdw = read.Need(ints.rdw, params.rdw);
                const std::int32_t rdh = read.Need(ints.rdh, params.rdh);
                const std::int32_t rdx = read.Need(ints.rdx, params.rdx);
                const std::int32_t rdy = read.Need(ints.rdy, params.rdy);
                if (read.failed || coder.refinement == nullptr) return std::nullopt;
                RefinementParams refine;
                refine.width = std::int64_t{symbol->width} + rdw;
                refine.height = std::int64_t{symbol->height} + rdh;
                refine.templ = params.refinementTemplate;
                refine.reference = symbol;
                refine.dx = static_cast<int>((rdw >> 1) + rdx);
                refine.dy = static_cast<int>((rdh >> 1) + rdy);
                refine.at = params.refinementAt;
                if (huffman) {
                    const std::int32_t size = read.Need(ints.rsize, params.rsize);
                    coder.bits->Align();
                    const auto rest = coder.bits->Rest();
                    if (read.failed || size < 0 || static_cast<std::size_t>(size) > rest.size()) return std::nullopt;
                    codecs::MqDecoder mq(rest.first(static_cast<std::size_t>(size)));
                    refinedBitmap = DecodeRefinement(mq, *coder.refinement, refine);
                    coder.bits->SkipBytes(static_cast<std::size_t>(size));
                } else {
                    refinedBitmap = DecodeRefinement(*coder.mq, *coder.refinement, refine);
                }
                if (!refinedBitmap) return std::nullopt;
                symbol = &*refinedBitmap;
            }
            const std::int64_t w = symbol->width;
            const std::int64_t h = symbol->height;
            const bool right = params.corner == Corner::kTopRight || params.corner == Corner::kBottomRight;
            const bool bottom = params.corner == Corner::kBottomLeft || params.corner == Corner::kBottomRight;
            if (!params.transposed && right) curS += w - 1;
            if (params.transposed && bottom) curS += h - 1;
            const std::int64_t s = curS;
            std::int64_t x = 0;
            std::int64_t y = 0;
            if (!params.transposed) {
                x = right ? s - w + 1 : s;
                y = bottom ? t - h + 1 : t;
            } else {
                x = right ? t - w + 1 : t;
                y = bottom ? s - h + 1 : s;
            }
            drawn += static_cast<std::uint64_t>(w * h) + 1;
            if (drawn > kMaxDrawnPixels) return std::nullopt;
            region.Compose(*symbol, x, y, params.op);
            if (!params.transposed && !right) curS += w - 1;
            if (params.transposed && !bottom) curS += h - 1;
            ++placed;
        }
    }
    if (read.failed && placed == 0 && params.instances > 0) return std::nullopt;
    return made;
}

}  // namespace pictrove::readers::jbig2
