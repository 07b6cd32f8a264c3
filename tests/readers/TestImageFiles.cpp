// Byte-level writers of test images.
#include "TestImageFiles.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pictrove::test {
namespace {

void PutBE(Bytes& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void PutLE(Bytes& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void PutText(Bytes& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBE(png, static_cast<std::uint32_t>(data.size()), 4);
    const std::size_t start = png.size();
    PutText(png, type);
    png.insert(png.end(), data.begin(), data.end());
    PutBE(png, Crc32(png.data() + start, png.size() - start), 4);
}

// A zlib stream of stored (uncompressed) deflate blocks.
Bytes ZlibStored(const Bytes& raw) {
    Bytes out = {0x78, 0x01};
    std::size_t done = 0;
    do {
        const std::size_t size = std::min<std::size_t>(raw.size() - done, 65535);
        const bool last = done + size == raw.size();
        out.push_back(last ? 1 : 0);
        PutLE(out, static_cast<std::uint32_t>(size), 2);
        PutLE(out, static_cast<std::uint32_t>(~size & 0xFFFF), 2);
        out.insert(out.end(), raw.begin() + done, raw.begin() + done + size);
        done += size;
    } while (done < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (auto byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBE(out, (b << 16) | a, 4);
    return out;
}

// LZW codes of min size 8 written without compression: a clear code before every run of 250
// literal codes keeps the code width at 9 bits.
Bytes GifLzwLiterals(const Bytes& indices) {
    constexpr std::uint32_t kClear = 256;
    constexpr std::uint32_t kEnd = 257;
    Bytes packed;
    std::uint32_t accumulator = 0;
    int bits = 0;
    const auto put = [&](std::uint32_t code) {
        accumulator |= code << bits;
        bits += 9;
        while (bits >= 8) {
            packed.push_back(static_cast<std::uint8_t>(accumulator));
            accumulator >>= 8;
            bits -= 8;
        }
    };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % 250 == 0) put(kClear);
        put(indices[i]);
    }
    put(kEnd);
    if (bits > 0) packed.push_back(static_cast<std::uint8_t>(accumulator));
    Bytes out = {8};
    for (std::size_t done = 0; done < packed.size();) {
        const std::size_t size = std::min<std::size_t>(packed.size() - done, 255);
        out.push_back(static_cast<std::uint8_t>(size));
        out.insert(out.end(), packed.begin() + done, packed.begin() + done + size);
        done += size;
    }
    out.push_back(0);
    return out;
}

}  // namespace

Bytes ZlibStoredStream(const Bytes& raw) {
    return ZlibStored(raw);
}

Bytes MakePng(int width, int height, PngColour colour, const Bytes& pixels) {
    const int channels = colour == PngColour::kGray ? 1 : colour == PngColour::kRgb ? 3 : 4;
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBE(header, width, 4);
    PutBE(header, height, 4);
    header.insert(header.end(), {8, static_cast<std::uint8_t>(colour), 0, 0, 0});
    PutChunk(png, "IHDR", header);
    Bytes raw;
    const std::size_t rowBytes = std::size_t(width) * channels;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes);
    }
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    return png;
}

Bytes MakeGif(int width, int height, const Bytes& palette, const std::vector<GifFrame>& frames, int transparentIndex) {
    Bytes gif;
    PutText(gif, "GIF89a");
    PutLE(gif, width, 2);
    PutLE(gif, height, 2);
    gif.push_back(0xF7);  // global table of 256 entries, 8 bits per primary
    gif.push_back(0);
    gif.push_back(0);
    Bytes table = palette;
    table.resize(256 * 3, 0);
    gif.insert(gif.end(), table.begin(), table.end());
    // Loop forever, as animations usually do.
    gif.insert(gif.end(), {0x21, 0xFF, 0x0B});
    PutText(gif, "NETSCAPE2.0");
    gif.insert(gif.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
    for (const auto& frame : frames) {
        gif.insert(gif.end(), {0x21, 0xF9, 0x04});
        gif.push_back(static_cast<std::uint8_t>((1 << 2) | (transparentIndex >= 0 ? 1 : 0)));
        PutLE(gif, frame.delay, 2);
        gif.push_back(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
        gif.push_back(0);
        gif.push_back(0x2C);
        PutLE(gif, 0, 2);
        PutLE(gif, 0, 2);
        PutLE(gif, width, 2);
        PutLE(gif, height, 2);
        gif.push_back(0);
        const Bytes data = GifLzwLiterals(frame.indices);
        gif.insert(gif.end(), data.begin(), data.end());
    }
    gif.push_back(0x3B);
    return gif;
}

Bytes MakeIco(const std::vector<IconImage>& images) {
    std::vector<Bytes> data;
    for (const auto& image : images) {
        if (!image.png.empty()) {
            data.push_back(image.png);
            continue;
        }
        Bytes bitmap;
        PutLE(bitmap, 40, 4);
        PutLE(bitmap, image.width, 4);
        PutLE(bitmap, image.height * 2, 4);  // colour rows and mask rows
        PutLE(bitmap, 1, 2);
        PutLE(bitmap, 32, 2);
        for (int i = 0; i < 6; ++i) PutLE(bitmap, 0, 4);
        for (int y = image.height - 1; y >= 0; --y) {
            const auto row = image.bgra.begin() + std::size_t(y) * image.width * 4;
            bitmap.insert(bitmap.end(), row, row + image.width * 4);
        }
        // The mask marks transparent pixels; 32-bit images carry alpha, so it stays clear.
        const int maskRow = ((image.width + 31) / 32) * 4;
        bitmap.insert(bitmap.end(), std::size_t(maskRow) * image.height, 0);
        data.push_back(std::move(bitmap));
    }
    Bytes ico;
    PutLE(ico, 0, 2);
    PutLE(ico, 1, 2);
    PutLE(ico, static_cast<std::uint32_t>(images.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        ico.push_back(static_cast<std::uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
        ico.push_back(static_cast<std::uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
        ico.push_back(0);
        ico.push_back(0);
        PutLE(ico, 1, 2);
        PutLE(ico, 32, 2);
        PutLE(ico, static_cast<std::uint32_t>(data[i].size()), 4);
        PutLE(ico, offset, 4);
        offset += static_cast<std::uint32_t>(data[i].size());
    }
    for (const auto& d : data) ico.insert(ico.end(), d.begin(), d.end());
    return ico;
}

Bytes PackBits(const std::uint8_t* data, std::size_t size) {
    Bytes out;
    std::size_t i = 0;
    while (i < size) {
        std::size_t run = 1;
        while (i + run < size && run < 128 && data[i + run] == data[i]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(run)));
            out.push_back(data[i]);
            i += run;
            continue;
        }
        std::size_t literal = 0;
        while (i + literal < size && literal < 128 &&
               !(i + literal + 2 < size && data[i + literal] == data[i + literal + 1] &&
                 data[i + literal] == data[i + literal + 2])) {
            ++literal;
        }
        out.push_back(static_cast<std::uint8_t>(literal - 1));
        out.insert(out.end(), data + i, data + i + literal);
        i += literal;
    }
    return out;
}

Bytes MakePsd(const PsdPicture& picture) {
    Bytes psd;
    PutText(psd, "8BPS");
    PutBE(psd, 1, 2);
    PutBE(psd, 0, 4);
    PutBE(psd, 0, 2);
    PutBE(psd, static_cast<std::uint32_t>(picture.channels.size()), 2);
    PutBE(psd, picture.height, 4);
    PutBE(psd, picture.width, 4);
    PutBE(psd, picture.depth, 2);
    PutBE(psd, picture.mode, 2);
    PutBE(psd, 0, 4);  // colour mode data
    PutBE(psd, 0, 4);  // image resources
    if (picture.negativeLayerCount) {
        // Layer info holding a count of -1 and no layer records: enough to flag the transparency.
        PutBE(psd, 8, 4);
        PutBE(psd, 4, 4);
        PutBE(psd, 0xFFFF, 2);
        PutBE(psd, 0, 2);
    } else {
        PutBE(psd, 0, 4);
    }
    PutBE(psd, picture.packed ? 1 : 0, 2);
    const std::size_t rowBytes = std::size_t(picture.width) * (picture.depth / 8);
    if (!picture.packed) {
        for (const auto& channel : picture.channels) psd.insert(psd.end(), channel.begin(), channel.end());
        return psd;
    }
    std::vector<Bytes> rows;
    for (const auto& channel : picture.channels) {
        for (int y = 0; y < picture.height; ++y) rows.push_back(PackBits(channel.data() + y * rowBytes, rowBytes));
    }
    for (const auto& row : rows) PutBE(psd, static_cast<std::uint32_t>(row.size()), 2);
    for (const auto& row : rows) psd.insert(psd.end(), row.begin(), row.end());
    return psd;
}

Bytes OnePageTiff(std::uint32_t width, std::uint32_t nextDirectory) {
    Bytes file = {'I', 'I', 42, 0, 8, 0, 0, 0, 4, 0};
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(256, 2), put(4, 2), put(1, 4), put(width, 4);
    put(257, 2), put(3, 2), put(1, 4), put(2, 4);
    put(273, 2), put(4, 2), put(1, 4), put(62, 4);
    put(279, 2), put(4, 2), put(1, 4), put(2, 4);
    put(nextDirectory, 4);
    file.push_back(0x00);
    file.push_back(0xFF);
    return file;
}

}  // namespace pictrove::test
