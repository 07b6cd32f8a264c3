// Byte-level writers of Palm databases, MOBI books, compound files and Word documents.
#include "TestDocumentFiles.h"

#include <algorithm>
#include <cstring>

namespace pictrove::test {
namespace {

void PutBE(Bytes& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void PutLE(Bytes& out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void SetLE(Bytes& out, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void SetBE(Bytes& out, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
}
void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}
void PutText(Bytes& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

// An OfficeArt record: version and instance, type, length, body.
Bytes Record(int version, int instance, std::uint16_t type, const Bytes& body) {
    Bytes out;
    PutLE(out, static_cast<std::uint32_t>(version | (instance << 4)), 2);
    PutLE(out, type, 2);
    PutLE(out, static_cast<std::uint32_t>(body.size()), 4);
    Append(out, body);
    return out;
}

Bytes Uid(std::uint8_t seed) {
    Bytes uid(16);
    for (int i = 0; i < 16; ++i) uid[i] = static_cast<std::uint8_t>(seed * 31 + i);
    return uid;
}

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;

}  // namespace

Bytes MakePalmDatabase(const std::string& name,
                       const char* type,
                       const char* creator,
                       const std::vector<Bytes>& records) {
    Bytes out(78, 0);
    std::memcpy(out.data(), name.data(), std::min<std::size_t>(name.size(), 31));
    std::memcpy(out.data() + 60, type, 4);
    std::memcpy(out.data() + 64, creator, 4);
    SetBE(out, 76, static_cast<std::uint32_t>(records.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(78 + records.size() * 8 + 2);
    for (std::size_t i = 0; i < records.size(); ++i) {
        PutBE(out, offset, 4);
        PutBE(out, static_cast<std::uint32_t>(2 * i), 4);
        offset += static_cast<std::uint32_t>(records[i].size());
    }
    PutBE(out, 0, 2);
    for (const auto& record : records) Append(out, record);
    return out;
}

Bytes MakeMobi(const MobiBookLayout& layout) {
    constexpr std::uint32_t kMobiLength = 0xE8;
    Bytes record0(16 + kMobiLength, 0);
    std::uint32_t textLength = 0;
    for (const auto& text : layout.text) textLength += static_cast<std::uint32_t>(text.size());
    SetBE(record0, 0, 2, 2);  // compression: PalmDOC
    SetBE(record0, 4, textLength, 4);
    SetBE(record0, 8, static_cast<std::uint32_t>(layout.text.size()), 2);
    SetBE(record0, 10, 4096, 2);
    SetBE(record0, 12, static_cast<std::uint32_t>(layout.encryption), 2);
    std::memcpy(record0.data() + 16, "MOBI", 4);
    SetBE(record0, 20, kMobiLength, 4);
    SetBE(record0, 24, 2, 4);      // book
    SetBE(record0, 28, 65001, 4);  // UTF-8
    SetBE(record0, 36, 6, 4);      // file version
    for (std::size_t offset = 40; offset < 0x50; offset += 4) SetBE(record0, offset, 0xFFFFFFFF, 4);
    const std::uint32_t firstImage = static_cast<std::uint32_t>(1 + layout.text.size());
    SetBE(record0, 0x50, firstImage, 4);  // first record after the text
    SetBE(record0, 0x6C, layout.resources.empty() ? 0xFFFFFFFF : firstImage, 4);
    SetBE(record0, 0x80, layout.withExth ? 0x50 : 0x10, 4);
    if (layout.withExth) {
        Bytes items;
        std::uint32_t count = 0;
        const auto addNumber = [&](std::uint32_t type, std::uint32_t value) {
            PutBE(items, type, 4);
            PutBE(items, 12, 4);
            PutBE(items, value, 4);
            ++count;
        };
        PutBE(items, 100, 4);  // author, a text item between the numbers
        PutBE(items, 8 + 6, 4);
        PutText(items, "Writer");
        ++count;
        if (layout.coverOffset >= 0) addNumber(201, static_cast<std::uint32_t>(layout.coverOffset));
        if (layout.thumbOffset >= 0) addNumber(202, static_cast<std::uint32_t>(layout.thumbOffset));
        addNumber(203, 0);  // no fake cover
        PutText(record0, "EXTH");
        PutBE(record0, static_cast<std::uint32_t>(12 + items.size()), 4);
        PutBE(record0, count, 4);
        Append(record0, items);
        while (record0.size() % 4 != 0) record0.push_back(0);
    }
    SetBE(record0, 0x54, static_cast<std::uint32_t>(record0.size()), 4);
    SetBE(record0, 0x58, 4, 4);
    PutText(record0, "Book");
    record0.insert(record0.end(), 2, 0);

    std::vector<Bytes> records = {record0};
    records.insert(records.end(), layout.text.begin(), layout.text.end());
    records.insert(records.end(), layout.resources.begin(), layout.resources.end());
    if (layout.boundaryAfterResources) {
        records.push_back(Bytes{'B', 'O', 'U', 'N', 'D', 'A', 'R', 'Y'});
        Bytes kf8(record0);
        SetBE(kf8, 36, 8, 4);
        records.push_back(kf8);
        records.push_back(MakePng(3, 3, PngColour::kGray, Bytes(9, 77)));  // must not be listed
    }
    records.push_back(Bytes{'F', 'L', 'I', 'S', 0, 0, 0, 8});
    records.push_back(Bytes{0xE9, 0x8E, 0x0D, 0x0A});
    return MakePalmDatabase("Test_Book", "BOOK", "MOBI", records);
}

Bytes MakeJpegHeaderOnly(int width, int height) {
    Bytes out = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    out.insert(out.end(), {0xFF, 0xC0, 0, 17, 8});
    PutBE(out, static_cast<std::uint32_t>(height), 2);
    PutBE(out, static_cast<std::uint32_t>(width), 2);
    out.insert(out.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

Bytes MakeBmp24(int width, int height, const Bytes& bgrTopDown) {
    const int rowBytes = (width * 3 + 3) & ~3;
    Bytes out;
    PutText(out, "BM");
    PutLE(out, static_cast<std::uint32_t>(54 + rowBytes * height), 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    PutLE(out, 40, 4);
    PutLE(out, static_cast<std::uint32_t>(width), 4);
    PutLE(out, static_cast<std::uint32_t>(height), 4);
    PutLE(out, 1, 2);
    PutLE(out, 24, 2);
    PutLE(out, 0, 4);
    PutLE(out, static_cast<std::uint32_t>(rowBytes * height), 4);
    PutLE(out, 3780, 4);
    PutLE(out, 3780, 4);
    PutLE(out, 0, 4);
    PutLE(out, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        const auto row = bgrTopDown.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
        out.insert(out.end(), row, row + width * 3);
        out.insert(out.end(), static_cast<std::size_t>(rowBytes - width * 3), 0);
    }
    return out;
}

Bytes MakeCompoundFile(const std::vector<CompoundStream>& streams, bool sectorChainLoop) {
    constexpr std::size_t kSector = 512;
    constexpr std::size_t kMini = 64;
    // The mini stream and its table.
    Bytes miniStream;
    std::vector<std::uint32_t> miniFat;
    std::vector<std::uint32_t> starts(streams.size(), kEnd);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto& data = streams[i].data;
        if (data.size() >= 4096 || data.empty()) continue;
        const std::size_t count = (data.size() + kMini - 1) / kMini;
        starts[i] = static_cast<std::uint32_t>(miniFat.size());
        for (std::size_t k = 0; k < count; ++k) {
            miniFat.push_back(k + 1 < count ? static_cast<std::uint32_t>(miniFat.size() + 1) : kEnd);
        }
        Append(miniStream, data);
        miniStream.resize(miniFat.size() * kMini, 0);
    }
    const auto sectorsFor = [&](std::size_t bytes) { return (bytes + kSector - 1) / kSector; };
    const std::size_t dirSectors = sectorsFor((streams.size() + 1) * 128);
    const std::size_t miniFatSectors = sectorsFor(miniFat.size() * 4);
    const std::size_t miniStreamSectors = sectorsFor(miniStream.size());
    std::size_t bigSectors = 0;
    for (const auto& stream : streams) {
        if (stream.data.size() >= 4096) bigSectors += sectorsFor(stream.data.size());
    }
    const std::size_t rest = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;
    std::size_t fatSectors = 1;
    while (fatSectors * (kSector / 4) < fatSectors + rest) ++fatSectors;
    const std::size_t total = fatSectors + rest;

    std::vector<std::uint32_t> fat(fatSectors * (kSector / 4), kFree);
    std::vector<Bytes> sectors(total, Bytes(kSector, 0));
    std::size_t next = 0;
    for (std::size_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSector;
    const auto chain = [&](const Bytes& data, std::size_t count) -> std::uint32_t {
        if (count == 0) return kEnd;
        const std::uint32_t first = static_cast<std::uint32_t>(next);
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t at = k * kSector;
            std::copy(data.begin() + std::min(at, data.size()), data.begin() + std::min(at + kSector, data.size()),
                      sectors[next].begin());
            fat[next] = k + 1 < count ? static_cast<std::uint32_t>(next + 1) : kEnd;
            ++next;
        }
        return first;
    };

    Bytes directory;
    const auto entry = [&](const std::u16string& name, int type, std::uint32_t child, std::uint32_t right,
                           std::uint32_t start, std::uint32_t size) {
        Bytes e(128, 0);
        for (std::size_t k = 0; k < name.size() && k < 31; ++k) SetLE(e, k * 2, name[k], 2);
        SetLE(e, 64, static_cast<std::uint32_t>((name.size() + 1) * 2), 2);
        e[66] = static_cast<std::uint8_t>(type);
        e[67] = 1;
        SetLE(e, 68, kFree, 4);
        SetLE(e, 72, right, 4);
        SetLE(e, 76, child, 4);
        SetLE(e, 116, start, 4);
        SetLE(e, 120, size, 4);
        Append(directory, e);
    };
    Bytes miniFatBytes;
    for (auto value : miniFat) PutLE(miniFatBytes, value, 4);

    // Directory first (its content is known once the other chains have their places).
    const std::size_t dirFirst = next;
    next += dirSectors;
    const std::uint32_t miniFatFirst = chain(miniFatBytes, miniFatSectors);
    const std::uint32_t miniStreamFirst = chain(miniStream, miniStreamSectors);
    bool looped = false;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.size() < 4096) continue;
        starts[i] = chain(streams[i].data, sectorsFor(streams[i].data.size()));
        if (sectorChainLoop && !looped) {
            fat[starts[i]] = starts[i];
            looped = true;
        }
    }
    entry(u"Root Entry", 5, streams.empty() ? kFree : 1, kFree, miniStreamFirst,
          static_cast<std::uint32_t>(miniStream.size()));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t right = i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kFree;
        entry(streams[i].name, 2, kFree, right, starts[i], static_cast<std::uint32_t>(streams[i].data.size()));
    }
    for (std::size_t k = 0; k < dirSectors; ++k) {
        const std::size_t at = k * kSector;
        std::copy(directory.begin() + std::min(at, directory.size()),
                  directory.begin() + std::min(at + kSector, directory.size()), sectors[dirFirst + k].begin());
        fat[dirFirst + k] = k + 1 < dirSectors ? static_cast<std::uint32_t>(dirFirst + k + 1) : kEnd;
    }
    for (std::size_t i = 0; i < fatSectors; ++i) {
        for (std::size_t k = 0; k < kSector / 4; ++k) SetLE(sectors[i], k * 4, fat[i * (kSector / 4) + k], 4);
    }

    Bytes out = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    out.resize(kSector, 0);
    SetLE(out, 0x18, 0x3E, 2);
    SetLE(out, 0x1A, 3, 2);
    SetLE(out, 0x1C, 0xFFFE, 2);
    SetLE(out, 0x1E, 9, 2);
    SetLE(out, 0x20, 6, 2);
    SetLE(out, 0x2C, static_cast<std::uint32_t>(fatSectors), 4);
    SetLE(out, 0x30, static_cast<std::uint32_t>(dirFirst), 4);
    SetLE(out, 0x38, 4096, 4);
    SetLE(out, 0x3C, miniFatFirst, 4);
    SetLE(out, 0x40, static_cast<std::uint32_t>(miniFatSectors), 4);
    SetLE(out, 0x44, kEnd, 4);
    SetLE(out, 0x48, 0, 4);
    for (std::size_t i = 0; i < 109; ++i) {
        SetLE(out, 0x4C + i * 4, i < fatSectors ? static_cast<std::uint32_t>(i) : kFree, 4);
    }
    for (const auto& sector : sectors) Append(out, sector);
    return out;
}

Bytes MakeBlip(std::uint16_t type, const Bytes& data, bool twoIds) {
    int instance = 0;
    switch (type) {
        case 0xF01D:
            instance = 0x46A;
            break;
        case 0xF01E:
            instance = 0x6E0;
            break;
        case 0xF01F:
            instance = 0x7A8;
            break;
        case 0xF029:
            instance = 0x6E4;
            break;
        default:
            break;
    }
    Bytes body = Uid(static_cast<std::uint8_t>(data.size()));
    if (twoIds) Append(body, Uid(7));
    body.push_back(0xFF);
    Append(body, data);
    return Record(0, instance + (twoIds ? 1 : 0), type, body);
}

Bytes MakeMetafileBlip(std::uint16_t type,
                       const Bytes& metafile,
                       bool deflate,
                       int boundsRight,
                       int boundsBottom,
                       int emuWidth,
                       int emuHeight) {
    const Bytes stored = deflate ? ZlibStoredStream(metafile) : metafile;
    Bytes body = Uid(static_cast<std::uint8_t>(metafile.size()));
    PutLE(body, static_cast<std::uint32_t>(metafile.size()), 4);
    PutLE(body, 0, 4);
    PutLE(body, 0, 4);
    PutLE(body, static_cast<std::uint32_t>(boundsRight), 4);
    PutLE(body, static_cast<std::uint32_t>(boundsBottom), 4);
    PutLE(body, static_cast<std::uint32_t>(emuWidth), 4);
    PutLE(body, static_cast<std::uint32_t>(emuHeight), 4);
    PutLE(body, static_cast<std::uint32_t>(stored.size()), 4);
    body.push_back(deflate ? 0 : 0xFE);
    body.push_back(0xFE);
    Append(body, stored);
    return Record(0, type == 0xF01A ? 0x3D4 : 0x216, type, body);
}

namespace {

// The kind number a picture store entry gives its picture.
std::uint8_t BlipKindNumber(const Bytes& blip) {
    switch (blip[2] | (blip[3] << 8)) {
        case 0xF01A:
            return 2;
        case 0xF01B:
            return 3;
        case 0xF01D:
            return 5;
        case 0xF01E:
            return 6;
        case 0xF01F:
            return 7;
        case 0xF029:
            return 17;
        default:
            return 0;
    }
}

Bytes Fbse(const Bytes& blip, bool embedded, std::uint32_t delayOffset) {
    const std::uint8_t kind = BlipKindNumber(blip);
    Bytes body = {kind, kind};
    Append(body, Uid(kind));
    PutLE(body, 0xFF, 2);
    PutLE(body, static_cast<std::uint32_t>(blip.size()), 4);
    PutLE(body, 1, 4);
    PutLE(body, embedded ? 0 : delayOffset, 4);
    body.insert(body.end(), {0, 0, 0, 0});
    if (embedded) Append(body, blip);
    return Record(2, kind, 0xF007, body);
}

Bytes ShapeContainer(std::uint32_t spid, std::uint32_t pib) {
    Bytes fsp;
    PutLE(fsp, spid, 4);
    PutLE(fsp, 0xA00, 4);
    Bytes fopt;
    PutLE(fopt, 0x4104, 2);  // picture store index, as an entry number
    PutLE(fopt, pib, 4);
    Bytes body = Record(2, 75, 0xF00A, fsp);
    Append(body, Record(3, 1, 0xF00B, fopt));
    return Record(0xF, 0, 0xF004, body);
}

}  // namespace

std::vector<CompoundStream> WordDocumentStreams(const WordDocumentSpec& layout) {
    constexpr std::uint32_t kTextStart = 1024;
    Bytes word(kTextStart, 0);
    SetLE(word, 0, 0xA5EC, 2);
    SetLE(word, 2, layout.nFib, 2);
    SetLE(word, 6, 0x409, 2);
    SetLE(word, 0x0A, 0x0200 | (layout.encrypted ? 0x0100 : 0), 2);
    SetLE(word, 0x0C, 0xBF, 2);
    std::size_t position = 32;
    SetLE(word, position, 14, 2);
    position += 2 + 28;
    SetLE(word, position, 22, 2);
    const std::size_t rgLw = position + 2;
    position += 2 + 88;
    SetLE(word, position, 93, 2);
    const std::size_t fcLcb = position + 2;
    const auto setPart = [&](std::size_t index, std::size_t fc, std::size_t lcb) {
        SetLE(word, fcLcb + index * 8, static_cast<std::uint32_t>(fc), 4);
        SetLE(word, fcLcb + index * 8 + 4, static_cast<std::uint32_t>(lcb), 4);
    };
    SetLE(word, rgLw + 12, static_cast<std::uint32_t>(layout.text.size()), 4);  // characters of the main text
    PutText(word, layout.text.c_str());
    word.resize((word.size() + 511) / 512 * 512, 0);
    const std::size_t fkpPage = word.size() / 512;
    word.resize(word.size() + 512, 0);

    Bytes data;
    Bytes table;
    std::vector<std::pair<std::uint32_t, const WordPictureSpec*>> anchors;  // (cp, picture)
    std::vector<const WordPictureSpec*> stored;                             // the picture store
    std::vector<std::pair<std::uint32_t, std::uint32_t>> inlineRuns;        // (cp, data offset)
    std::size_t pictureIndex = 0;
    for (std::size_t cp = 0; cp < layout.text.size() && pictureIndex < layout.pictures.size(); ++cp) {
        const char c = layout.text[cp];
        if (c != 0x01 && c != 0x08) continue;
        const auto& picture = layout.pictures[pictureIndex++];
        if (picture.floating) {
            anchors.emplace_back(static_cast<std::uint32_t>(cp), &picture);
            stored.push_back(&picture);
            continue;
        }
        inlineRuns.emplace_back(static_cast<std::uint32_t>(cp), static_cast<std::uint32_t>(data.size()));
        Bytes header(0x44, 0);
        SetLE(header, 4, 0x44, 2);
        SetLE(header, 6, 0x64, 2);
        Bytes records;
        if (picture.viaStore) {
            stored.push_back(&picture);
            records = ShapeContainer(0x400 + static_cast<std::uint32_t>(cp), static_cast<std::uint32_t>(stored.size()));
        } else {
            records = ShapeContainer(0x400 + static_cast<std::uint32_t>(cp), 1);
            Append(records, Fbse(picture.blip, true, 0));
        }
        SetLE(header, 0, static_cast<std::uint32_t>(header.size() + records.size()), 4);
        Append(data, header);
        Append(data, records);
    }

    // Character runs: one per inline picture, plain runs between them.
    std::vector<std::uint32_t> runStarts = {0};
    std::vector<std::uint32_t> runLocation = {kFree};
    for (const auto& [cp, offset] : inlineRuns) {
        if (runStarts.back() == cp) {
            runLocation.back() = offset;
        } else {
            runStarts.push_back(cp);
            runLocation.push_back(offset);
        }
        if (cp + 1 < layout.text.size()) {
            runStarts.push_back(cp + 1);
            runLocation.push_back(kFree);
        }
    }
    const std::size_t runs = runStarts.size();
    Bytes& fkp = word;
    const std::size_t page = fkpPage * 512;
    std::size_t chpxAt = 511;
    for (std::size_t run = 0; run < runs; ++run) {
        SetLE(fkp, page + run * 4, kTextStart + runStarts[run], 4);
        if (runLocation[run] == kFree) continue;
        const Bytes chpx = {9,
                            0x55,
                            0x08,
                            1,
                            0x03,
                            0x6A,
                            static_cast<std::uint8_t>(runLocation[run]),
                            static_cast<std::uint8_t>(runLocation[run] >> 8),
                            static_cast<std::uint8_t>(runLocation[run] >> 16),
                            static_cast<std::uint8_t>(runLocation[run] >> 24)};
        chpxAt = (chpxAt - chpx.size()) & ~std::size_t{1};
        std::copy(chpx.begin(), chpx.end(), fkp.begin() + static_cast<std::ptrdiff_t>(page + chpxAt));
        fkp[page + (runs + 1) * 4 + run] = static_cast<std::uint8_t>(chpxAt / 2);
    }
    SetLE(fkp, page + runs * 4, static_cast<std::uint32_t>(kTextStart + layout.text.size()), 4);
    fkp[page + 511] = static_cast<std::uint8_t>(runs);

    // Piece table: the whole text as one piece of 8-bit characters.
    const std::size_t clx = table.size();
    table.push_back(2);
    PutLE(table, 16, 4);
    PutLE(table, 0, 4);
    PutLE(table, static_cast<std::uint32_t>(layout.text.size()), 4);
    PutLE(table, 0, 2);
    PutLE(table, (kTextStart * 2) | 0x40000000, 4);
    PutLE(table, 0, 2);
    setPart(33, clx, table.size() - clx);
    const std::size_t bte = table.size();
    PutLE(table, kTextStart, 4);
    PutLE(table, static_cast<std::uint32_t>(kTextStart + layout.text.size()), 4);
    PutLE(table, static_cast<std::uint32_t>(fkpPage), 4);
    setPart(12, bte, table.size() - bte);

    if (!stored.empty()) {
        Bytes store;
        Bytes shapes = ShapeContainer(0x400, 0);  // the drawing's own group shape
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const auto& picture = *stored[i];
            const std::uint32_t delayOffset = static_cast<std::uint32_t>(word.size());
            if (picture.delayed) Append(word, picture.blip);
            Append(store, Fbse(picture.blip, !picture.delayed, delayOffset));
        }
        for (std::size_t i = 0; i < anchors.size(); ++i) {
            const auto slot = std::find(stored.begin(), stored.end(), anchors[i].second) - stored.begin();
            Append(shapes, ShapeContainer(0x401 + static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(slot + 1)));
        }
        Bytes fdgg(16, 0);
        Bytes dggBody = Record(0, 0, 0xF006, fdgg);
        Append(dggBody, Record(0xF, static_cast<int>(stored.size()), 0xF001, store));
        const std::size_t dgg = table.size();
        Append(table, Record(0xF, 0, 0xF000, dggBody));
        table.push_back(0);  // the main document's drawing
        Bytes dgBody = Record(0, 1, 0xF008, Bytes(8, 0));
        Append(dgBody, Record(0xF, 0, 0xF003, shapes));
        Append(table, Record(0xF, 0, 0xF002, dgBody));
        setPart(50, dgg, table.size() - dgg);
    }
    if (!anchors.empty()) {
        const std::size_t spa = table.size();
        for (const auto& anchor : anchors) PutLE(table, anchor.first, 4);
        PutLE(table, static_cast<std::uint32_t>(layout.text.size()), 4);
        for (std::size_t i = 0; i < anchors.size(); ++i) {
            Bytes fspa(26, 0);
            SetLE(fspa, 0, 0x401 + static_cast<std::uint32_t>(i), 4);
            SetLE(fspa, 12, 1440, 4);
            SetLE(fspa, 16, 1440, 4);
            Append(table, fspa);
        }
        setPart(40, spa, table.size() - spa);
    }
    SetLE(word, rgLw, static_cast<std::uint32_t>(word.size()), 4);

    std::vector<CompoundStream> streams = {{u"WordDocument", word}, {u"1Table", table}};
    if (!data.empty()) streams.push_back({u"Data", data});
    return streams;
}

Bytes MakeWordDocument(const WordDocumentSpec& layout) {
    return MakeCompoundFile(WordDocumentStreams(layout));
}

}  // namespace pictrove::test
