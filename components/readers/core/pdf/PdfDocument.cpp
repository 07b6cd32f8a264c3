// Cross-reference reading, recovery and object loading.
#include "PdfDocument.h"

#include <algorithm>
#include <string_view>

#include "PdfFilters.h"
#include "PdfLexer.h"
#include "PdfSecurity.h"

namespace pictrove::readers::pdf {
namespace {

// Object numbers beyond this are refused: no real file has that many, and it bounds tables.
constexpr std::int64_t kMaxObjectNumber = 16 * 1024 * 1024;
// Object streams and cross-reference streams never need more than this once decoded.
constexpr std::size_t kMaxStructureStreamBytes = std::size_t{256} << 20;

bool ReadInt(Lexer& lexer, std::int64_t& value) {
    const Token token = lexer.Next();
    if (token.kind != TokenKind::kInteger) return false;
    value = token.integer;
    return true;
}

// Position just after "endstream" search start: finds the end of stream data when the length
// is missing or wrong, dropping the end of line before the keyword.
std::size_t StreamEndByScan(std::span<const std::uint8_t> file, std::size_t start) {
    std::size_t end = FindBytes(file, "endstream", start);
    if (end == std::string_view::npos) {
        end = FindBytes(file, "endobj", start);
        if (end == std::string_view::npos) return file.size();
    }
    if (end > start && file[end - 1] == '\n') --end;
    if (end > start && file[end - 1] == '\r') --end;
    return end;
}

}  // namespace

Document::Document() = default;
Document::~Document() = default;

void Document::SetSecurity(std::unique_ptr<Security> security) {
    security_ = std::move(security);
    cache_.clear();  // strings of objects loaded before are still encrypted
    objectStreams_.clear();
}

std::int64_t Document::EncryptObjectNumber() const {
    const Object& encrypt = trailer_.Get("Encrypt");
    return encrypt.IsRef() ? encrypt.integer : -1;
}

bool Document::Load(std::span<const std::uint8_t> file) {
    file_ = file;
    entries_.clear();
    cache_.clear();
    trailer_ = {};
    headerFound_ = false;
    // Junk before the header is common (mail gateways, web servers); within the first kilobyte.
    const std::size_t header = FindBytes(file_.first(std::min<std::size_t>(file_.size(), 1024)), "%PDF-", 0);
    if (header == std::string_view::npos) return false;
    headerFound_ = true;

    std::size_t tailFrom = file_.size() > 4096 ? file_.size() - 4096 : 0;
    std::size_t startxref = std::string_view::npos;
    for (std::size_t at = FindBytes(file_, "startxref", tailFrom); at != std::string_view::npos;
         at = FindBytes(file_, "startxref", at + 1)) {
        startxref = at;
    }
    bool ok = false;
    if (startxref != std::string_view::npos) {
        Lexer lexer(file_, startxref + 9);
        std::int64_t offset = 0;
        if (ReadInt(lexer, offset) && offset >= 0 && static_cast<std::uint64_t>(offset) < file_.size()) {
            ok = ReadXrefChain(static_cast<std::size_t>(offset));
            // Offsets counted from the header rather than the file's start.
            if (!ok && header > 0 && static_cast<std::uint64_t>(offset) + header < file_.size()) {
                entries_.clear();
                trailer_ = {};
                ok = ReadXrefChain(static_cast<std::size_t>(offset) + header);
            }
        }
    }
    if (!ok || !trailer_.Get("Root").IsRef()) Recover();
    return trailer_.Get("Root").IsRef() || trailer_.Get("Root").IsDict();
}

bool Document::ReadXrefChain(std::size_t start) {
    std::unordered_set<std::size_t> seen;
    std::vector<std::pair<std::size_t, bool>> pending = {{start, false}};  // offset, hybrid stream
    bool first = true;
    int sections = 0;
    while (!pending.empty() && sections++ < kMaxXrefSections) {
        const auto [position, hybrid] = pending.back();
        pending.pop_back();
        if (!seen.insert(position).second) continue;  // a loop of /Prev offsets
        Dict trailer;
        Lexer probe(file_, position);
        const bool table = probe.Next().IsKeyword("xref");
        const bool read = table ? ReadXrefTable(position, trailer) : ReadXrefStream(position, trailer, hybrid);
        if (!read) {
            if (first) return false;
            continue;  // an older revision is damaged: what is newer still stands
        }
        if (first) {
            trailer_ = trailer;
            first = false;
        } else {
            // Keys the newest trailer lacks come from older ones.
            for (const auto& entry : trailer.entries) {
                if (!trailer_.Has(entry.first)) trailer_.entries.push_back(entry);
            }
        }
        // Hybrid files: the table's entries first, then the stream's, then the older revision.
        const Object& prev = trailer.Get("Prev");
        if (prev.kind == Kind::kInt && prev.integer >= 0 && static_cast<std::uint64_t>(prev.integer) < file_.size()) {
            pending.emplace_back(static_cast<std::size_t>(prev.integer), false);
        }
        const Object& xrefStm = trailer.Get("XRefStm");
        if (table && xrefStm.kind == Kind::kInt && xrefStm.integer >= 0 &&
            static_cast<std::uint64_t>(xrefStm.integer) < file_.size()) {
            pending.emplace_back(static_cast<std::size_t>(xrefStm.integer), true);
        }
    }
    return !first;
}

void Document::AddEntry(std::int64_t number, const Entry& entry, bool overrideFree) {
    if (number < 0 || number > kMaxObjectNumber) return;
    auto [it, added] = entries_.try_emplace(number, entry);  // sections are read newest first
    // A hybrid file's table lists its packed objects as free; its stream says where they are.
    if (!added && overrideFree && it->second.type == 0 && entry.type != 0) it->second = entry;
}

std::vector<std::int64_t> Document::ObjectNumbers() const {
    std::vector<std::int64_t> numbers;
    numbers.reserve(entries_.size());
    for (const auto& [number, entry] : entries_) {
        if (entry.type != 0) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void Document::ForceRecovery() {
    if (!rebuilt_) Recover();
}

bool Document::ReadXrefTable(std::size_t position, Dict& trailer) {
    Lexer lexer(file_, position);
    lexer.Next();  // "xref"
    for (;;) {
        const std::size_t mark = lexer.Position();
        Token token = lexer.Next();
        if (token.IsKeyword("trailer")) break;
        if (token.kind != TokenKind::kInteger) {
            lexer.Seek(mark);
            break;
        }
        std::int64_t count = 0;
        if (!ReadInt(lexer, count) || count < 0 || token.integer < 0) return false;
        // Each entry takes at least 18 bytes: a count beyond that is damage.
        if (static_cast<std::uint64_t>(count) > (file_.size() - lexer.Position()) / 18 + 1) return false;
        std::int64_t number = token.integer;
        for (std::int64_t i = 0; i < count; ++i, ++number) {
            std::int64_t offset = 0;
            std::int64_t generation = 0;
            if (!ReadInt(lexer, offset) || !ReadInt(lexer, generation)) return false;
            const Token kind = lexer.Next();
            if (kind.kind != TokenKind::kKeyword || (kind.text != "n" && kind.text != "f")) return false;
            // A subsection that starts at 1 but lists the free head of the list as its first entry.
            if (i == 0 && number == 1 && kind.text == "f" && generation == 65535) {
                number = 0;
            }
            Entry entry;
            if (kind.text == "n" && offset > 0) {
                entry.type = 1;
                entry.field = static_cast<std::uint64_t>(offset);
                entry.index = static_cast<std::uint32_t>(std::clamp<std::int64_t>(generation, 0, 65535));
            }
            AddEntry(number, entry);
        }
    }
    Parser parser(lexer);
    auto dict = parser.ReadObject();
    if (!dict || !dict->IsDict()) return false;
    trailer = *dict->dict;
    return true;
}

bool Document::ReadXrefStream(std::size_t position, Dict& trailer, bool overrideFree) {
    auto object = ParseIndirectAt(position, -1, false);
    if (!object || !object->IsStream()) return false;
    const Stream& stream = *object->stream;
    const Dict& dict = stream.dict;
    const Object& w = dict.Get("W");
    if (!w.IsArray() || w.array->size() < 3) return false;
    int widths[3];
    for (int i = 0; i < 3; ++i) {
        const std::int64_t value = (*w.array)[static_cast<std::size_t>(i)].Int(-1);
        if (value < 0 || value > 8) return false;
        widths[i] = static_cast<int>(value);
    }
    const int rowSize = widths[0] + widths[1] + widths[2];
    if (rowSize == 0) return false;
    const std::int64_t size = dict.Get("Size").Int(0);
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    const Object& index = dict.Get("Index");
    if (index.IsArray()) {
        for (std::size_t i = 0; i + 1 < index.array->size(); i += 2) {
            ranges.emplace_back((*index.array)[i].Int(-1), (*index.array)[i + 1].Int(-1));
        }
    } else {
        ranges.emplace_back(0, size);
    }
    // Cross-reference streams are never encrypted, and are read before the handler exists.
    auto data = DecodeFully(stream, kMaxStructureStreamBytes);
    if (!data) return false;
    std::size_t at = 0;
    const auto field = [&](int width, std::uint64_t fallback) {
        if (width == 0) return fallback;
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) value = (value << 8) | (*data)[at++];
        return value;
    };
    for (const auto& [first, count] : ranges) {
        if (first < 0 || count < 0) return false;
        for (std::int64_t i = 0; i < count; ++i) {
            if (data->size() - at < static_cast<std::size_t>(rowSize)) break;
            Entry entry;
            const std::uint64_t type = field(widths[0], 1);
            const std::uint64_t second = field(widths[1], 0);
            const std::uint64_t third = field(widths[2], 0);
            if (type == 1 || type == 2) {
                entry.type = static_cast<std::uint8_t>(type);
                entry.field = second;
                entry.index = static_cast<std::uint32_t>(std::min<std::uint64_t>(third, UINT32_MAX));
            }
            AddEntry(first + i, entry, overrideFree);
        }
    }
    trailer = dict;
    return true;
}

void Document::ScanObjects() {
    if (scannedDone_) return;
    scannedDone_ = true;
    const std::string_view text(reinterpret_cast<const char*>(file_.data()), file_.size());
    std::size_t found = 0;
    for (std::size_t at = text.find("obj"); at != std::string_view::npos && found < kMaxRecoveredObjects;
         at = text.find("obj", at + 3)) {
        // "obj" must be a keyword of its own preceded by "n g".
        if (at + 3 < text.size() && IsRegular(static_cast<std::uint8_t>(text[at + 3]))) continue;
        std::size_t p = at;
        const auto skipWhite = [&] {
            while (p > 0 && IsWhite(static_cast<std::uint8_t>(text[p - 1]))) --p;
        };
        const auto skipDigits = [&] {
            const std::size_t end = p;
            while (p > 0 && text[p - 1] >= '0' && text[p - 1] <= '9' && end - p < 12) --p;
            return end - p;
        };
        const std::size_t before = p;
        skipWhite();
        if (p == before) continue;
        if (skipDigits() == 0) continue;
        const std::size_t afterNumber = p;
        skipWhite();
        if (p == afterNumber) continue;
        const std::size_t numberEnd = p;
        if (skipDigits() == 0) continue;
        if (p > 0 && IsRegular(static_cast<std::uint8_t>(text[p - 1]))) continue;
        std::int64_t number = 0;
        for (std::size_t i = p; i < numberEnd; ++i) number = number * 10 + (text[i] - '0');
        if (number > kMaxObjectNumber) continue;
        scanned_[number] = p;  // later definitions are newer
        ++found;
    }
}

void Document::Recover() {
    recovered_ = true;
    rebuilt_ = true;
    ScanObjects();
    Dict trailer;
    // Trailers of every revision, oldest first, so the newest values win.
    for (std::size_t at = FindBytes(file_, "trailer", 0); at != std::string_view::npos;
         at = FindBytes(file_, "trailer", at + 7)) {
        Lexer lexer(file_, at + 7);
        Parser parser(lexer);
        auto dict = parser.ReadObject();
        if (!dict || !dict->IsDict()) continue;
        for (const auto& entry : dict->dict->entries) {
            if (entry.first == "Prev" || entry.first == "XRefStm") continue;
            trailer.Set(entry.first, entry.second);
        }
    }
    // Keep entries the chain read (they may hold object-stream members) but let the scan decide
    // where plain objects are.
    for (const auto& [number, offset] : scanned_) {
        Entry entry;
        entry.type = 1;
        entry.field = offset;
        entries_[number] = entry;
    }
    cache_.clear();
    // Cross-reference streams carry the trailer keys in files without a trailer, and list the
    // objects kept in object streams.
    std::vector<std::pair<std::size_t, std::int64_t>> byOffset;
    for (const auto& [number, offset] : scanned_) byOffset.emplace_back(offset, number);
    std::sort(byOffset.begin(), byOffset.end());
    bool haveRoot = trailer.Get("Root").IsRef();
    for (const auto& [offset, number] : byOffset) {
        Lexer lexer(file_, offset);
        for (int i = 0; i < 3; ++i) lexer.Next();
        Lexer peek = lexer;
        if (peek.Next().kind != TokenKind::kDictOpen) continue;
        // Cheap test before a full parse: only streams of type XRef or ObjStm matter here.
        const std::size_t window = std::min<std::size_t>(file_.size() - offset, 512);
        const std::string_view head(reinterpret_cast<const char*>(file_.data()) + offset, window);
        if (head.find("/XRef") != std::string_view::npos) {
            Dict xrefTrailer;
            std::unordered_map<std::int64_t, Entry> saved = entries_;
            if (ReadXrefStream(offset, xrefTrailer)) {
                // Its type 2 entries are useful; its offsets may be wrong, so the scan's stay.
                for (const auto& [n, e] : entries_) {
                    if (e.type == 2 && !scanned_.count(n)) saved[n] = e;
                }
                for (const auto& entry : xrefTrailer.entries) {
                    if (entry.first == "Root" || entry.first == "Encrypt" || entry.first == "ID" ||
                        entry.first == "Info") {
                        trailer.Set(entry.first, entry.second);
                    }
                }
            }
            entries_ = std::move(saved);
        } else if (head.find("/ObjStm") != std::string_view::npos) {
            auto object = Get(number);
            if (!object.IsStream()) continue;
            const std::int64_t count = object.stream->dict.Get("N").Int(0);
            auto data = DecodeFully(*object.stream, kMaxStructureStreamBytes);
            if (!data || count <= 0) continue;
            Lexer numbers(*data);
            for (std::int64_t i = 0; i < count && i < 1000000; ++i) {
                std::int64_t member = 0;
                std::int64_t memberOffset = 0;
                if (!ReadInt(numbers, member) || !ReadInt(numbers, memberOffset)) break;
                if (member < 0 || member > kMaxObjectNumber || scanned_.count(member)) continue;
                Entry entry;
                entry.type = 2;
                entry.field = static_cast<std::uint64_t>(number);
                entry.index = static_cast<std::uint32_t>(i);
                entries_[member] = entry;
            }
        }
        haveRoot = trailer.Get("Root").IsRef();
    }
    if (!haveRoot) {
        // No trailer survived: the catalog is the object of type Catalog with pages.
        std::vector<std::int64_t> numbers;
        for (const auto& [number, entry] : entries_) numbers.push_back(number);
        std::sort(numbers.begin(), numbers.end());
        for (std::int64_t number : numbers) {
            const Object object = Get(number);
            if (object.IsDict() && object.dict->Get("Type").IsName("Catalog") && object.dict->Has("Pages")) {
                trailer.entries.emplace_back("Root", Object::Ref(number, 0));
            }
        }
    }
    if (!trailer.entries.empty()) {
        // Whatever the chain produced is replaced by the recovered trailer where they differ.
        for (const auto& entry : trailer.entries) trailer_.Set(entry.first, entry.second);
    }
}

std::optional<Object> Document::ParseIndirectAt(std::size_t offset,
                                                std::int64_t number,
                                                bool checkNumber,
                                                int* generationOut) {
    if (offset >= file_.size()) return std::nullopt;
    Lexer lexer(file_, offset);
    std::int64_t foundNumber = 0;
    std::int64_t generation = 0;
    if (!ReadInt(lexer, foundNumber) || !ReadInt(lexer, generation) || !lexer.Next().IsKeyword("obj")) {
        return std::nullopt;
    }
    if (checkNumber && foundNumber != number) return std::nullopt;
    if (generationOut != nullptr) *generationOut = static_cast<int>(generation);
    Parser parser(lexer);
    auto object = parser.ReadObject();
    auto pending = parser.TakePending();
    if (!object) {
        if (pending && pending->IsKeyword("endobj")) return Object::Null();
        return std::nullopt;
    }
    if (object->IsDict()) {
        Token next = pending ? *pending : lexer.Next();
        if (next.IsKeyword("stream")) {
            Stream stream;
            stream.dict = *object->dict;
            stream.number = foundNumber;
            stream.generation = static_cast<int>(generation);
            const std::size_t start = SkipStreamEol(file_, next.start + 6);
            stream.offset = start;
            std::int64_t length = -1;
            const Object& lengthObject = stream.dict.Get("Length");
            if (lengthObject.kind == Kind::kInt) {
                length = lengthObject.integer;
            } else if (lengthObject.IsRef() && lengthObject.integer != foundNumber) {
                length = Resolve(lengthObject).Int(-1);
            }
            bool good = length >= 0 && static_cast<std::uint64_t>(length) <= file_.size() - start;
            if (good) {
                // The length is trusted only when "endstream" follows it.
                Lexer after(file_, start + static_cast<std::size_t>(length));
                good = after.Next().IsKeyword("endstream");
            }
            stream.length = good ? static_cast<std::size_t>(length) : StreamEndByScan(file_, start) - start;
            return Object::MakeStream(std::move(stream));
        }
    }
    return object;
}

Object Document::LoadFromObjectStream(std::int64_t streamNumber, std::uint32_t index, std::int64_t number) {
    auto it = objectStreams_.find(streamNumber);
    if (it == objectStreams_.end()) {
        auto parsed = std::make_unique<ObjectStreamIndex>();
        const Object stream = Get(streamNumber);
        if (stream.IsStream()) {
            const std::int64_t count = stream.stream->dict.Get("N").Int(0);
            const std::int64_t first = stream.stream->dict.Get("First").Int(-1);
            auto data = DecodeFully(*stream.stream, kMaxStructureStreamBytes);
            if (data && count > 0 && first >= 0 && static_cast<std::uint64_t>(first) <= data->size()) {
                parsed->data = std::move(*data);
                parsed->first = static_cast<std::size_t>(first);
                Lexer lexer(parsed->data);
                for (std::int64_t i = 0; i < count && i < 10000000; ++i) {
                    std::int64_t member = 0;
                    std::int64_t offset = 0;
                    if (!ReadInt(lexer, member) || !ReadInt(lexer, offset) || offset < 0) break;
                    parsed->offsets.emplace_back(member, static_cast<std::size_t>(offset));
                }
            }
        }
        it = objectStreams_.emplace(streamNumber, std::move(parsed)).first;
    }
    const ObjectStreamIndex& objects = *it->second;
    std::size_t slot = index;
    // The index is a hint; the number decides.
    if (slot >= objects.offsets.size() || objects.offsets[slot].first != number) {
        slot = objects.offsets.size();
        for (std::size_t i = 0; i < objects.offsets.size(); ++i) {
            if (objects.offsets[i].first == number) slot = i;
        }
    }
    if (slot >= objects.offsets.size()) return Object::Null();
    const std::size_t offset = objects.first + objects.offsets[slot].second;
    if (offset >= objects.data.size()) return Object::Null();
    Lexer lexer(objects.data, offset);
    Parser parser(lexer);
    auto object = parser.ReadObject();
    return object ? *object : Object::Null();
}

Object Document::Load(std::int64_t number) {
    auto entry = entries_.find(number);
    if (entry != entries_.end() && entry->second.type == 2) {
        return LoadFromObjectStream(static_cast<std::int64_t>(entry->second.field), entry->second.index, number);
    }
    std::optional<Object> object;
    int generation = 0;
    if (entry != entries_.end() && entry->second.type == 1) {
        object = ParseIndirectAt(static_cast<std::size_t>(entry->second.field), number, true, &generation);
    }
    if (!object) {
        // The table is off, or lacks the object: the scan knows where it really is.
        ScanObjects();
        auto scanned = scanned_.find(number);
        if (scanned != scanned_.end() &&
            (entry == entries_.end() || entry->second.type != 1 || scanned->second != entry->second.field)) {
            object = ParseIndirectAt(scanned->second, number, true, &generation);
            if (object) recovered_ = true;
        }
    }
    if (!object) return Object::Null();
    if (security_ && number != EncryptObjectNumber()) {
        Decrypt(*object, number, generation);
    }
    return *object;
}

void Document::Decrypt(Object& object, std::int64_t number, int generation) {
    // Walks the object, rebuilding containers that hold strings. The depth is bounded by the parser.
    switch (object.kind) {
        case Kind::kString:
            security_->DecryptString(object.text, number, generation);
            break;
        case Kind::kArray: {
            Array items = *object.array;
            for (auto& item : items) Decrypt(item, number, generation);
            object = Object::MakeArray(std::move(items));
            break;
        }
        case Kind::kDict: {
            Dict dict = *object.dict;
            for (auto& entry : dict.entries) Decrypt(entry.second, number, generation);
            object = Object::MakeDict(std::move(dict));
            break;
        }
        case Kind::kStream: {
            Stream stream = *object.stream;
            for (auto& entry : stream.dict.entries) Decrypt(entry.second, number, generation);
            // Cross-reference streams are stored in the clear.
            stream.encrypted = !stream.dict.Get("Type").IsName("XRef");
            object = Object::MakeStream(std::move(stream));
            break;
        }
        default:
            break;
    }
}

Object Document::Get(std::int64_t number) {
    auto cached = cache_.find(number);
    if (cached != cache_.end()) return cached->second;
    if (!loading_.insert(number).second) return Object::Null();  // an object defined through itself
    Object object = Load(number);
    loading_.erase(number);
    if (object.IsRef()) object = Object::Null();  // "1 0 obj 1 0 R": nothing to follow safely
    cache_.emplace(number, object);
    return object;
}

Object Document::Resolve(const Object& object) {
    if (!object.IsRef()) return object;
    return Get(object.integer);
}

std::vector<float> Document::Numbers(const Object& value) {
    std::vector<float> out;
    const Object array = Resolve(value);
    if (!array.IsArray()) return out;
    for (const auto& item : *array.array) out.push_back(static_cast<float>(Resolve(item).Number()));
    return out;
}

Object Document::Lookup(const Dict* dict, std::string_view key) {
    if (dict == nullptr) return Object::Null();
    return Resolve(dict->Get(key));
}

std::span<const std::uint8_t> Document::StoredSpan(const Stream& stream) const {
    if (stream.ownsData) return stream.data;
    if (stream.offset <= file_.size() && stream.length <= file_.size() - stream.offset)
        return file_.subspan(stream.offset, stream.length);
    return {};
}

std::vector<std::uint8_t> Document::RawStreamBytes(const Stream& stream) {
    const std::span<const std::uint8_t> raw = StoredSpan(stream);
    if (!NeedsDecryption(stream)) return {raw.begin(), raw.end()};
    return security_->DecryptStream(raw, stream.number, stream.generation);
}

bool Document::NeedsDecryption(const Stream& stream) {
    if (!security_ || !stream.encrypted) return false;
    // A crypt filter named Identity leaves this stream in the clear.
    const Object filter = Resolve(stream.dict.Get("Filter"));
    const Object first = filter.IsArray() && !filter.array->empty() ? (*filter.array)[0] : filter;
    if (first.IsName("Crypt")) {
        Object parms = Resolve(stream.dict.Get("DecodeParms"));
        if (parms.IsArray() && !parms.array->empty()) parms = Resolve((*parms.array)[0]);
        const Object name = parms.IsDict() ? Resolve(parms.dict->Get("Name")) : Object::Null();
        if (name.IsNull() || name.IsName("Identity")) return false;
    }
    return true;
}

std::optional<PreparedStream> Document::PrepareStream(const Stream& stream, std::size_t limit) {
    PreparedStream prepared;
    prepared.limit = limit;
    if (NeedsDecryption(stream) || stream.ownsData) {
        prepared.owned = RawStreamBytes(stream);
        prepared.usesOwned = true;
    } else {
        prepared.stored = StoredSpan(stream);
    }
    Object filter = Resolve(stream.dict.Get("Filter"));
    if (filter.IsNull()) filter = Resolve(stream.dict.Get("F"));  // inline images abbreviate
    Object parms = Resolve(stream.dict.Get("DecodeParms"));
    if (parms.IsNull()) parms = Resolve(stream.dict.Get("DP"));
    Array filters;
    Array params;
    if (filter.IsArray())
        filters = *filter.array;
    else if (filter.IsName())
        filters.push_back(filter);
    if (parms.IsArray())
        params = *parms.array;
    else
        params.push_back(parms);
    if (filters.size() > 16) return std::nullopt;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        const Object name = Resolve(filters[i]);
        if (!name.IsName()) return std::nullopt;
        Dict resolved;
        if (i < params.size()) {
            const Object p = Resolve(params[i]);
            if (p.IsDict()) {
                for (const auto& entry : p.dict->entries)
                    resolved.entries.emplace_back(entry.first, Resolve(entry.second));
            }
        }
        prepared.filters.emplace_back(FullFilterName(name.text), std::move(resolved));
    }
    return prepared;
}

std::optional<StreamData> DecodePrepared(const PreparedStream& prepared) {
    StreamData result;
    std::span<const std::uint8_t> bytes = prepared.Bytes();
    bool decoded = false;  // result.bytes holds the data of the last stage run
    for (std::size_t i = 0; i < prepared.filters.size(); ++i) {
        const auto& [full, params] = prepared.filters[i];
        if (full == "Crypt") continue;  // handled when the stored bytes were read
        if (IsImageCodec(full)) {
            if (i + 1 != prepared.filters.size()) return std::nullopt;  // nothing may follow a codec
            if (!decoded) result.bytes.assign(bytes.begin(), bytes.end());
            result.codec = full;
            result.codecParams = params;
            return result;
        }
        // Stages before the last are bounded generously: their output is still compressed.
        const std::size_t stageLimit =
            i + 1 == prepared.filters.size() ? prepared.limit : std::max(prepared.limit, kMaxStructureStreamBytes);
        ByteVector out;
        if (!RunFilter(full, params, bytes, stageLimit, out)) return std::nullopt;
        result.bytes = std::move(out);
        bytes = result.bytes;
        decoded = true;
    }
    if (!decoded) result.bytes.assign(bytes.begin(), bytes.end());
    if (result.bytes.size() > prepared.limit) result.bytes.resize(prepared.limit);
    return result;
}

std::optional<StreamData> Document::DecodeStream(const Stream& stream, std::size_t limit) {
    auto prepared = PrepareStream(stream, limit);
    if (!prepared) return std::nullopt;
    return DecodePrepared(*prepared);
}

std::optional<std::vector<std::uint8_t>> Document::DecodeFully(const Stream& stream, std::size_t limit) {
    auto data = DecodeStream(stream, limit);
    if (!data || !data->codec.empty()) return std::nullopt;
    return std::move(data->bytes);
}

}  // namespace pictrove::readers::pdf
