// giflib glue: the file is walked record by record, so only the canvas is allocated (never a
// frame's raster), frames before the wanted one are drawn and the rest are never read.
#include "Gif.h"

#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace pictrove::readers::codecs {
namespace {

// Writers clear a full LZW table, so a byte of data stands for at most about 1365 pixels (a
// blank picture: each code one pixel longer than the last, 4096 codes of 12 bits for 8 million
// pixels); a screen of more than 1000 pixels a byte is refused before its canvas is allocated.
constexpr std::uint64_t kLzwPixelsPerByte = 1000;

struct Input {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
};

int ReadData(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<Input*>(gif->UserData);
    const std::size_t available = input->data.size() - input->position;
    const std::size_t taken = count < 0 ? 0 : std::min<std::size_t>(std::size_t(count), available);
    std::memcpy(out, input->data.data() + input->position, taken);
    input->position += taken;
    return int(taken);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

GifFile Open(Input& input) {
    int error = 0;
    return GifFile(DGifOpen(&input, ReadData, &error));
}

bool SkipImageData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
    while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
}

// The graphic control extension's fields for the next image, when one is given; other
// extensions are skipped.
bool ReadExtension(GifFileType* gif, GraphicsControlBlock& control) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        DGifExtensionToGCB(block[0], block + 1, &control);
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
}

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive, clipped to the canvas
    int bottom = 0;
};

void Clear(DecodedImage& canvas, const Rect& rect) {
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::memset(canvas.Row(y) + std::size_t(rect.left) * 4, 0, std::size_t(rect.right - rect.left) * 4);
    }
}

// The row of the frame that the line-th line of the data holds.
int InterlacedRow(int line, int height) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (line < rows) return kStart[pass] + line * kStep[pass];
        line -= rows;
    }
    return height;
}

// Draws the current image's lines onto the canvas; false when the data breaks first.
bool DrawFrame(GifFileType* gif, DecodedImage& canvas, int transparent, bool& anyRow) {
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    std::vector<GifPixelType> line(std::size_t(desc.Width > 0 ? desc.Width : 1));
    for (int i = 0; i < desc.Height; ++i) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) return false;
        anyRow = true;
        const int y = desc.Top + (desc.Interlace ? InterlacedRow(i, desc.Height) : i);
        if (y < 0 || y >= canvas.height) continue;
        std::uint8_t* row = canvas.Row(y);
        for (int x = 0; x < desc.Width; ++x) {
            const int column = desc.Left + x;
            if (column >= canvas.width) break;
            const int index = line[std::size_t(x)];
            if (index == transparent) continue;
            std::uint8_t* pixel = row + std::size_t(column) * 4;
            if (map != nullptr && index < map->ColorCount) {
                const GifColorType& colour = map->Colors[index];
                pixel[0] = colour.Blue;
                pixel[1] = colour.Green;
                pixel[2] = colour.Red;
            } else {
                // No colour table, or an index past it: black, as the common decoders show it.
                pixel[0] = pixel[1] = pixel[2] = 0;
            }
            pixel[3] = 0xFF;
        }
    }
    return true;
}

}  // namespace

bool LooksLikeGif(std::span<const std::uint8_t> file) {
    return file.size() >= 6 &&
           (std::memcmp(file.data(), "GIF87a", 6) == 0 || std::memcmp(file.data(), "GIF89a", 6) == 0);
}

unsigned GifFrameCount(std::span<const std::uint8_t> file) {
    if (!LooksLikeGif(file)) return 0;
    Input input{file};
    GifFile gif = Open(input);
    if (!gif) return 0;
    unsigned count = 0;
    GraphicsControlBlock control{};
    for (GifRecordType type = UNDEFINED_RECORD_TYPE; count < kMaxGifFrames;) {
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), control)) break;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif.get()) == GIF_ERROR) break;
            ++count;
            if (!SkipImageData(gif.get())) break;
        }
    }
    return count;
}

PictureResult DecodeGif(std::span<const std::uint8_t> file, const PictureOptions& options) {
    if (!LooksLikeGif(file)) return {};
    if (options.frame >= kMaxGifFrames) return {PictureEnd::kNoSuchFrame, std::nullopt};
    Input input{file};
    GifFile gif = Open(input);
    if (!gif) return {PictureEnd::kDamaged, std::nullopt};
    const int width = gif->SWidth;
    const int height = gif->SHeight;
    if (width <= 0 || height <= 0) return {PictureEnd::kDamaged, std::nullopt};
    // The pixel limit first: a refusal for it is noted, so the picture is told to be too large.
    if (!IsAcceptableSize(width, height) ||
        std::uint64_t(width) * std::uint64_t(height) > std::uint64_t{file.size()} * kLzwPixelsPerByte) {
        return {PictureEnd::kOverLimit, std::nullopt};
    }
    // The canvas is allocated at the first frame's descriptor, so a file with no frame at all
    // (or fewer than asked for) never takes it.
    std::optional<DecodedImage> canvas;
    std::vector<std::uint8_t> saved;  // the canvas before a frame that restores it afterwards
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    int previousDisposal = DISPOSAL_UNSPECIFIED;
    Rect previous;
    unsigned frame = 0;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), control)) break;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) break;
        if (!canvas) {
            canvas = DecodedImage::Allocate(PixelType::kBgra32, width, height);
            if (!canvas) return {PictureEnd::kOverLimit, std::nullopt};
        }
        // What the frame before asked to be done with its area once shown.
        if (previousDisposal == DISPOSE_BACKGROUND) {
            Clear(*canvas, previous);
        } else if (previousDisposal == DISPOSE_PREVIOUS && saved.size() == canvas->bytes.size()) {
            canvas->bytes.swap(saved);
        }
        const GifImageDesc& desc = gif->Image;
        previous = Rect{std::min(desc.Left, width), std::min(desc.Top, height), std::min(desc.Left + desc.Width, width),
                        std::min(desc.Top + desc.Height, height)};
        previousDisposal = control.DisposalMode;
        if (frame < options.frame && previousDisposal == DISPOSE_PREVIOUS) saved = canvas->bytes;
        bool anyRow = false;
        if (!DrawFrame(gif.get(), *canvas, control.TransparentColor, anyRow)) {
            if (frame == options.frame && anyRow) return Finished(PictureEnd::kTruncated, std::move(*canvas));
            // A frame before the wanted one broke: the wanted one is not in what was read.
            return {frame == options.frame ? PictureEnd::kDamaged : PictureEnd::kNoSuchFrame, std::nullopt};
        }
        if (frame == options.frame) return Finished(PictureEnd::kComplete, std::move(*canvas));
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        ++frame;
    }
    return {frame == 0 ? PictureEnd::kDamaged : PictureEnd::kNoSuchFrame, std::nullopt};
}

}  // namespace pictrove::readers::codecs
