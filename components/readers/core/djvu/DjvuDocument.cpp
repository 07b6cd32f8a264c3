// DjVu containers: chunk lists, the document directory (DIRM) and the page list.
#include "DjvuDocument.h"

#include <filesystem>
#include <fstream>

#include "model/ByteReader.h"
#include "model/DecodedImage.h"
#include "markup/TextCodec.h"
#include "djvu/Bzz.h"

namespace pictrove::readers::djvu {
namespace {

constexpr std::uint32_t kForm = ChunkId("FORM");
constexpr std::uint32_t kDjvu = ChunkId("DJVU");
constexpr std::uint32_t kDjvm = ChunkId("DJVM");
constexpr std::uint32_t kDjvi = ChunkId("DJVI");
constexpr std::uint32_t kPm44 = ChunkId("PM44");
constexpr std::uint32_t kBm44 = ChunkId("BM44");
constexpr std::uint32_t kDirm = ChunkId("DIRM");
constexpr std::uint32_t kInfo = ChunkId("INFO");
constexpr std::uint32_t kIncl = ChunkId("INCL");

// More components than any real book, and a bound on the work a forged directory asks for.
constexpr std::size_t kMaxComponents = 100000;
constexpr int kMaxIncludeDepth = 8;
// Indirect components are read only when they lie beside the index file.
constexpr std::uint64_t kMaxComponentFile = std::uint64_t{1} << 30;

enum ComponentType { kShared = 0, kPage = 1, kThumbnails = 2, kSharedAnnotations = 3 };

// The size of a photo page from the first IW44 chunk's header.
std::optional<PageInfo> PhotoInfo(std::span<const std::uint8_t> body) {
    for (const Chunk& chunk : ReadChunks(body)) {
        if (chunk.id != kPm44 && chunk.id != kBm44) continue;
        if (chunk.data.size() < 9 || chunk.data[0] != 0) return std::nullopt;
        PageInfo info;
        info.width = LoadU16BE(chunk.data.data() + 4);
        info.height = LoadU16BE(chunk.data.data() + 6);
        return info;
    }
    return std::nullopt;
}

// A component's name as a file beside the index: no folders, nothing that climbs out.
bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
    }
    return true;
}

// The component an INCL chunk names.
std::string IncludedId(const Chunk& chunk) {
    std::string id(chunk.data.begin(), chunk.data.end());
    while (!id.empty() && (id.back() == '\0' || id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
}

// The file beside the one at path: path up to its last separator, then the name.
std::u16string BesidePath(const std::u16string& path, const std::u16string& name) {
    const std::size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? name : path.substr(0, slash + 1) + name;
}

}  // namespace

std::vector<Chunk> ReadChunks(std::span<const std::uint8_t> body) {
    std::vector<Chunk> chunks;
    std::size_t at = 0;
    while (body.size() - at >= 8) {
        const std::uint32_t id = LoadU32BE(body.data() + at);
        std::size_t size = LoadU32BE(body.data() + at + 4);
        at += 8;
        if (size > body.size() - at) size = body.size() - at;
        chunks.push_back({id, body.subspan(at, size)});
        at += size + (size & 1);
        if (at > body.size()) break;
    }
    return chunks;
}

std::optional<Form> ReadForm(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12 || LoadU32BE(bytes.data()) != kForm) return std::nullopt;
    std::size_t size = LoadU32BE(bytes.data() + 4);
    if (size < 4) return std::nullopt;
    if (size > bytes.size() - 8) size = bytes.size() - 8;
    return Form{LoadU32BE(bytes.data() + 8), bytes.subspan(12, size - 4)};
}

std::optional<PageInfo> ReadInfo(std::span<const std::uint8_t> info) {
    if (info.size() < 4) return std::nullopt;
    PageInfo page;
    page.width = LoadU16BE(info.data());
    page.height = LoadU16BE(info.data() + 2);
    if (info.size() >= 8) {
        const int dpi = LoadU16LE(info.data() + 6);
        if (dpi >= 25 && dpi <= 6000) page.dpi = dpi;
    }
    if (info.size() >= 10) {
        switch (info[9] & 7) {
            case 5:
                page.quarterTurns = 1;
                break;
            case 2:
                page.quarterTurns = 2;
                break;
            case 6:
                page.quarterTurns = 3;
                break;
            default:
                break;
        }
    }
    if (!IsListableSize(page.width, page.height)) return std::nullopt;
    return page;
}

std::optional<std::vector<std::uint8_t>> LoadFile(const std::u16string& path) try {
    std::error_code error;
    // Converting to the system's narrow encoding (not on Windows) throws for unpaired surrogates.
    const std::filesystem::path file(path);
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kMaxComponentFile) return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uint64_t>(stream.gcount()) != size) return std::nullopt;
    return bytes;
} catch (const std::filesystem::filesystem_error&) {
    return std::nullopt;
}

bool DjvuDocument::Open(FileBytes bytes, const std::u16string& path, const FileLoader& loader) {
    file_ = std::move(bytes);
    std::span<const std::uint8_t> all(file_);
    // Some writers put "AT&T" before the first FORM.
    if (all.size() >= 4 && LoadU32BE(all.data()) == ChunkId("AT&T")) all = all.subspan(4);
    const auto form = ReadForm(all);
    if (!form) return false;
    switch (form->type) {
        case kDjvu:
            AddPage(kDjvu, form->body);
            // A page file of an indirect document opened on its own: its shared components
            // are files beside it.
            for (const Chunk& chunk : ReadChunks(form->body)) {
                if (chunk.id == kIncl) LoadComponent(IncludedId(chunk), path, loader);
            }
            return true;
        case kPm44:
        case kBm44:
            AddPage(form->type, form->body);
            return true;
        case kDjvm:
            ReadDirectory(form->body, path, loader);
            return true;
        default:
            return false;
    }
}

void DjvuDocument::AddPage(std::uint32_t formType, std::span<const std::uint8_t> body) {
    std::optional<PageInfo> info;
    if (formType == kDjvu) {
        for (const Chunk& chunk : ReadChunks(body)) {
            if (chunk.id == kInfo) {
                info = ReadInfo(chunk.data);
                break;
            }
        }
    } else {
        info = PhotoInfo(body);
    }
    // A page without a readable size cannot be listed; the others still are.
    if (!info || !IsListableSize(info->width, info->height)) return;
    DocumentPage page;
    page.formType = formType;
    page.body = body;
    page.info = *info;
    const bool sideways = info->quarterTurns % 2 == 1;
    page.width = sideways ? info->height : info->width;
    page.height = sideways ? info->width : info->height;
    pages_.push_back(page);
}

void DjvuDocument::ReadDirectory(std::span<const std::uint8_t> djvmBody,
                                 const std::u16string& path,
                                 const FileLoader& loader) {
    const auto chunks = ReadChunks(djvmBody);
    std::span<const std::uint8_t> dirm;
    for (const Chunk& chunk : chunks) {
        if (chunk.id == kDirm) {
            dirm = chunk.data;
            break;
        }
    }
    ByteReader reader(dirm);
    const std::uint8_t flags = reader.U8();
    const std::size_t count = reader.U16BE();
    const bool bundled = (flags & 0x80) != 0;
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; bundled && i < count && reader.Ok(); ++i) offsets.push_back(reader.U32BE());
    std::optional<std::vector<std::uint8_t>> table;
    if (reader.Ok() && count > 0 && count <= kMaxComponents) {
        table = DecodeBzz(dirm.subspan(reader.Position()), count * 1024 + 4096);
    }
    struct Entry {
        std::string id;
        std::string name;
        int type = kPage;
    };
    std::vector<Entry> entries;
    if (table && table->size() >= count * 4) {
        ByteReader names(*table, count * 4);
        auto text = [&]() {
            std::string value;
            while (names.Ok() && names.Remaining() > 0) {
                const char c = static_cast<char>(names.U8());
                if (c == '\0') break;
                value.push_back(c);
            }
            return value;
        };
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t kind = (*table)[count * 3 + i];
            Entry entry;
            entry.type = kind & 0x3f;
            entry.id = text();
            entry.name = (kind & 0x80) ? text() : entry.id;
            if (kind & 0x40) text();  // the title is not needed
            entries.push_back(std::move(entry));
        }
    }

    if (bundled) {
        const std::span<const std::uint8_t> all(file_);
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (offsets[i] >= all.size()) continue;
            const auto form = ReadForm(all.subspan(offsets[i]));
            if (!form) continue;
            components_.push_back({i < entries.size() ? entries[i].id : std::string(), form->type, form->body});
            if (form->type == kDjvu || form->type == kPm44 || form->type == kBm44) AddPage(form->type, form->body);
        }
        if (!offsets.empty()) return;
        // Without a usable directory, the components are taken in the order they are stored.
        for (const Chunk& chunk : chunks) {
            if (chunk.id != kForm || chunk.data.size() < 4) continue;
            const std::uint32_t type = LoadU32BE(chunk.data.data());
            components_.push_back({std::string(), type, chunk.data.subspan(4)});
            if (type == kDjvu) AddPage(type, chunk.data.subspan(4));
        }
        return;
    }

    // Indirect: every component is a file of its own beside the index file.
    componentFiles_.reserve(entries.size());
    for (const Entry& entry : entries) {
        if (entry.type == kThumbnails) continue;
        const Component* component = LoadComponent(entry.name, path, loader);
        if (!component) continue;
        components_.back().id = entry.id;
        if (component->formType == kDjvu || component->formType == kPm44 || component->formType == kBm44) {
            AddPage(component->formType, component->body);
        }
    }
}

const DjvuDocument::Component* DjvuDocument::LoadComponent(const std::string& name,
                                                           const std::u16string& path,
                                                           const FileLoader& loader) {
    // Names are UTF-8; bytes that are not are taken as Windows-1252.
    const std::u16string fileName = Utf8ToUtf16(name);
    std::optional<std::vector<std::uint8_t>> bytes;
    if (IsPlainFileName(name) && loader) bytes = loader(BesidePath(path, fileName));
    if (!bytes) {
        missing_.push_back(fileName);
        return nullptr;
    }
    componentFiles_.push_back(std::move(*bytes));
    std::span<const std::uint8_t> all(componentFiles_.back());
    if (all.size() >= 4 && LoadU32BE(all.data()) == ChunkId("AT&T")) all = all.subspan(4);
    const auto form = ReadForm(all);
    if (!form) {
        missing_.push_back(fileName);
        return nullptr;
    }
    components_.push_back({name, form->type, form->body});
    return &components_.back();
}

std::vector<Chunk> DjvuDocument::PageChunks(const DocumentPage& page) const {
    std::vector<Chunk> chunks;
    std::vector<bool> included(components_.size(), false);
    AddChunks(page.body, 0, included, chunks);
    return chunks;
}

void DjvuDocument::AddChunks(std::span<const std::uint8_t> body,
                             int depth,
                             std::vector<bool>& included,
                             std::vector<Chunk>& out) const {
    for (const Chunk& chunk : ReadChunks(body)) {
        if (chunk.id != kIncl) {
            out.push_back(chunk);
            continue;
        }
        if (depth >= kMaxIncludeDepth) continue;
        const std::string id = IncludedId(chunk);
        for (std::size_t i = 0; i < components_.size(); ++i) {
            const Component& component = components_[i];
            if (component.formType != kDjvi || component.id != id) continue;
            // A component is drawn into a page once, however often (or circularly) it is named.
            if (!included[i]) {
                included[i] = true;
                AddChunks(component.body, depth + 1, included, out);
            }
            break;
        }
    }
}

}  // namespace pictrove::readers::djvu
