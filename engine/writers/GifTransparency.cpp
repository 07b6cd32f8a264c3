// A walk over a GIF's blocks (header, colour tables, extensions, images) that finds or inserts
// each image's graphic control extension.
#include "engine/writers/GifTransparency.h"

#include <cstring>

namespace pictrove {

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kTransparentFlag = 0x01;

// Where one image's graphic control extension is (or would go).
struct ImageSite {
    size_t graphicControl = 0;  // offset of its 0x21 byte; 0 when the image has none
    size_t image = 0;           // offset of the image descriptor's 0x2C byte
};

size_t ColorTableBytes(std::uint8_t packed) {
    return (packed & 0x80) ? 3u * (2u << (packed & 0x07)) : 0u;
}

// Skips data sub-blocks from pos; returns the offset after the terminating empty block, or 0.
size_t SkipSubBlocks(const std::vector<std::uint8_t>& gif, size_t pos) {
    while (pos < gif.size()) {
        const size_t length = gif[pos];
        ++pos;
        if (length == 0) return pos;
        pos += length;
    }
    return 0;
}

bool FindImages(const std::vector<std::uint8_t>& gif, std::vector<ImageSite>& sites) {
    if (gif.size() < 13 || (std::memcmp(gif.data(), "GIF87a", 6) != 0 && std::memcmp(gif.data(), "GIF89a", 6) != 0)) {
        return false;
    }
    size_t pos = 13 + ColorTableBytes(gif[10]);
    size_t pendingControl = 0;
    while (pos < gif.size()) {
        const std::uint8_t block = gif[pos];
        if (block == kTrailer) return !sites.empty();
        if (block == kExtension) {
            if (pos + 1 >= gif.size()) return false;
            if (gif[pos + 1] == kGraphicControl) {
                // A well-formed control block holds four bytes of data.
                if (pos + 7 >= gif.size() || gif[pos + 2] != 4) return false;
                pendingControl = pos;
            }
            pos = SkipSubBlocks(gif, pos + 2);
            if (pos == 0) return false;
        } else if (block == kImage) {
            if (pos + 10 > gif.size()) return false;
            sites.push_back({pendingControl, pos});
            pendingControl = 0;
            pos += 10 + ColorTableBytes(gif[pos + 9]);
            pos = SkipSubBlocks(gif, pos + 1);  // after the LZW code size
            if (pos == 0) return false;
        } else {
            return false;
        }
    }
    // No trailer: a truncated file is not ours to mend.
    return false;
}

}  // namespace

bool SetGifTransparentIndex(std::vector<std::uint8_t>& gif, int index) {
    if (index < 0 || index > 255) return false;
    std::vector<ImageSite> sites;
    if (!FindImages(gif, sites)) return false;
    const auto transparent = static_cast<std::uint8_t>(index);
    // Backwards, so inserting before one image leaves the offsets of the earlier ones valid.
    for (auto site = sites.rbegin(); site != sites.rend(); ++site) {
        if (site->graphicControl) {
            gif[site->graphicControl + 3] |= kTransparentFlag;
            gif[site->graphicControl + 6] = transparent;
        } else {
            const std::uint8_t control[] = {kExtension, kGraphicControl, 4, kTransparentFlag, 0, 0, transparent, 0};
            gif.insert(gif.begin() + static_cast<std::ptrdiff_t>(site->image), std::begin(control), std::end(control));
        }
    }
    std::memcpy(gif.data() + 3, "89a", 3);
    return true;
}

int GifTransparentIndex(const std::vector<std::uint8_t>& gif) {
    std::vector<ImageSite> sites;
    if (!FindImages(gif, sites) || !sites[0].graphicControl) return -1;
    const size_t control = sites[0].graphicControl;
    return (gif[control + 3] & kTransparentFlag) ? gif[control + 6] : -1;
}

}  // namespace pictrove
