// Generic and refinement bitmaps. Context bits are laid out as the coder's context numbers
// expect, since typical prediction decodes its flag under one fixed context number that it
// shares with the pixels.
#include "Jbig2Generic.h"

#include <algorithm>
#include <cstring>

#include "codecs/Ccitt.h"

namespace pictrove::readers::jbig2 {
namespace {

struct Window {
    int left = 0;   // pixels left of x
    int right = 0;  // pixels right of x
    int shift = 0;  // where its bits go in the context
    bool used = false;
};

struct TemplateLayout {
    Window rows[3];  // y - 2, y - 1, y (the current row has no right part)
    int atCount = 0;
    int atShift[4] = {};
    std::uint32_t sltp = 0;
};

const TemplateLayout kLayouts[4] = {
    {{{1, 1, 12, true}, {2, 2, 5, true}, {4, 0, 0, true}}, 4, {4, 10, 11, 15}, 0x9B25},
    {{{1, 2, 9, true}, {2, 2, 4, true}, {3, 0, 0, true}}, 1, {3}, 0x0795},
    {{{1, 1, 7, true}, {2, 1, 3, true}, {2, 0, 0, true}}, 1, {2}, 0x00E5},
    {{{0, 0, 0, false}, {3, 1, 5, true}, {4, 0, 0, true}}, 1, {4}, 0x0195},
};

std::uint32_t StartWindow(const Bitmap& bitmap, const Window& window, int y) {
    std::uint32_t value = 0;
    for (int i = -window.left; i <= window.right; ++i)
        value = (value << 1) | static_cast<std::uint32_t>(bitmap.Get(i, y));
    return value;
}

// Adds a white row at the bottom of a bitmap decoded row by row. The storage grows by doubling,
// never past the declared size, so a region whose data stops early costs only the rows it
// reached, and a complete one is moved at most a few times.
void AddRow(Bitmap& bitmap, int declaredHeight) {
    const std::size_t width = static_cast<std::size_t>(bitmap.width);
    const std::size_t need = width * static_cast<std::size_t>(bitmap.height + 1);
    if (need > bitmap.pixels.capacity()) {
        const std::size_t declared = width * static_cast<std::size_t>(declaredHeight);
        bitmap.pixels.reserve(std::min(declared, std::max({need, 2 * bitmap.pixels.capacity(), width * 64})));
    }
    bitmap.pixels.resize(need, 0);
    ++bitmap.height;
}

}  // namespace

std::array<int, 8> NominalAdaptivePixels(int templ) {
    if (templ == 0) return {3, -1, -3, -1, 2, -2, -2, -2};
    if (templ == 1) return {3, -1, 0, 0, 0, 0, 0, 0};
    return {2, -1, 0, 0, 0, 0, 0, 0};
}

std::size_t GenericContextCount(int templ) {
    return templ == 0 ? std::size_t{1} << 16 : templ == 1 ? std::size_t{1} << 13 : std::size_t{1} << 10;
}

namespace {

// Template 0 with its adaptive pixels where they usually are, as most encoders leave them: the
// two rows above are held in windows wide enough to take the adaptive pixels too.
void DecodeNominalTemplate0(codecs::MqDecoder& mq,
                            codecs::MqContexts& contexts,
                            bool typical,
                            int height,
                            Bitmap& bitmap) {
    const int width = bitmap.width;
    int ltp = 0;
    for (int y = 0; y < height; ++y) {
        if (mq.Overrun() > kMaxOverrun) break;
        AddRow(bitmap, height);
        if (typical) {
            ltp ^= mq.Decode(contexts[kLayouts[0].sltp]);
            if (ltp) {
                if (y > 0 && width > 0) std::memcpy(bitmap.Row(y), bitmap.Row(y - 1), static_cast<std::size_t>(width));
                continue;
            }
        }
        const std::uint8_t* above = y >= 1 ? bitmap.Row(y - 1) : nullptr;
        const std::uint8_t* above2 = y >= 2 ? bitmap.Row(y - 2) : nullptr;
        auto at = [width](const std::uint8_t* row, int x) -> std::uint32_t {
            return row != nullptr && x < width ? row[x] : 0;
        };
        std::uint32_t w2 = at(above2, 0) << 2 | at(above2, 1) << 1 | at(above2, 2);                   // x-2 .. x+2
        std::uint32_t w1 = at(above, 0) << 3 | at(above, 1) << 2 | at(above, 2) << 1 | at(above, 3);  // x-3 .. x+3
        std::uint32_t w0 = 0;
        std::uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t context = (w0 & 15) | (w1 & 1) << 4 | ((w1 >> 1) & 31) << 5 | ((w1 >> 6) & 1) << 10 |
                                          (w2 & 1) << 11 | ((w2 >> 1) & 7) << 12 | ((w2 >> 4) & 1) << 15;
            const int pixel = mq.Decode(contexts[context]);
            row[x] = static_cast<std::uint8_t>(pixel);
            w0 = (w0 << 1) | static_cast<std::uint32_t>(pixel);
            w1 = ((w1 << 1) | at(above, x + 4)) & 127;
            w2 = ((w2 << 1) | at(above2, x + 3)) & 31;
        }
    }
}

}  // namespace

std::optional<Bitmap> DecodeGeneric(codecs::MqDecoder& mq, codecs::MqContexts& contexts, const GenericParams& params) {
    if (params.templ < 0 || params.templ > 3 || !Bitmap::Make(params.width, params.height, 0, false)) {
        return std::nullopt;
    }
    auto made = Bitmap::Make(params.width, 0);
    Bitmap& bitmap = *made;
    const int height = static_cast<int>(params.height);
    // Whatever the caller asked for, the bitmap has its declared height in the end.
    const auto finish = [&] {
        if (!params.mayEndShort) bitmap.GrowTo(height, 0);
        return made;
    };
    if (contexts.Size() < GenericContextCount(params.templ)) contexts.Reset(GenericContextCount(params.templ));
    if (params.templ == 0 && params.skip == nullptr && params.at == NominalAdaptivePixels(0)) {
        DecodeNominalTemplate0(mq, contexts, params.typicalPrediction, height, bitmap);
        return finish();
    }
    const TemplateLayout& layout = kLayouts[params.templ];
    const std::uint32_t mask2 = (1u << (layout.rows[0].left + layout.rows[0].right + 1)) - 1;
    const std::uint32_t mask1 = (1u << (layout.rows[1].left + layout.rows[1].right + 1)) - 1;
    const std::uint32_t mask0 = (1u << layout.rows[2].left) - 1;
    int ltp = 0;
    for (int y = 0; y < height; ++y) {
        if (mq.Overrun() > kMaxOverrun) break;
        AddRow(bitmap, height);
        if (params.typicalPrediction) {
            ltp ^= mq.Decode(contexts[layout.sltp]);
            if (ltp) {
                if (y > 0 && bitmap.width > 0) {
                    std::memcpy(bitmap.Row(y), bitmap.Row(y - 1), static_cast<std::size_t>(bitmap.width));
                }
                continue;
            }
        }
        std::uint32_t w2 = layout.rows[0].used ? StartWindow(bitmap, layout.rows[0], y - 2) : 0;
        std::uint32_t w1 = StartWindow(bitmap, layout.rows[1], y - 1);
        std::uint32_t w0 = 0;
        std::uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.width; ++x) {
            std::uint32_t context = ((w2 & mask2) << layout.rows[0].shift) | ((w1 & mask1) << layout.rows[1].shift) |
                                    ((w0 & mask0) << layout.rows[2].shift);
            for (int a = 0; a < layout.atCount; ++a) {
                context |= static_cast<std::uint32_t>(bitmap.Get(x + params.at[2 * a], y + params.at[2 * a + 1]))
                           << layout.atShift[a];
            }
            int pixel = 0;
            if (params.skip == nullptr || !params.skip->Get(x, y)) pixel = mq.Decode(contexts[context]);
            row[x] = static_cast<std::uint8_t>(pixel);
            if (layout.rows[0].used)
                w2 = (w2 << 1) | static_cast<std::uint32_t>(bitmap.Get(x + layout.rows[0].right + 1, y - 2));
            w1 = (w1 << 1) | static_cast<std::uint32_t>(bitmap.Get(x + layout.rows[1].right + 1, y - 1));
            w0 = (w0 << 1) | static_cast<std::uint32_t>(pixel);
        }
    }
    return finish();
}

std::optional<Bitmap> DecodeGenericMmr(std::span<const std::uint8_t> data,
                                       std::int64_t width,
                                       std::int64_t height,
                                       std::size_t* consumed) {
    auto made = Bitmap::Make(width, height);
    if (!made) return std::nullopt;
    if (consumed != nullptr) *consumed = 0;
    if (made->Empty()) return made;
    codecs::CcittParams ccitt;
    ccitt.k = -1;
    ccitt.columns = made->width;
    ccitt.rows = made->height;
    ccitt.blackIs1 = true;
    auto rows = codecs::CcittDecode(data, ccitt, consumed);
    if (!rows) return made;  // no usable row: white, as a damaged region is shown
    const std::size_t rowBytes = static_cast<std::size_t>(made->width + 7) / 8;
    const int available = static_cast<int>(std::min<std::size_t>(rows->size() / rowBytes, made->height));
    for (int y = 0; y < available; ++y) {
        const std::uint8_t* packed = rows->data() + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* row = made->Row(y);
        for (int x = 0; x < made->width; ++x) row[x] = static_cast<std::uint8_t>((packed[x >> 3] >> (7 - (x & 7))) & 1);
    }
    return made;
}

std::optional<Bitmap> DecodeRefinement(codecs::MqDecoder& mq,
                                       codecs::MqContexts& contexts,
                                       const RefinementParams& params) {
    if (params.reference == nullptr) return std::nullopt;
    auto made = Bitmap::Make(params.width, params.height);
    if (!made) return std::nullopt;
    Bitmap& bitmap = *made;
    const Bitmap& ref = *params.reference;
    if (contexts.Size() < kRefinementContexts) contexts.Reset(kRefinementContexts);
    const bool t0 = params.templ == 0;
    const std::uint32_t sltp = t0 ? 0x100 : 0x040;
    int ltp = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        if (mq.Overrun() > kMaxOverrun) break;
        if (params.typicalPrediction) ltp ^= mq.Decode(contexts[sltp]);
        const int ry = y - params.dy;
        std::uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.width; ++x) {
            const int rx = x - params.dx;
            if (ltp) {
                const int centre = ref.Get(rx, ry);
                bool uniform = true;
                for (int j = -1; j <= 1 && uniform; ++j) {
                    for (int i = -1; i <= 1 && uniform; ++i) uniform = ref.Get(rx + i, ry + j) == centre;
                }
                if (uniform) {
                    row[x] = static_cast<std::uint8_t>(centre);
                    continue;
                }
            }
            std::uint32_t context = 0;
            if (t0) {
                context = static_cast<std::uint32_t>(bitmap.Get(x - 1, y)) |
                          static_cast<std::uint32_t>(bitmap.Get(x + 1, y - 1)) << 1 |
                          static_cast<std::uint32_t>(bitmap.Get(x, y - 1)) << 2 |
                          static_cast<std::uint32_t>(bitmap.Get(x + params.at[0], y + params.at[1])) << 3 |
                          static_cast<std::uint32_t>(ref.Get(rx + 1, ry + 1)) << 4 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry + 1)) << 5 |
                          static_cast<std::uint32_t>(ref.Get(rx - 1, ry + 1)) << 6 |
                          static_cast<std::uint32_t>(ref.Get(rx + 1, ry)) << 7 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry)) << 8 |
                          static_cast<std::uint32_t>(ref.Get(rx - 1, ry)) << 9 |
                          static_cast<std::uint32_t>(ref.Get(rx + 1, ry - 1)) << 10 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry - 1)) << 11 |
                          static_cast<std::uint32_t>(ref.Get(rx + params.at[2], ry + params.at[3])) << 12;
            } else {
                context = static_cast<std::uint32_t>(bitmap.Get(x - 1, y)) |
                          static_cast<std::uint32_t>(bitmap.Get(x + 1, y - 1)) << 1 |
                          static_cast<std::uint32_t>(bitmap.Get(x, y - 1)) << 2 |
                          static_cast<std::uint32_t>(bitmap.Get(x - 1, y - 1)) << 3 |
                          static_cast<std::uint32_t>(ref.Get(rx + 1, ry + 1)) << 4 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry + 1)) << 5 |
                          static_cast<std::uint32_t>(ref.Get(rx + 1, ry)) << 6 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry)) << 7 |
                          static_cast<std::uint32_t>(ref.Get(rx - 1, ry)) << 8 |
                          static_cast<std::uint32_t>(ref.Get(rx, ry - 1)) << 9;
            }
            row[x] = static_cast<std::uint8_t>(mq.Decode(contexts[context]));
        }
    }
    return made;
}

}  // namespace pictrove::readers::jbig2
