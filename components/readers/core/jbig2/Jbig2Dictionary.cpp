// Symbol dictionaries: height classes of symbols, then the run-length coded export flags.
#include <algorithm>

#include "model/DecodedImage.h"
#include "Jbig2Generic.h"
#include "Jbig2Symbols.h"

namespace pictrove::readers::jbig2 {
namespace {

struct DictCoder {
    codecs::MqDecoder* mq = nullptr;
    BitStream* bits = nullptr;
    bool failed = false;

    std::optional<std::int32_t> Get(IntegerContexts& contexts, const HuffmanTable* table) {
        if (mq != nullptr) {
            if (mq->Overrun() > kMaxOverrun) failed = true;
            return contexts.Decode(*mq);
        }
        if (table == nullptr) {
            failed = true;
            return std::nullopt;
        }
        auto value = table->Decode(*bits, failed);
        if (bits->Overrun()) failed = true;
        return value;
    }
    std::int32_t Need(IntegerContexts& contexts, const HuffmanTable* table) {
        auto value = Get(contexts, table);
        if (!value) failed = true;
        return value.value_or(0);
    }
};

// Splits a collective bitmap of one height class into its symbols.
void SplitCollective(const Bitmap& collective, const std::vector<std::int64_t>& widths, std::vector<Bitmap>& symbols) {
    int x = 0;
    for (const std::int64_t width : widths) {
        symbols.push_back(collective.Crop(x, 0, static_cast<int>(width), collective.height));
        x += static_cast<int>(width);
    }
}

}  // namespace

std::optional<std::vector<Bitmap>> DecodeSymbolDictionary(std::span<const std::uint8_t> data,
                                                          const SymbolDictParams& params) {
    if (params.newSymbols > kMaxSymbols || params.exported > kMaxSymbols + params.inputs.size()) return std::nullopt;
    // Every symbol takes some of the data, even arithmetic-coded: a count far beyond what the
    // data could hold is damage, refused before a million symbols are decoded from nothing.
    if (params.newSymbols > 64 * (data.size() + 16)) return std::nullopt;
    const bool huffman = params.huffman;
    std::optional<codecs::MqDecoder> mq;
    std::optional<BitStream> bits;
    if (huffman)
        bits.emplace(data);
    else
        mq.emplace(data);
    DictCoder coder{mq ? &*mq : nullptr, bits ? &*bits : nullptr};
    IntegerSet ints;
    codecs::MqContexts localGeneric;
    codecs::MqContexts localRefinement;
    codecs::MqContexts& generic = params.generic != nullptr ? *params.generic : localGeneric;
    codecs::MqContexts& refinement = params.refinement != nullptr ? *params.refinement : localRefinement;
    if (!huffman && generic.Size() < GenericContextCount(params.templ))
        generic.Reset(GenericContextCount(params.templ));
    if (refinement.Size() < kRefinementContexts) refinement.Reset(kRefinementContexts);

    const std::uint64_t totalSymbols = std::uint64_t{params.inputs.size()} + params.newSymbols;
    const int codeLength = SymbolCodeLength(totalSymbols);
    IdContexts ids(std::min(codeLength, 24));
    std::vector<Bitmap> created;
    created.reserve(std::min<std::uint32_t>(params.newSymbols, 1u << 16));
    // Every symbol an aggregate may refer to: the inputs, then the new ones so far. Bitmaps
    // are kept by index, since created grows.
    auto symbolAt = [&](std::uint64_t index) -> const Bitmap* {
        if (index < params.inputs.size()) return params.inputs[static_cast<std::size_t>(index)];
        index -= params.inputs.size();
        return index < created.size() ? &created[static_cast<std::size_t>(index)] : nullptr;
    };
    std::uint64_t pixels = 0;
    // Symbol bitmaps compress well, but not beyond thousands of pixels a byte.
    const std::uint64_t pixelBudget = std::min<std::uint64_t>(kMaxDictionaryPixels, 4096 * (data.size() + 64));
    std::int64_t classHeight = 0;
    while (created.size() < params.newSymbols) {
        classHeight += coder.Need(ints.dh, params.dh);
        if (coder.failed || classHeight < 0 || classHeight > kMaxImageSide) return std::nullopt;
        std::int64_t symbolWidth = 0;
        std::int64_t totalWidth = 0;
        std::vector<std::int64_t> widths;
        for (;;) {
            const auto dw = coder.Get(ints.dw, params.dw);
            if (coder.failed) return std::nullopt;
            if (!dw) break;
            if (created.size() + widths.size() >= params.newSymbols) return std::nullopt;
            symbolWidth += *dw;
            totalWidth += symbolWidth;
            if (symbolWidth < 0 || totalWidth > kMaxImageSide * 16) return std::nullopt;
            pixels += static_cast<std::uint64_t>(symbolWidth) * static_cast<std::uint64_t>(classHeight);
            if (pixels > pixelBudget) return std::nullopt;
            if (huffman && !params.refineAggregate) {
                widths.push_back(symbolWidth);
                continue;
            }
            std::optional<Bitmap> symbol;
            if (!params.refineAggregate) {
                GenericParams bitmap;
                bitmap.width = symbolWidth;
                bitmap.height = classHeight;
                bitmap.templ = params.templ;
                bitmap.at = params.at;
                symbol = DecodeGeneric(*mq, generic, bitmap);
            } else {
                const std::int32_t instances = coder.Need(ints.ai, params.aggregateInstances);
                if (coder.failed || instances <= 0) return std::nullopt;
                if (instances == 1) {
                    std::uint32_t id = 0;
                    std::int32_t rdx = 0;
                    std::int32_t rdy = 0;
                    if (huffman) {
                        id = bits->Bits(codeLength);
                        rdx = coder.Need(ints.rdx, &HuffmanTable::Standard(15));
                        rdy = coder.Need(ints.rdy, &HuffmanTable::Standard(15));
                    } else {
                        id = ids.Decode(*mq);
                        rdx = coder.Need(ints.rdx, nullptr);
                        rdy = coder.Need(ints.rdy, nullptr);
                    }
                    const Bitmap* reference = symbolAt(id);
                    if (coder.failed || reference == nullptr) return std::nullopt;
                    RefinementParams refine;
                    refine.width = symbolWidth;
                    refine.height = classHeight;
                    refine.templ = params.refinementTemplate;
                    refine.reference = reference;
                    refine.dx = rdx;
                    refine.dy = rdy;
                    refine.at = params.refinementAt;
                    if (huffman) {
                        const std::int32_t size = coder.Need(ints.rsize, &HuffmanTable::Standard(1));
                        bits->Align();
                        const auto rest = bits->Rest();
                        if (coder.failed || size < 0 || static_cast<std::size_t>(size) > rest.size()) {
                            return std::nullopt;
                        }
                        codecs::MqDecoder local(rest.first(static_cast<std::size_t>(size)));
                        symbol = DecodeRefinement(local, refinement, refine);
                        bits->SkipBytes(static_cast<std::size_t>(size));
                    } else {
                        symbol = DecodeRefinement(*mq, refinement, refine);
                    }
                } else {
                    TextParams text;
                    text.width = symbolWidth;
                    text.height = classHeight;
                    text.instances = static_cast<std::uint32_t>(instances);
                    text.refine = true;
                    for (std::uint64_t i = 0; i < params.inputs.size() + created.size(); ++i) {
                        text.symbols.push_back(symbolAt(i));
                    }
                    text.symbolCodeLength = codeLength;
                    text.fs = &HuffmanTable::Standard(6);
                    text.ds = &HuffmanTable::Standard(8);
                    text.dt = &HuffmanTable::Standard(11);
                    text.rdw = text.rdh = text.rdx = text.rdy = &HuffmanTable::Standard(15);
                    text.rsize = &HuffmanTable::Standard(1);
                    text.refinementTemplate = params.refinementTemplate;
                    text.refinementAt = params.refinementAt;
                    TextCoder textCoder;
                    textCoder.refinement = &refinement;
                    if (huffman) {
                        textCoder.bits = &*bits;
                    } else {
                        textCoder.mq = &*mq;
                        textCoder.ints = &ints;
                        textCoder.ids = &ids;
                    }
                    symbol = DecodeTextRegion(text, textCoder);
                }
            }
            if (!symbol) return std::nullopt;
            created.push_back(std::move(*symbol));
        }
        if (huffman && !params.refineAggregate) {
            const std::int32_t size = coder.Need(ints.rsize, params.bitmapSize);
            bits->Align();
            const auto rest = bits->Rest();
            if (coder.failed || size < 0 || static_cast<std::size_t>(size) > rest.size()) return std::nullopt;
            std::optional<Bitmap> collective;
            if (size == 0) {
                // Stored uncompressed, rows padded to whole bytes.
                collective = Bitmap::Make(totalWidth, classHeight);
                if (!collective) return std::nullopt;
                const std::size_t rowBytes = static_cast<std::size_t>(totalWidth + 7) / 8;
                if (rowBytes * static_cast<std::size_t>(classHeight) > rest.size()) return std::nullopt;
                for (int y = 0; y < collective->height; ++y) {
                    for (int x = 0; x < collective->width; ++x) {
                        const std::uint8_t byte = rest[static_cast<std::size_t>(y) * rowBytes + (x >> 3)];
                        collective->Row(y)[x] = static_cast<std::uint8_t>((byte >> (7 - (x & 7))) & 1);
                    }
                }
                bits->SkipBytes(rowBytes * static_cast<std::size_t>(classHeight));
            } else {
                collective = DecodeGenericMmr(rest.first(static_cast<std::size_t>(size)), totalWidth, classHeight);
                if (!collective) return std::nullopt;
                bits->SkipBytes(static_cast<std::size_t>(size));
            }
            SplitCollective(*collective, widths, created);
        }
    }

    // Export flags: runs that alternate between not exported and exported.
    std::vector<Bitmap> exported;
    exported.reserve(std::min<std::uint32_t>(params.exported, 1u << 16));
    std::uint64_t index = 0;
    bool exporting = false;
    for (std::uint64_t runs = 0; index < totalSymbols; ++runs) {
        if (runs > 2 * totalSymbols + 2) return std::nullopt;  // empty runs going nowhere
        const std::int32_t run = coder.Need(ints.ex, &HuffmanTable::Standard(1));
        if (coder.failed || run < 0 || index + static_cast<std::uint64_t>(run) > totalSymbols) return std::nullopt;
        if (exporting) {
            for (std::int32_t i = 0; i < run; ++i) exported.push_back(*symbolAt(index + static_cast<std::uint64_t>(i)));
        }
        index += static_cast<std::uint64_t>(run);
        exporting = !exporting;
    }
    if (exported.size() != params.exported) return std::nullopt;
    return exported;
}

}  // namespace pictrove::readers::jbig2
