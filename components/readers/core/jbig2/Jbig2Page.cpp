// Decoding one page: its segments and the global ones, in order, each region composed onto the
// page as it is decoded. Results of dictionaries, tables and intermediate regions are kept by
// segment number for the segments that refer to them; nothing is followed recursively.
#include <algorithm>
#include <map>
#include <memory>

#include "model/DecodedImage.h"
#include "Jbig2Document.h"
#include "Jbig2Generic.h"
#include "Jbig2Halftone.h"
#include "Jbig2Symbols.h"

namespace pictrove::readers::jbig2 {
namespace {

enum SegmentType : int {
    kSymbolDictionary = 0,
    kIntermediateText = 4,
    kImmediateText = 6,
    kImmediateLosslessText = 7,
    kPatternDictionary = 16,
    kIntermediateHalftone = 20,
    kImmediateHalftone = 22,
    kImmediateLosslessHalftone = 23,
    kIntermediateGeneric = 36,
    kImmediateGeneric = 38,
    kImmediateLosslessGeneric = 39,
    kIntermediateRefinement = 40,
    kImmediateRefinement = 42,
    kImmediateLosslessRefinement = 43,
    kPageInformation = 48,
    kEndOfPage = 49,
    kEndOfStripe = 50,
    kTables = 53,
};

std::uint32_t U32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) << 24 | static_cast<std::uint32_t>(data[at + 1]) << 16 |
           static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
}
int S8(std::uint8_t value) {
    return static_cast<std::int8_t>(value);
}

struct RegionInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    Combine op = Combine::kOr;
};

// A region may reach past its page, but not by much: one far larger than the page it is
// drawn on only costs time and memory.
bool FitsPage(const RegionInfo& info, const Bitmap& page, bool unknownHeight) {
    const std::uint64_t pageHeight = unknownHeight ? kMaxImageSide : static_cast<std::uint64_t>(page.height);
    const std::uint64_t limit = 4 * static_cast<std::uint64_t>(page.width) * pageHeight + 65536;
    const std::uint64_t height = info.height == 0xFFFFFFFF ? 0 : info.height;
    return std::uint64_t{info.width} * height <= limit;
}

std::optional<RegionInfo> ReadRegionInfo(std::span<const std::uint8_t> data) {
    if (data.size() < 17) return std::nullopt;
    RegionInfo info;
    info.width = U32(data, 0);
    info.height = U32(data, 4);
    info.x = static_cast<std::int32_t>(U32(data, 8));
    info.y = static_cast<std::int32_t>(U32(data, 12));
    info.op = static_cast<Combine>(std::min(data[16] & 7, 4));
    if (info.width > kMaxImageSide || (info.height > kMaxImageSide && info.height != 0xFFFFFFFF)) return std::nullopt;
    return info;
}

struct Result {
    std::vector<Bitmap> bitmaps;  // exported symbols, or patterns
    std::optional<HuffmanTable> table;
    std::optional<Bitmap> region;  // an intermediate region
    RegionInfo info;
    std::shared_ptr<codecs::MqContexts> generic;  // retained by a symbol dictionary
    std::shared_ptr<codecs::MqContexts> refinement;
};

class PageDecoder {
  public:
    explicit PageDecoder(std::uint32_t page) : page_(page) {}

    bool Run(const std::vector<Segment>& segments);
    std::optional<Bitmap> Take() { return std::move(bitmap_); }

  private:
    void PageInformation(const Segment& segment);
    void Place(const Bitmap& region, const RegionInfo& info, bool intermediate, const Segment& segment);
    void Generic(const Segment& segment);
    void Refinement(const Segment& segment);
    void Text(const Segment& segment);
    void SymbolDictionary(const Segment& segment);
    void Halftone(const Segment& segment);
    std::vector<const HuffmanTable*> Tables(const Segment& segment) const;
    std::vector<const Bitmap*> Symbols(const Segment& segment, int type) const;
    const Result* Find(std::uint32_t number) const {
        const auto found = results_.find(number);
        return found == results_.end() ? nullptr : &found->second;
    }

    std::uint32_t page_;
    std::optional<Bitmap> bitmap_;
    bool unknownHeight_ = false;
    int defaultPixel_ = 0;
    bool done_ = false;
    std::map<std::uint32_t, Result> results_;
};

bool PageDecoder::Run(const std::vector<Segment>& segments) {
    for (const auto& segment : segments) {
        if (done_) break;
        if (segment.page != page_ && segment.page != 0) continue;
        switch (segment.type) {
            case kPageInformation:
                if (!bitmap_) PageInformation(segment);
                break;
            case kEndOfPage:
                if (segment.page == page_) done_ = true;
                break;
            case kEndOfStripe:
                if (bitmap_ && unknownHeight_ && segment.data.size() >= 4) {
                    bitmap_->GrowTo(std::int64_t{U32(segment.data, 0)} + 1, defaultPixel_);
                }
                break;
            case kSymbolDictionary:
                SymbolDictionary(segment);
                break;
            case kIntermediateText:
            case kImmediateText:
            case kImmediateLosslessText:
                Text(segment);
                break;
            case kPatternDictionary:
                if (auto patterns = DecodePatternDictionary(segment.data))
                    results_[segment.number].bitmaps = std::move(*patterns);
                break;
            case kIntermediateHalftone:
            case kImmediateHalftone:
            case kImmediateLosslessHalftone:
                Halftone(segment);
                break;
            case kIntermediateGeneric:
            case kImmediateGeneric:
            case kImmediateLosslessGeneric:
                Generic(segment);
                break;
            case kIntermediateRefinement:
            case kImmediateRefinement:
            case kImmediateLosslessRefinement:
                Refinement(segment);
                break;
            case kTables:
                if (auto table = HuffmanTable::Parse(segment.data)) results_[segment.number].table = std::move(*table);
                break;
            default:
                break;  // profiles, extensions, end of file and unknown types carry no pixels
        }
    }
    return bitmap_.has_value();
}

void PageDecoder::PageInformation(const Segment& segment) {
    if (segment.data.size() < 19 || segment.page != page_) return;
    const std::uint32_t width = U32(segment.data, 0);
    std::uint32_t height = U32(segment.data, 4);
    const int flags = segment.data[16];
    defaultPixel_ = (flags >> 2) & 1;
    unknownHeight_ = height == 0xFFFFFFFF;
    if (unknownHeight_) height = 0;
    bitmap_ = Bitmap::Make(width, height, defaultPixel_);
}

void PageDecoder::Place(const Bitmap& region, const RegionInfo& info, bool intermediate, const Segment& segment) {
    if (intermediate) {
        Result& result = results_[segment.number];
        result.region = region;
        result.info = info;
        return;
    }
    if (!bitmap_) return;
    if (unknownHeight_) {
        bitmap_->GrowTo(std::int64_t{info.y} + std::max<std::int64_t>(region.height, info.height), defaultPixel_);
    }
    bitmap_->Compose(region, info.x, info.y, info.op);
    // A region cut short by damaged data: the rows it never reached are white.
    if (region.height < std::int64_t{info.height}) {
        bitmap_->ComposeWhite(info.x, std::int64_t{info.y} + region.height, region.width,
                              std::int64_t{info.height} - region.height, info.op);
    }
}

void PageDecoder::Generic(const Segment& segment) {
    auto info = ReadRegionInfo(segment.data);
    if (!info || segment.data.size() < 18 || !bitmap_ || !FitsPage(*info, *bitmap_, unknownHeight_)) return;
    const int flags = segment.data[17];
    const bool mmr = flags & 1;
    GenericParams params;
    params.templ = (flags >> 1) & 3;
    params.typicalPrediction = (flags >> 3) & 1;
    std::size_t at = 18;
    if (!mmr) {
        const std::size_t count = params.templ == 0 ? 8 : 2;
        if (segment.data.size() < at + count) return;
        for (std::size_t i = 0; i < count; ++i) params.at[i] = S8(segment.data[at + i]);
        at += count;
    }
    auto body = segment.data.subspan(at);
    std::uint32_t height = info->height;
    if (segment.unknownLength && body.size() >= 6) {
        // The rows actually coded follow the end marker.
        height = std::min(height, U32(body, body.size() - 4));
        body = body.first(body.size() - 6);
    }
    info->height = height;
    if (height == 0xFFFFFFFF || !FitsPage(*info, *bitmap_, unknownHeight_)) return;
    params.width = info->width;
    params.height = height;
    std::optional<Bitmap> region;
    if (mmr) {
        region = DecodeGenericMmr(body, info->width, height);
    } else {
        codecs::MqDecoder mq(body);
        codecs::MqContexts contexts(GenericContextCount(params.templ));
        params.mayEndShort = true;
        region = DecodeGeneric(mq, contexts, params);
    }
    if (region) Place(*region, *info, segment.type == kIntermediateGeneric, segment);
}

void PageDecoder::Refinement(const Segment& segment) {
    auto info = ReadRegionInfo(segment.data);
    if (!info || segment.data.size() < 18 || info->height == 0xFFFFFFFF || !bitmap_ ||
        !FitsPage(*info, *bitmap_, unknownHeight_)) {
        return;
    }
    const int flags = segment.data[17];
    RefinementParams params;
    params.templ = flags & 1;
    params.typicalPrediction = (flags >> 1) & 1;
    std::size_t at = 18;
    if (params.templ == 0) {
        if (segment.data.size() < at + 4) return;
        for (std::size_t i = 0; i < 4; ++i) params.at[i] = S8(segment.data[at + i]);
        at += 4;
    }
    // The reference: an intermediate region it refers to, else what the page holds there.
    std::optional<Bitmap> pagePart;
    const Bitmap* reference = nullptr;
    for (const auto number : segment.referred) {
        const Result* result = Find(number);
        if (result != nullptr && result->region) reference = &*result->region;
    }
    if (reference == nullptr) {
        if (!bitmap_ || std::uint64_t{info->width} * info->height > kMaxBitmapPixels) return;
        pagePart = bitmap_->Crop(info->x, info->y, static_cast<int>(info->width), static_cast<int>(info->height));
        reference = &*pagePart;
    }
    params.width = info->width;
    params.height = info->height;
    params.reference = reference;
    codecs::MqDecoder mq(segment.data.subspan(at));
    codecs::MqContexts contexts(kRefinementContexts);
    auto region = DecodeRefinement(mq, contexts, params);
    if (!region) return;
    // A refinement of the page meets it with the region's operator like any region (writers
    // give it REPLACE when the refined pixels are to stand alone).
    Place(*region, *info, segment.type == kIntermediateRefinement, segment);
}

std::vector<const HuffmanTable*> PageDecoder::Tables(const Segment& segment) const {
    std::vector<const HuffmanTable*> tables;
    for (const auto number : segment.referred) {
        const Result* result = Find(number);
        if (result != nullptr && result->table) tables.push_back(&*result->table);
    }
    return tables;
}

std::vector<const Bitmap*> PageDecoder::Symbols(const Segment& segment, int type) const {
    std::vector<const Bitmap*> symbols;
    for (const auto number : segment.referred) {
        const Result* result = Find(number);
        if (result == nullptr || result->region) continue;
        (void)type;
        for (const auto& bitmap : result->bitmaps) symbols.push_back(&bitmap);
    }
    return symbols;
}

// Picks the standard table of a selector value, or the next custom table for value custom.
const HuffmanTable* SelectTable(int value,
                                std::initializer_list<int> standard,
                                int custom,
                                const std::vector<const HuffmanTable*>& tables,
                                std::size_t& next) {
    if (value == custom) return next < tables.size() ? tables[next++] : nullptr;
    if (value < 0 || static_cast<std::size_t>(value) >= standard.size()) return nullptr;
    return &HuffmanTable::Standard(*(standard.begin() + value));
}

void PageDecoder::SymbolDictionary(const Segment& segment) {
    const auto data = segment.data;
    if (data.size() < 2) return;
    const int flags = data[0] << 8 | data[1];
    SymbolDictParams params;
    params.huffman = flags & 1;
    params.refineAggregate = (flags >> 1) & 1;
    params.templ = (flags >> 10) & 3;
    params.refinementTemplate = (flags >> 12) & 1;
    const bool contextUsed = (flags >> 8) & 1;
    const bool contextRetained = (flags >> 9) & 1;
    std::size_t at = 2;
    if (!params.huffman) {
        const std::size_t count = params.templ == 0 ? 8 : 2;
        if (data.size() < at + count) return;
        for (std::size_t i = 0; i < count; ++i) params.at[i] = S8(data[at + i]);
        at += count;
    }
    if (params.refineAggregate && params.refinementTemplate == 0) {
        if (data.size() < at + 4) return;
        for (std::size_t i = 0; i < 4; ++i) params.refinementAt[i] = S8(data[at + i]);
        at += 4;
    }
    if (data.size() < at + 8) return;
    params.exported = U32(data, at);
    params.newSymbols = U32(data, at + 4);
    at += 8;
    params.inputs = Symbols(segment, kSymbolDictionary);
    if (params.huffman) {
        const auto tables = Tables(segment);
        std::size_t next = 0;
        params.dh = SelectTable((flags >> 2) & 3, {4, 5}, 3, tables, next);
        params.dw = SelectTable((flags >> 4) & 3, {2, 3}, 3, tables, next);
        params.bitmapSize = SelectTable((flags >> 6) & 1, {1}, 1, tables, next);
        params.aggregateInstances = SelectTable((flags >> 7) & 1, {1}, 1, tables, next);
        if (params.dh == nullptr || params.dw == nullptr || params.bitmapSize == nullptr ||
            params.aggregateInstances == nullptr) {
            return;
        }
    }
    auto generic = std::make_shared<codecs::MqContexts>();
    auto refinement = std::make_shared<codecs::MqContexts>();
    if (contextUsed) {
        // The contexts the last dictionary it refers to left behind.
        for (const auto number : segment.referred) {
            const Result* result = Find(number);
            if (result != nullptr && result->generic) {
                *generic = *result->generic;
                *refinement = *result->refinement;
            }
        }
    }
    params.generic = generic.get();
    params.refinement = refinement.get();
    auto symbols = DecodeSymbolDictionary(data.subspan(at), params);
    if (!symbols) return;
    Result& result = results_[segment.number];
    result.bitmaps = std::move(*symbols);
    if (contextRetained) {
        result.generic = std::move(generic);
        result.refinement = std::move(refinement);
    }
}

void PageDecoder::Text(const Segment& segment) {
    auto info = ReadRegionInfo(segment.data);
    const auto data = segment.data;
    if (!info || data.size() < 19 || info->height == 0xFFFFFFFF || !bitmap_ ||
        !FitsPage(*info, *bitmap_, unknownHeight_)) {
        return;
    }
    const int flags = data[17] << 8 | data[18];
    TextParams params;
    params.width = info->width;
    params.height = info->height;
    const bool huffman = flags & 1;
    params.refine = (flags >> 1) & 1;
    params.logStrips = (flags >> 2) & 3;
    params.corner = static_cast<Corner>((flags >> 4) & 3);
    params.transposed = (flags >> 6) & 1;
    params.op = static_cast<Combine>(std::min((flags >> 7) & 3, 4));
    params.defaultPixel = (flags >> 9) & 1;
    params.dsOffset = (flags >> 10) & 31;
    if (params.dsOffset > 15) params.dsOffset -= 32;
    params.refinementTemplate = (flags >> 15) & 1;
    std::size_t at = 19;
    int huffmanFlags = 0;
    if (huffman) {
        if (data.size() < at + 2) return;
        huffmanFlags = data[at] << 8 | data[at + 1];
        at += 2;
    }
    if (params.refine && params.refinementTemplate == 0) {
        if (data.size() < at + 4) return;
        for (std::size_t i = 0; i < 4; ++i) params.refinementAt[i] = S8(data[at + i]);
        at += 4;
    }
    if (data.size() < at + 4) return;
    params.instances = U32(data, at);
    at += 4;
    params.symbols = Symbols(segment, kIntermediateText);
    params.symbolCodeLength = SymbolCodeLength(params.symbols.size());
    const auto body = data.subspan(at);
    codecs::MqContexts refinement(kRefinementContexts);
    std::optional<Bitmap> region;
    if (huffman) {
        const auto tables = Tables(segment);
        std::size_t next = 0;
        params.fs = SelectTable(huffmanFlags & 3, {6, 7}, 3, tables, next);
        params.ds = SelectTable((huffmanFlags >> 2) & 3, {8, 9, 10}, 3, tables, next);
        params.dt = SelectTable((huffmanFlags >> 4) & 3, {11, 12, 13}, 3, tables, next);
        params.rdw = SelectTable((huffmanFlags >> 6) & 3, {14, 15}, 3, tables, next);
        params.rdh = SelectTable((huffmanFlags >> 8) & 3, {14, 15}, 3, tables, next);
        params.rdx = SelectTable((huffmanFlags >> 10) & 3, {14, 15}, 3, tables, next);
        params.rdy = SelectTable((huffmanFlags >> 12) & 3, {14, 15}, 3, tables, next);
        params.rsize = SelectTable((huffmanFlags >> 14) & 1, {1}, 1, tables, next);
        if (!params.fs || !params.ds || !params.dt || !params.rdw || !params.rdh || !params.rdx || !params.rdy ||
            !params.rsize) {
            return;
        }
        BitStream bits(body);
        auto codes = ReadSymbolCodes(bits, static_cast<std::uint32_t>(params.symbols.size()));
        if (!codes) return;
        params.symbolCodes = &*codes;
        TextCoder coder;
        coder.bits = &bits;
        coder.refinement = &refinement;
        region = DecodeTextRegion(params, coder);
    } else {
        codecs::MqDecoder mq(body);
        IntegerSet ints;
        IdContexts ids(std::min(params.symbolCodeLength, 24));
        TextCoder coder;
        coder.mq = &mq;
        coder.ints = &ints;
        coder.ids = &ids;
        coder.refinement = &refinement;
        region = DecodeTextRegion(params, coder);
    }
    if (region) Place(*region, *info, segment.type == kIntermediateText, segment);
}

void PageDecoder::Halftone(const Segment& segment) {
    auto info = ReadRegionInfo(segment.data);
    if (!info || info->height == 0xFFFFFFFF || !bitmap_ || !FitsPage(*info, *bitmap_, unknownHeight_)) return;
    std::size_t used = 0;
    auto params = ReadHalftoneParams(segment.data.subspan(17), used);
    if (!params) return;
    params->width = info->width;
    params->height = info->height;
    std::vector<const Bitmap*> patterns;
    for (const auto number : segment.referred) {
        const Result* result = Find(number);
        if (result != nullptr && !result->bitmaps.empty()) {
            patterns.clear();
            for (const auto& bitmap : result->bitmaps) patterns.push_back(&bitmap);
        }
    }
    auto region = DecodeHalftoneRegion(segment.data.subspan(17 + used), *params, patterns);
    if (region) Place(*region, *info, segment.type == kIntermediateHalftone, segment);
}

}  // namespace

std::optional<Bitmap> Jbig2Document::DecodePage(std::size_t index) const {
    if (index >= pages_.size()) return std::nullopt;
    PageDecoder decoder(pages_[index].page);
    decoder.Run(segments_);
    auto page = decoder.Take();
    if (page && page->height == 0) return std::nullopt;
    return page;
}

}  // namespace pictrove::readers::jbig2
