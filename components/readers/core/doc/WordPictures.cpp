// Finding the pictures of a Word document: FIB, piece table, character runs, Data stream
// picture records, the drawing group's picture store and the floating shapes' anchors.
#include "doc/WordPictures.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

constexpr std::uint16_t kWordIdent = 0xA5EC;
constexpr std::uint16_t kFirstWord97Fib = 0xC0;
constexpr std::uint16_t kFlagEncrypted = 0x0100;
constexpr std::uint16_t kFlagTable1 = 0x0200;
constexpr std::uint16_t kFlagObfuscated = 0x8000;

// Places of the (offset, size) pairs used here in the FIB's table of them.
enum FcLcb : std::size_t { kPlcfBteChpx = 12, kClx = 33, kPlcSpaMom = 40, kDggInfo = 50 };

constexpr std::size_t kFkpSize = 512;
constexpr std::uint16_t kSprmPicLocation = 0x6A03;
constexpr std::uint16_t kSprmData = 0x0806;
constexpr std::uint16_t kSprmOle2 = 0x080A;
constexpr std::size_t kPicfHeaderSize = 0x44;
constexpr std::uint16_t kShapeFile = 0x66;

enum RecordType : std::uint16_t {
    kDggContainer = 0xF000,
    kBStoreContainer = 0xF001,
    kDgContainer = 0xF002,
    kSpContainer = 0xF004,
    kFbse = 0xF007,
    kFsp = 0xF00A,
    kFopt = 0xF00B,
    kBlipEmf = 0xF01A,
    kBlipWmf = 0xF01B,
    kBlipJpeg = 0xF01D,
    kBlipPng = 0xF01E,
    kBlipDib = 0xF01F,
    kBlipTiff = 0xF029,
    kBlipJpegCmyk = 0xF02A,
};
constexpr std::uint16_t kPropertyPib = 0x0104;
constexpr std::uint16_t kPropertyIsBlip = 0x4000;
constexpr std::size_t kFbseFixedSize = 36;
constexpr std::size_t kMetafileHeaderSize = 34;
// Nesting of drawing containers seen in real files is shallow; this only stops runaway input.
constexpr int kMaxDepth = 16;

struct RecordHeader {
    std::uint16_t instance = 0;
    std::uint8_t version = 0;
    std::uint16_t type = 0;
    std::span<const std::uint8_t> body;
    std::size_t end = 0;  // offset after the record
};

std::optional<RecordHeader> ReadRecord(std::span<const std::uint8_t> data, std::size_t offset) {
    ByteReader reader(data, offset);
    const std::uint16_t verInstance = reader.U16LE();
    RecordHeader header;
    header.type = reader.U16LE();
    const std::uint32_t length = reader.U32LE();
    header.body = reader.Bytes(length);
    if (!reader.Ok()) return std::nullopt;
    header.version = verInstance & 0xF;
    header.instance = verInstance >> 4;
    header.end = reader.Position();
    return header;
}

struct Fib {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> fcLcb;
    std::span<const std::uint8_t> Part(std::span<const std::uint8_t> stream, std::size_t index) const {
        if (index >= fcLcb.size()) return {};
        const auto [fc, lcb] = fcLcb[index];
        if (lcb == 0 || fc > stream.size() || lcb > stream.size() - fc) return {};
        return stream.subspan(fc, lcb);
    }
};

// Maps file positions in the WordDocument stream to character positions through the pieces.
class PieceTable {
  public:
    explicit PieceTable(std::span<const std::uint8_t> clx) {
        ByteReader reader(clx);
        while (reader.Ok() && reader.Remaining() > 0) {
            const std::uint8_t kind = reader.U8();
            if (kind == 1) {
                reader.Skip(reader.U16LE());  // property modifiers
                continue;
            }
            if (kind != 2) return;
            const std::uint32_t size = reader.U32LE();
            if (size < 4 || size > reader.Remaining()) return;
            const std::size_t count = (size - 4) / 12;
            std::vector<std::uint32_t> cps(count + 1);
            for (auto& cp : cps) cp = reader.U32LE();
            for (std::size_t i = 0; i < count && reader.Ok(); ++i) {
                reader.Skip(2);
                const std::uint32_t fc = reader.U32LE();
                reader.Skip(2);
                Piece piece;
                piece.cpStart = cps[i];
                piece.cpEnd = cps[i + 1];
                piece.compressed = (fc & 0x40000000) != 0;
                piece.fc = piece.compressed ? (fc & ~0x40000000u) / 2 : fc;
                if (piece.cpEnd > piece.cpStart) pieces_.push_back(piece);
            }
            return;
        }
    }

    std::optional<std::uint32_t> CpOf(std::uint32_t fc) const {
        for (const auto& piece : pieces_) {
            const std::uint64_t width = piece.compressed ? 1 : 2;
            const std::uint64_t end = piece.fc + std::uint64_t{piece.cpEnd - piece.cpStart} * width;
            if (fc >= piece.fc && fc < end) return static_cast<std::uint32_t>(piece.cpStart + (fc - piece.fc) / width);
        }
        return std::nullopt;
    }

  private:
    struct Piece {
        std::uint32_t cpStart = 0;
        std::uint32_t cpEnd = 0;
        std::uint32_t fc = 0;
        bool compressed = false;
    };
    std::vector<Piece> pieces_;
};

// Size of a property modifier's operand, from the size code in its top three bits.
std::optional<std::size_t> OperandSize(std::uint16_t sprm, ByteReader& reader) {
    switch (sprm >> 13) {
        case 0:
        case 1:
            return 1;
        case 2:
        case 4:
        case 5:
            return 2;
        case 3:
            return 4;
        case 7:
            return 3;
        case 6:
            return reader.U8();
    }
    return std::nullopt;
}

struct Placed {
    std::uint32_t cp = 0;
    WordBlip blip;
};

// Inline pictures: character runs carrying a picture location into the Data stream.
std::vector<std::pair<std::uint32_t, std::uint32_t>> PictureLocations(std::span<const std::uint8_t> word,
                                                                      std::span<const std::uint8_t> bteChpx,
                                                                      const PieceTable& pieces) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;  // (cp, data offset)
    if (bteChpx.size() < 4) return found;
    const std::size_t count = (bteChpx.size() - 4) / 8;
    ByteReader pages(bteChpx, (count + 1) * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t page = std::size_t{pages.U32LE() & 0x3FFFFF} * kFkpSize;
        if (!pages.Ok() || page + kFkpSize > word.size()) continue;
        const auto fkp = word.subspan(page, kFkpSize);
        const std::size_t runs = fkp[kFkpSize - 1];
        if ((runs + 1) * 4 + runs > kFkpSize - 1) continue;
        ByteReader starts(fkp);
        for (std::size_t run = 0; run < runs; ++run) {
            starts.Seek(run * 4);
            const std::uint32_t fc = starts.U32LE();
            const std::size_t chpx = std::size_t{fkp[(runs + 1) * 4 + run]} * 2;
            if (chpx == 0) continue;  // default character properties
            ByteReader properties(fkp, chpx);
            const std::size_t size = properties.U8();
            ByteReader sprms(properties.Bytes(size));
            std::optional<std::uint32_t> location;
            bool notPicture = false;
            while (sprms.Ok() && sprms.Remaining() >= 2) {
                const std::uint16_t sprm = sprms.U16LE();
                const auto operand = OperandSize(sprm, sprms);
                if (!operand) break;
                ByteReader value(sprms.Bytes(*operand));
                if (sprm == kSprmPicLocation) location = value.U32LE();
                if ((sprm == kSprmData || sprm == kSprmOle2) && value.U8() != 0) notPicture = true;
            }
            if (!location || notPicture) continue;
            // Runs outside the pieces belong to no text; they sort after all that do.
            found.emplace_back(pieces.CpOf(fc).value_or(0xFFFFFFFF), *location);
        }
    }
    return found;
}

void BlipsInFbse(const RecordHeader& fbse, std::span<const std::uint8_t> delayStream, std::vector<WordBlip>& out) {
    ByteReader reader(fbse.body);
    reader.Skip(2 + 16 + 2);  // kinds for two platforms, identifier, tag
    const std::uint32_t size = reader.U32LE();
    reader.U32LE();  // references
    const std::uint32_t delayOffset = reader.U32LE();
    reader.Skip(1);
    const std::size_t nameSize = reader.U8();
    reader.Skip(2 + nameSize);
    if (!reader.Ok()) return;
    std::optional<RecordHeader> blip;
    if (reader.Remaining() >= 8) {
        blip = ReadRecord(fbse.body, reader.Position());
    } else if (size > 0 && delayOffset < delayStream.size()) {
        blip = ReadRecord(delayStream, delayOffset);
    }
    if (!blip) return;
    const auto start = blip->body.data() - 8;
    if (auto parsed = ParseBlip(std::span(start, blip->body.size() + 8))) out.push_back(std::move(*parsed));
}

// Shape id -> picture store index (1-based) of every picture shape in the drawings.
void CollectShapes(std::span<const std::uint8_t> data, int depth, std::map<std::uint32_t, std::uint32_t>& shapes) {
    if (depth > kMaxDepth) return;
    std::size_t position = 0;
    while (position < data.size()) {
        const auto record = ReadRecord(data, position);
        if (!record) return;
        position = record->end;
        if (record->type == kSpContainer) {
            std::optional<std::uint32_t> id;
            std::optional<std::uint32_t> pib;
            std::size_t inner = 0;
            while (inner < record->body.size()) {
                const auto child = ReadRecord(record->body, inner);
                if (!child) break;
                inner = child->end;
                if (child->type == kFsp) {
                    ByteReader fsp(child->body);
                    const std::uint32_t spid = fsp.U32LE();
                    if (fsp.Ok()) id = spid;
                } else if (child->type == kFopt) {
                    ByteReader properties(child->body);
                    for (int i = 0; i < child->instance && properties.Ok(); ++i) {
                        const std::uint16_t property = properties.U16LE();
                        const std::uint32_t value = properties.U32LE();
                        if ((property & 0x3FFF) == kPropertyPib && (property & kPropertyIsBlip) != 0 &&
                            properties.Ok()) {
                            pib = value;
                        }
                    }
                } else if (child->version == 0xF) {
                    CollectShapes(child->body, depth + 1, shapes);  // a group's inner shapes
                }
            }
            if (id && pib) shapes.emplace(*id, *pib);
        } else if (record->version == 0xF) {
            CollectShapes(record->body, depth + 1, shapes);
        }
    }
}

// Inline picture at offset in the Data stream: a picture header, the shape, then the picture
// store entries with their pictures. Some writers put no picture there and let the shape name an
// entry of the document's picture store instead (storeIndex, 1-based, 0 for none).
std::vector<WordBlip> InlinePicture(std::span<const std::uint8_t> data,
                                    std::uint32_t offset,
                                    std::uint32_t& storeIndex) {
    std::vector<WordBlip> blips;
    storeIndex = 0;
    ByteReader reader(data, offset);
    const std::uint32_t total = reader.U32LE();
    const std::uint16_t headerSize = reader.U16LE();
    const std::uint16_t mapMode = reader.U16LE();
    if (!reader.Ok() || headerSize != kPicfHeaderSize || total < headerSize || total > data.size() - offset) {
        return blips;
    }
    const auto picture = data.subspan(offset, total);
    std::size_t position = headerSize;
    if (mapMode == kShapeFile) {
        if (position >= picture.size()) return blips;
        position += 1 + picture[position];  // the picture's file name
    }
    std::map<std::uint32_t, std::uint32_t> shapes;
    while (position < picture.size()) {
        const auto record = ReadRecord(picture, position);
        if (!record) break;
        if (record->type == kFbse) BlipsInFbse(*record, data, blips);
        if (record->type == kSpContainer) CollectShapes(picture.subspan(position, record->end - position), 0, shapes);
        position = record->end;
    }
    if (!shapes.empty()) storeIndex = shapes.begin()->second;
    return blips;
}

struct BlipHash {
    std::size_t operator()(const std::vector<std::uint8_t>* bytes) const {
        std::size_t hash = 1469598103934665603ull;
        for (auto b : *bytes) hash = (hash ^ b) * 1099511628211ull;
        return hash;
    }
};
struct BlipEqual {
    bool operator()(const std::vector<std::uint8_t>* a, const std::vector<std::uint8_t>* b) const { return *a == *b; }
};

}  // namespace

std::vector<WordBlip> PictureStore(std::span<const std::uint8_t> drawingGroup,
                                   std::span<const std::uint8_t> delayStream) {
    std::vector<WordBlip> store;
    const auto dgg = ReadRecord(drawingGroup, 0);
    if (!dgg || dgg->type != kDggContainer) return store;
    std::size_t position = 0;
    while (position < dgg->body.size()) {
        const auto record = ReadRecord(dgg->body, position);
        if (!record) break;
        position = record->end;
        if (record->type != kBStoreContainer) continue;
        std::size_t inner = 0;
        while (inner < record->body.size()) {
            const auto fbse = ReadRecord(record->body, inner);
            if (!fbse) break;
            inner = fbse->end;
            std::vector<WordBlip> one;
            // An entry no shape refers to any more (its count is zero) is a deleted picture.
            ByteReader references(fbse->body, 24);
            if (fbse->type == kFbse && references.U32LE() != 0) BlipsInFbse(*fbse, delayStream, one);
            // Empty slots keep their place: shapes refer to entries by number.
            store.push_back(one.empty() ? WordBlip{} : std::move(one.front()));
        }
    }
    return store;
}

std::optional<WordBlip> ParseBlip(std::span<const std::uint8_t> record) {
    const auto header = ReadRecord(record, 0);
    if (!header) return std::nullopt;
    WordBlip blip;
    bool metafile = false;
    switch (header->type) {
        case kBlipEmf:
            blip.kind = BlipKind::kEmf;
            metafile = true;
            break;
        case kBlipWmf:
            blip.kind = BlipKind::kWmf;
            metafile = true;
            break;
        case kBlipJpeg:
        case kBlipJpegCmyk:
            blip.kind = BlipKind::kJpeg;
            break;
        case kBlipPng:
            blip.kind = BlipKind::kPng;
            break;
        case kBlipDib:
            blip.kind = BlipKind::kDib;
            break;
        case kBlipTiff:
            blip.kind = BlipKind::kTiff;
            break;
        default:
            return std::nullopt;
    }
    // Odd instances carry a second identifier (of the original before cropping and the like).
    ByteReader reader(header->body);
    reader.Skip((header->instance & 1) ? 32 : 16);
    if (metafile) {
        blip.inflatedSize = reader.U32LE();
        blip.boundsLeft = static_cast<std::int32_t>(reader.U32LE());
        blip.boundsTop = static_cast<std::int32_t>(reader.U32LE());
        blip.boundsRight = static_cast<std::int32_t>(reader.U32LE());
        blip.boundsBottom = static_cast<std::int32_t>(reader.U32LE());
        blip.sizeX = static_cast<std::int32_t>(reader.U32LE());
        blip.sizeY = static_cast<std::int32_t>(reader.U32LE());
        const std::uint32_t saved = reader.U32LE();
        const std::uint8_t compression = reader.U8();
        reader.Skip(1);
        blip.deflated = compression == 0;
        const auto bytes = reader.Bytes(std::min<std::size_t>(saved, reader.Remaining()));
        blip.data.assign(bytes.begin(), bytes.end());
    } else {
        reader.Skip(1);  // tag
        const auto bytes = reader.Bytes(reader.Remaining());
        blip.data.assign(bytes.begin(), bytes.end());
    }
    if (!reader.Ok() || blip.data.empty()) return std::nullopt;
    return blip;
}

WordPictures FindWordPictures(const CompoundFile& file) {
    WordPictures result;
    const auto word = file.ReadStream(u"WordDocument");
    if (!word) return result;
    ByteReader reader(*word);
    const std::uint16_t ident = reader.U16LE();
    const std::uint16_t version = reader.U16LE();
    reader.Seek(0x0A);
    const std::uint16_t flags = reader.U16LE();
    if (!reader.Ok() || ident != kWordIdent || version < kFirstWord97Fib) return result;
    if ((flags & (kFlagEncrypted | kFlagObfuscated)) != 0) {
        result.status = WordPictures::Status::kEncrypted;
        return result;
    }
    reader.Seek(32);
    reader.Skip(std::size_t{reader.U16LE()} * 2);
    reader.Skip(std::size_t{reader.U16LE()} * 4);
    Fib fib;
    fib.fcLcb.resize(reader.U16LE());
    for (auto& [fc, lcb] : fib.fcLcb) {
        fc = reader.U32LE();
        lcb = reader.U32LE();
    }
    if (!reader.Ok()) return result;
    const auto table = file.ReadStream((flags & kFlagTable1) ? u"1Table" : u"0Table");
    if (!table) return result;
    const std::vector<std::uint8_t> data = file.ReadStream(u"Data").value_or(std::vector<std::uint8_t>{});
    result.status = WordPictures::Status::kOk;

    std::vector<Placed> placed;
    // The drawing group: the picture store, then one drawing per part of the document.
    std::vector<WordBlip> store;
    std::vector<bool> storeUsed;
    std::map<std::uint32_t, std::uint32_t> shapes;
    const auto dggInfo = fib.Part(*table, kDggInfo);
    if (const auto dgg = ReadRecord(dggInfo, 0); dgg && dgg->type == kDggContainer) {
        store = PictureStore(dggInfo.first(dgg->end), *word);
        storeUsed.assign(store.size(), false);
        // After the group container: for each drawing, a byte naming its part and its container.
        for (std::size_t position = dgg->end; position < dggInfo.size();) {
            const auto drawing = ReadRecord(dggInfo, position + 1);
            if (!drawing || drawing->type != kDgContainer) break;
            CollectShapes(drawing->body, 0, shapes);
            position = drawing->end;
        }
    }
    const PieceTable pieces(fib.Part(*table, kClx));
    auto locations = PictureLocations(*word, fib.Part(*table, kPlcfBteChpx), pieces);
    std::stable_sort(locations.begin(), locations.end());
    std::unordered_set<std::uint32_t> seenLocations;
    for (const auto& [cp, offset] : locations) {
        if (!seenLocations.insert(offset).second) continue;
        std::uint32_t storeIndex = 0;
        auto blips = InlinePicture(data, offset, storeIndex);
        if (blips.empty() && storeIndex > 0 && storeIndex <= store.size() && !store[storeIndex - 1].data.empty()) {
            placed.push_back({cp, store[storeIndex - 1]});
            storeUsed[storeIndex - 1] = true;
        }
        for (auto& blip : blips) placed.push_back({cp, std::move(blip)});
    }

    const auto anchors = fib.Part(*table, kPlcSpaMom);
    if (anchors.size() >= 4) {
        constexpr std::size_t kFspaSize = 26;
        const std::size_t count = (anchors.size() - 4) / (4 + kFspaSize);
        ByteReader cps(anchors);
        for (std::size_t i = 0; i < count; ++i) {
            cps.Seek(i * 4);
            const std::uint32_t cp = cps.U32LE();
            ByteReader fspa(anchors, (count + 1) * 4 + i * kFspaSize);
            const std::uint32_t spid = fspa.U32LE();
            const auto shape = shapes.find(spid);
            if (shape == shapes.end() || shape->second == 0 || shape->second > store.size()) continue;
            const std::size_t slot = shape->second - 1;
            if (store[slot].data.empty()) continue;
            placed.push_back({cp, store[slot]});
            storeUsed[slot] = true;
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.cp < b.cp; });
    // Pictures of headers, footers and text boxes have no place in the main text: they follow.
    for (std::size_t slot = 0; slot < store.size(); ++slot) {
        if (!storeUsed[slot] && !store[slot].data.empty()) placed.push_back({0xFFFFFFFF, std::move(store[slot])});
    }

    // The same picture used twice is stored twice for inline use; it is listed once.
    std::unordered_set<const std::vector<std::uint8_t>*, BlipHash, BlipEqual> seen;
    std::vector<bool> keep(placed.size(), false);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        keep[i] = !placed[i].blip.data.empty() && seen.insert(&placed[i].blip.data).second;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (keep[i]) result.blips.push_back(std::move(placed[i].blip));
    }
    return result;
}

}  // namespace pictrove::readers
