// Page compositing: layers decoded from the page's chunks, scaled and painted into one picture.
#include "DjvuPage.h"

#include <algorithm>
#include <cstring>

#include "model/ByteReader.h"
#include "djvu/Bzz.h"
#include "djvu/Iw44Decoder.h"
#include "djvu/Jb2Decoder.h"
#include "djvu/MmrMask.h"

namespace pictrove::readers::djvu {
namespace {

struct Colour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// The foreground palette: its colours and, when present, a colour index per blit.
struct Palette {
    std::vector<Colour> colours;
    std::vector<std::uint16_t> blitColours;
};

std::optional<Palette> ReadPalette(std::span<const std::uint8_t> data) {
    ByteReader reader(data);
    const std::uint8_t version = reader.U8();
    const std::size_t count = reader.U16BE();
    if (!reader.Ok() || (version & 0x7f) != 0 || count == 0 || count > 65535) return std::nullopt;
    Palette palette;
    for (std::size_t i = 0; i < count; ++i) {
        const auto bytes = reader.Bytes(3);
        if (!reader.Ok()) return std::nullopt;
        palette.colours.push_back({bytes[0], bytes[1], bytes[2]});
    }
    if (version & 0x80) {
        const std::uint32_t blits = std::uint32_t{reader.U8()} << 16 | reader.U16BE();
        if (!reader.Ok() || blits > (1u << 24)) return std::nullopt;
        const auto indices = DecodeBzz(data.subspan(reader.Position()), std::size_t{blits} * 2);
        if (!indices || indices->size() < std::size_t{blits} * 2) return std::nullopt;
        palette.blitColours.resize(blits);
        for (std::uint32_t i = 0; i < blits; ++i) palette.blitColours[i] = LoadU16BE(indices->data() + 2 * i);
    }
    return palette;
}

// Samples a picture (kGray8 or kBgr24) smoothly at page resolution: each page pixel takes the
// picture's value at its centre, interpolated between the four nearest picture pixels.
class Sampler {
  public:
    Sampler(const DecodedImage& picture, int pageWidth, int pageHeight) : picture_(picture) {
        columns_ = Axis(picture.width, pageWidth);
        rows_ = Axis(picture.height, pageHeight);
    }

    Colour At(int x, int y) const {
        const Step& c = columns_[x];
        const Step& r = rows_[y];
        const std::uint8_t* top = picture_.Row(r.first);
        const std::uint8_t* bottom = picture_.Row(r.second);
        const int bytes = BytesPerPixel(picture_.type);
        auto mix = [&](int channel) {
            const int upper =
                top[c.first * bytes + channel] * (256 - c.weight) + top[c.second * bytes + channel] * c.weight;
            const int lower =
                bottom[c.first * bytes + channel] * (256 - c.weight) + bottom[c.second * bytes + channel] * c.weight;
            return static_cast<std::uint8_t>((upper * (256 - r.weight) + lower * r.weight + 32768) >> 16);
        };
        if (bytes == 1) {
            const std::uint8_t grey = mix(0);
            return {grey, grey, grey};
        }
        return {mix(0), mix(1), mix(2)};
    }

    // The whole picture scaled into out (same size as the page), a row at a time.
    void Fill(DecodedImage& out) const {
        const int bytes = BytesPerPixel(picture_.type);
        const int outBytes = BytesPerPixel(out.type);
        const std::size_t lineSize = static_cast<std::size_t>(picture_.width) * bytes;
        std::vector<int> line(lineSize);
        for (int y = 0; y < out.height; ++y) {
            const Step& r = rows_[y];
            if (y == 0 || r.first != rows_[y - 1].first || r.weight != rows_[y - 1].weight) {
                const std::uint8_t* top = picture_.Row(r.first);
                const std::uint8_t* bottom = picture_.Row(r.second);
                for (std::size_t i = 0; i < lineSize; ++i) line[i] = top[i] * (256 - r.weight) + bottom[i] * r.weight;
            }
            std::uint8_t* to = out.Row(y);
            if (bytes == 3 && outBytes == 3) {
                for (int x = 0; x < out.width; ++x, to += 3) {
                    const Step& c = columns_[x];
                    const int* a = line.data() + c.first * 3;
                    const int* b = line.data() + c.second * 3;
                    const int wa = 256 - c.weight;
                    to[0] = static_cast<std::uint8_t>((a[0] * wa + b[0] * c.weight + 32768) >> 16);
                    to[1] = static_cast<std::uint8_t>((a[1] * wa + b[1] * c.weight + 32768) >> 16);
                    to[2] = static_cast<std::uint8_t>((a[2] * wa + b[2] * c.weight + 32768) >> 16);
                }
                continue;
            }
            for (int x = 0; x < out.width; ++x, to += outBytes) {
                const Step& c = columns_[x];
                const int* a = line.data() + c.first * bytes;
                const int* b = line.data() + c.second * bytes;
                for (int channel = 0; channel < outBytes; ++channel) {
                    const int k = bytes == 1 ? 0 : channel;
                    to[channel] = static_cast<std::uint8_t>((a[k] * (256 - c.weight) + b[k] * c.weight + 32768) >> 16);
                }
            }
        }
    }

  private:
    struct Step {
        int first = 0;
        int second = 0;
        int weight = 0;  // of second, in 256ths
    };
    static std::vector<Step> Axis(int from, int to) {
        std::vector<Step> steps(static_cast<std::size_t>(to));
        for (int i = 0; i < to; ++i) {
            // Centre of page pixel i in picture pixels, in 256ths, less half a pixel.
            const std::int64_t position = ((2 * std::int64_t{i} + 1) * from * 256) / (2 * std::int64_t{to}) - 128;
            const std::int64_t clamped = std::clamp<std::int64_t>(position, 0, std::int64_t{from - 1} * 256);
            Step step;
            step.first = static_cast<int>(clamped >> 8);
            step.second = std::min(step.first + 1, from - 1);
            step.weight = static_cast<int>(clamped & 255);
            steps[i] = step;
        }
        return steps;
    }

    const DecodedImage& picture_;
    std::vector<Step> columns_;
    std::vector<Step> rows_;
};

// A JPEG layer through the payload decoder, as grey or blue, green, red pixels no larger
// than the page.
std::optional<DecodedImage> DecodeJpegLayer(PayloadDecoder* decoder,
                                            std::span<const std::uint8_t> jpeg,
                                            int width,
                                            int height) {
    if (!decoder) return std::nullopt;
    auto picture = decoder->Decode(jpeg);
    if (!picture || picture->width > width || picture->height > height || picture->width < 1 || picture->height < 1) {
        return std::nullopt;
    }
    if (picture->type == PixelType::kGray8 || picture->type == PixelType::kBgr24) return picture;
    if (picture->type != PixelType::kBgra32) return std::nullopt;
    return ImageFromBgra(picture->bytes.data(), picture->stride, picture->width, picture->height, PixelType::kBgr24);
}

std::optional<DecodedImage> RenderPhoto(const std::vector<Chunk>& chunks) {
    Iw44Image photo;
    for (const Chunk& chunk : chunks) {
        if (chunk.id != ChunkId("PM44") && chunk.id != ChunkId("BM44")) continue;
        // Slices that arrived before damage still make a (coarser) picture.
        if (!photo.DecodeChunk(chunk.data)) break;
    }
    return photo.Render();
}

}  // namespace

std::optional<DecodedImage> Rotate(DecodedImage image, int quarterTurns) {
    quarterTurns &= 3;
    if (quarterTurns == 0) return image;
    const bool sideways = quarterTurns % 2 == 1;
    auto turned = DecodedImage::Allocate(image.type, sideways ? image.height : image.width,
                                         sideways ? image.width : image.height);
    if (!turned) return std::nullopt;
    const std::size_t bytes = static_cast<std::size_t>(BytesPerPixel(image.type));
    // Where source pixel (0, y) lands, and how far the target moves for each step in x.
    const std::ptrdiff_t stride = turned->stride;
    const std::ptrdiff_t pixel = static_cast<std::ptrdiff_t>(bytes);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* from = image.Row(y);
        std::uint8_t* to = nullptr;
        std::ptrdiff_t step = 0;
        switch (quarterTurns) {
            case 1:  // x goes down the target column height - 1 - y
                to = turned->Row(0) + static_cast<std::ptrdiff_t>(image.height - 1 - y) * pixel;
                step = stride;
                break;
            case 2:  // x goes leftwards along the target row height - 1 - y
                to = turned->Row(image.height - 1 - y) + static_cast<std::ptrdiff_t>(image.width - 1) * pixel;
                step = -pixel;
                break;
            default:  // x goes up the target column y
                to = turned->Row(image.width - 1) + static_cast<std::ptrdiff_t>(y) * pixel;
                step = -stride;
                break;
        }
        for (int x = 0; x < image.width; ++x, from += bytes, to += step) std::memcpy(to, from, bytes);
    }
    return turned;
}

std::optional<DecodedImage> RenderPage(const DjvuDocument& document,
                                       const DocumentPage& page,
                                       PayloadDecoder* decoder) {
    const auto chunks = document.PageChunks(page);
    if (page.formType != ChunkId("DJVU")) return RenderPhoto(chunks);

    const int width = page.info.width;
    const int height = page.info.height;
    Iw44Image background(width, height);
    Iw44Image foreground(width, height);
    bool backgroundBroken = false;
    bool foregroundBroken = false;
    std::span<const std::uint8_t> mask;
    std::span<const std::uint8_t> dictionary;
    std::span<const std::uint8_t> paletteData;
    std::span<const std::uint8_t> backgroundJpeg;
    std::span<const std::uint8_t> foregroundJpeg;
    std::span<const std::uint8_t> mmrMask;
    bool hasMask = false;
    bool hasDictionary = false;
    bool hasPalette = false;
    for (const Chunk& chunk : chunks) {
        if (chunk.id == ChunkId("BG44")) {
            backgroundBroken = backgroundBroken || !background.DecodeChunk(chunk.data);
        } else if (chunk.id == ChunkId("FG44")) {
            foregroundBroken = foregroundBroken || !foreground.DecodeChunk(chunk.data);
        } else if (chunk.id == ChunkId("BGjp") && backgroundJpeg.empty()) {
            backgroundJpeg = chunk.data;
        } else if (chunk.id == ChunkId("FGjp") && foregroundJpeg.empty()) {
            foregroundJpeg = chunk.data;
        } else if (chunk.id == ChunkId("Smmr") && mmrMask.empty()) {
            mmrMask = chunk.data;
        } else if (chunk.id == ChunkId("Sjbz") && !hasMask) {
            mask = chunk.data;
            hasMask = true;
        } else if (chunk.id == ChunkId("Djbz") && !hasDictionary) {
            dictionary = chunk.data;
            hasDictionary = true;
        } else if (chunk.id == ChunkId("FGbz") && !hasPalette) {
            paletteData = chunk.data;
            hasPalette = true;
        }
    }

    std::optional<Jb2Image> shapes;
    if (hasMask) {
        std::optional<Jb2Dictionary> shared;
        if (hasDictionary) {
            shared = DecodeJb2Dictionary(dictionary, nullptr);
            if (!shared) return std::nullopt;
        }
        shapes = DecodeJb2Image(mask, shared ? &*shared : nullptr);
        if (!shapes) return std::nullopt;
    } else if (!mmrMask.empty()) {
        shapes = DecodeMmrMask(mmrMask);
        if (!shapes) return std::nullopt;
    }
    std::optional<Palette> palette;
    if (hasPalette) palette = ReadPalette(paletteData);
    // Layers are drawn at or below the page's resolution; a larger one is damage.
    auto fits = [&](const Iw44Image& layer) {
        return !layer.Empty() && layer.Width() <= width && layer.Height() <= height;
    };
    std::optional<DecodedImage> backgroundPicture;
    if (fits(background)) backgroundPicture = background.Render();
    std::optional<DecodedImage> foregroundPicture;
    if (fits(foreground)) foregroundPicture = foreground.Render();
    if (!backgroundPicture && !backgroundJpeg.empty())
        backgroundPicture = DecodeJpegLayer(decoder, backgroundJpeg, width, height);
    if (!foregroundPicture && !foregroundJpeg.empty())
        foregroundPicture = DecodeJpegLayer(decoder, foregroundJpeg, width, height);

    // A palette of greys only (encoders often write a black one) keeps a mask page bilevel.
    bool paletteColoured = false;
    if (palette) {
        for (const Colour& c : palette->colours)
            paletteColoured = paletteColoured || c.red != c.green || c.green != c.blue;
    }
    const bool colour = (backgroundPicture && backgroundPicture->type == PixelType::kBgr24) ||
                        (foregroundPicture && foregroundPicture->type == PixelType::kBgr24) ||
                        (shapes && paletteColoured);
    auto out = DecodedImage::Allocate(colour ? PixelType::kBgr24 : PixelType::kGray8, width, height);
    if (!out) return std::nullopt;
    const int bytes = BytesPerPixel(out->type);
    auto put = [&](int x, int y, Colour c) {
        std::uint8_t* p = out->Row(y) + x * bytes;
        if (bytes == 1) {
            p[0] = c.green;
        } else {
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    };

    if (backgroundPicture) {
        Sampler(*backgroundPicture, width, height).Fill(*out);
    } else {
        std::fill(out->bytes.begin(), out->bytes.end(), std::uint8_t{255});
    }

    if (shapes) {
        std::optional<Sampler> foregroundSampler;
        if (foregroundPicture) foregroundSampler.emplace(*foregroundPicture, width, height);
        // The mask is drawn at the page's size even when its own header says otherwise.
        const int offset = height - shapes->height;
        for (std::size_t i = 0; i < shapes->blits.size(); ++i) {
            const Blit& blit = shapes->blits[i];
            const Bitmap& shape = *shapes->shapes[blit.shape];
            Colour ink;
            if (palette && !foregroundSampler) {
                std::size_t index = 0;
                if (i < palette->blitColours.size()) index = palette->blitColours[i];
                if (index < palette->colours.size()) ink = palette->colours[index];
            }
            const int top = blit.top + offset;
            const int y0 = std::max(0, -top);
            const int y1 = std::min(shape.height, height - top);
            const int x0 = std::max(0, -blit.left);
            const int x1 = std::min(shape.width, width - blit.left);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* bits = shape.bits.data() + static_cast<std::size_t>(y) * shape.width;
                for (int x = x0; x < x1; ++x) {
                    if (!bits[x]) continue;
                    const int px = blit.left + x;
                    const int py = top + y;
                    put(px, py, foregroundSampler ? foregroundSampler->At(px, py) : ink);
                }
            }
        }
    }
    return Rotate(std::move(*out), page.info.quarterTurns);
}

}  // namespace pictrove::readers::djvu
