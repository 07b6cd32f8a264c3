// Opening a Word document: container, pictures, and each picture made a file of its own.
#include "doc/DocSource.h"

#include <algorithm>

#include "doc/SlideAndSheetPictures.h"
#include "model/ByteReader.h"
#include "pictures/ImageHeader.h"
#include "pictures/StoredImage.h"
#include "containers/ZipArchive.h"

namespace pictrove::readers {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
// Metafiles inflate to at most this; larger claims are damage or a bomb.
constexpr std::size_t kMaxMetafileSize = std::size_t{64} << 20;

std::optional<std::vector<std::uint8_t>> StandAloneFile(const WordBlip& blip) {
    switch (blip.kind) {
        case BlipKind::kJpeg:
        case BlipKind::kPng:
        case BlipKind::kTiff:
            return blip.data;
        case BlipKind::kDib: {
            auto bmp = DibToBmp(blip.data);
            if (bmp.empty()) return std::nullopt;
            return bmp;
        }
        case BlipKind::kEmf:
        case BlipKind::kWmf:
            break;
    }
    std::vector<std::uint8_t> metafile;
    if (blip.deflated) {
        const std::size_t limit = std::min<std::size_t>(kMaxMetafileSize, std::max<std::size_t>(blip.inflatedSize, 1));
        auto inflated = InflateBounded(blip.data, limit, false);
        if (!inflated) return std::nullopt;
        metafile = std::move(*inflated);
    } else {
        metafile = blip.data;
    }
    if (blip.kind == BlipKind::kWmf) return PlaceableWmf(blip, metafile);
    return metafile;
}

}  // namespace

std::optional<MetafileWindowRect> MetafileWindow(std::span<const std::uint8_t> metafile) {
    constexpr std::uint16_t kSetWindowOrg = 0x020B;
    constexpr std::uint16_t kSetWindowExt = 0x020C;
    ByteReader reader(metafile);
    reader.Skip(2);
    const std::size_t headerWords = reader.U16LE();
    if (!reader.Ok() || headerWords < 9 || !reader.Seek(headerWords * 2)) return std::nullopt;
    std::optional<std::pair<std::int16_t, std::int16_t>> origin;
    std::optional<std::pair<std::int16_t, std::int16_t>> extent;
    // The first window set is the one the drawing is made in; a later one belongs to a part of it.
    while (reader.Remaining() >= 6 && !(origin && extent)) {
        const std::size_t start = metafile.size() - reader.Remaining();
        const std::uint64_t words = reader.U32LE();
        const std::uint16_t function = reader.U16LE();
        if (words < 3 || function == 0 || words * 2 > metafile.size() - start) break;
        if ((function == kSetWindowOrg || function == kSetWindowExt) && words >= 5) {
            // Parameters are stored last first: y, then x.
            const auto y = static_cast<std::int16_t>(reader.U16LE());
            const auto x = static_cast<std::int16_t>(reader.U16LE());
            auto& slot = function == kSetWindowOrg ? origin : extent;
            if (!slot) slot = std::pair{x, y};
        }
        reader.Seek(start + words * 2);
    }
    if (!extent || extent->first == 0 || extent->second == 0) return std::nullopt;
    const auto [x, y] = origin.value_or(std::pair<std::int16_t, std::int16_t>{0, 0});
    return MetafileWindowRect{x, y, extent->first, extent->second};
}

std::vector<std::uint8_t> DibToBmp(std::span<const std::uint8_t> dib) {
    ByteReader reader(dib);
    const std::uint32_t headerSize = reader.U32LE();
    std::uint32_t paletteBytes = 0;
    if (headerSize == 12) {
        reader.Skip(6);
        const std::uint16_t bits = reader.U16LE();
        if (bits <= 8) paletteBytes = 3u << bits;
    } else {
        reader.Skip(10);
        const std::uint16_t bits = reader.U16LE();
        const std::uint32_t compression = reader.U32LE();
        reader.Skip(12);
        const std::uint32_t used = reader.U32LE();
        if (used != 0 && used <= 256) {
            paletteBytes = used * 4;
        } else if (bits <= 8) {
            paletteBytes = 4u << bits;
        }
        if (headerSize == 40 && compression == 3) paletteBytes += 12;  // the three colour masks
    }
    if (!reader.Ok() || headerSize < 12 || headerSize > dib.size()) return {};
    std::vector<std::uint8_t> bmp;
    bmp.reserve(14 + dib.size());
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bmp.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    bmp.push_back('B');
    bmp.push_back('M');
    put(static_cast<std::uint32_t>(14 + dib.size()), 4);
    put(0, 4);
    put(14 + headerSize + paletteBytes, 4);
    bmp.insert(bmp.end(), dib.begin(), dib.end());
    return bmp;
}

std::vector<std::uint8_t> PlaceableWmf(const WordBlip& blip, std::span<const std::uint8_t> metafile) {
    if (metafile.size() >= 4 && ByteReader(metafile).U32LE() == kPlaceableKey) {
        return {metafile.begin(), metafile.end()};
    }
    const auto clamp16 = [](std::int64_t value) {
        return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -32768, 32767)));
    };
    // The placeable box names the drawing in the metafile's own logical units. The picture record's bounds need
    // not be in those (LibreOffice gives hundredths of a millimetre from 0, 0 whatever the window), so the box is
    // the window the records set, and the bounds only stand in for a metafile that sets none.
    std::int64_t left = blip.boundsLeft, top = blip.boundsTop, right = blip.boundsRight, bottom = blip.boundsBottom;
    if (const auto window = MetafileWindow(metafile)) {
        left = std::min(window->x, window->x + window->width);
        right = std::max(window->x, window->x + window->width);
        top = std::min(window->y, window->y + window->height);
        bottom = std::max(window->y, window->y + window->height);
    }
    const std::int64_t width = right - left;
    // Units per inch, so that the picture gets its stored size; twips when it has none.
    std::int64_t inch = 1440;
    if (width > 0 && blip.sizeX > 0) {
        inch = std::clamp<std::int64_t>((width * 914400 + blip.sizeX / 2) / blip.sizeX, 1, 32767);
    }
    std::vector<std::uint16_t> words = {static_cast<std::uint16_t>(kPlaceableKey & 0xFFFF),
                                        static_cast<std::uint16_t>(kPlaceableKey >> 16),
                                        0,
                                        clamp16(left),
                                        clamp16(top),
                                        clamp16(right),
                                        clamp16(bottom),
                                        static_cast<std::uint16_t>(inch),
                                        0,
                                        0};
    std::uint16_t checksum = 0;
    for (auto word : words) checksum ^= word;
    words.push_back(checksum);
    std::vector<std::uint8_t> out;
    out.reserve(22 + metafile.size());
    for (auto word : words) {
        out.push_back(static_cast<std::uint8_t>(word));
        out.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    out.insert(out.end(), metafile.begin(), metafile.end());
    return out;
}

OpenStatus DocSource::OpenDocument(OpenRequest request) {
    const auto compound = CompoundFile::Parse(request.bytes);
    if (!compound) return OpenStatus::kNotReadable;
    WordPictures pictures = FindCompoundPictures(*compound);
    if (pictures.status != WordPictures::Status::kOk) return OpenStatus::kNotReadable;
    for (const auto& blip : pictures.blips) {
        auto file = StandAloneFile(blip);
        if (!file) continue;
        ImageEntry entry;
        if (blip.kind == BlipKind::kEmf || blip.kind == BlipKind::kWmf) {
            const auto size = MetafileSize(*file);
            if (!size) continue;
            entry.width = size->first;
            entry.height = size->second;
        } else {
            const auto info = ReadImageHeader(*file);
            if (!info) continue;
            entry.width = info->width;
            entry.height = info->height;
        }
        images_.push_back(std::move(entry));
        // A JPEG, PNG or TIFF picture is kept as a file of its own, and so is a metafile once its
        // compression is undone and a Windows metafile has its placeable header; the bitmaps
        // were rebuilt here.
        const bool whole = blip.kind == BlipKind::kJpeg || blip.kind == BlipKind::kPng ||
                           blip.kind == BlipKind::kTiff || blip.kind == BlipKind::kEmf || blip.kind == BlipKind::kWmf;
        stored_.push_back(whole ? StoredInfoOfFile(*file) : StoredInfo{});
        files_.push_back(std::move(*file));
    }
    const auto names = NamesFromFile(request.path, images_.size());
    for (std::size_t i = 0; i < images_.size(); ++i) images_[i].name = names[i];
    return OpenStatus::kOpened;
}

std::optional<std::vector<std::uint8_t>> DocSource::StoredBytes(std::size_t index) {
    if (index >= files_.size() || Stored(index).format == StoredFormat::kNone) return std::nullopt;
    return files_[index];
}

std::optional<DecodedImage> DocSource::Decode(std::size_t index) {
    if (index >= files_.size() || !decoder_) return std::nullopt;
    return decoder_->Decode(files_[index]);
}

}  // namespace pictrove::readers
