// The structure of a DjVu file: IFF85 chunks, single pages (FORM:DJVU), bundled documents
// (FORM:DJVM with its directory), indirect documents (a directory naming page files beside it),
// shared components (FORM:DJVI, pulled into pages by INCL chunks) and standalone IW44 photos
// (FORM:PM44, FORM:BM44). Only headers are read here: the list of pages with their INFO.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/FileBytes.h"

namespace pictrove::readers::djvu {

// A four-character chunk identifier as a big-endian number.
constexpr std::uint32_t ChunkId(const char (&id)[5]) {
    return std::uint32_t(std::uint8_t(id[0])) << 24 | std::uint32_t(std::uint8_t(id[1])) << 16 |
           std::uint32_t(std::uint8_t(id[2])) << 8 | std::uint32_t(std::uint8_t(id[3]));
}

struct Chunk {
    std::uint32_t id = 0;
    std::span<const std::uint8_t> data;
};

// The chunks of a FORM's body (after its type), in order; a chunk cut short by the end of
// the data is kept with what is there. Nested FORMs come back as chunks with id FORM.
std::vector<Chunk> ReadChunks(std::span<const std::uint8_t> body);

// A FORM chunk at the start of bytes: its type and body; nothing when there is none.
struct Form {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> body;
};
std::optional<Form> ReadForm(std::span<const std::uint8_t> bytes);

// Page size and orientation from an INFO chunk.
struct PageInfo {
    int width = 0;
    int height = 0;
    int dpi = 300;
    int quarterTurns = 0;  // clockwise turns to show the page upright: 0..3
};
std::optional<PageInfo> ReadInfo(std::span<const std::uint8_t> info);

// Reads the file at a path (UTF-16) for an indirect document's components.
using FileLoader = std::function<std::optional<std::vector<std::uint8_t>>(const std::u16string& path)>;

// The whole file at path through the standard library; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> LoadFile(const std::u16string& path);

struct DocumentPage {
    std::uint32_t formType = 0;  // DJVU, PM44 or BM44
    std::span<const std::uint8_t> body;
    int width = 0;  // as the page is shown, rotation applied
    int height = 0;
    PageInfo info;
};

class DjvuDocument {
  public:
    // False when the bytes are no DjVu document at all. Indirect components are read through
    // loader, relative to path; those that cannot be read are named in MissingFiles().
    bool Open(FileBytes bytes, const std::u16string& path, const FileLoader& loader);

    const std::vector<DocumentPage>& Pages() const { return pages_; }
    const std::vector<std::u16string>& MissingFiles() const { return missing_; }

    // The chunks a page is drawn from, with those of its included components in place of
    // each INCL chunk.
    std::vector<Chunk> PageChunks(const DocumentPage& page) const;

  private:
    struct Component {
        std::string id;
        std::uint32_t formType = 0;
        std::span<const std::uint8_t> body;
    };
    void AddPage(std::uint32_t formType, std::span<const std::uint8_t> body);
    // Reads a component file beside path; nothing (and a missing file noted) when it cannot.
    const Component* LoadComponent(const std::string& name, const std::u16string& path, const FileLoader& loader);
    void ReadDirectory(std::span<const std::uint8_t> djvmBody, const std::u16string& path, const FileLoader& loader);
    void AddChunks(std::span<const std::uint8_t> body,
                   int depth,
                   std::vector<bool>& included,
                   std::vector<Chunk>& out) const;

    FileBytes file_;
    std::vector<std::vector<std::uint8_t>> componentFiles_;  // indirect documents' files
    std::deque<Component> components_;                       // stable addresses while components are added
    std::vector<DocumentPage> pages_;
    std::vector<std::u16string> missing_;
};

}  // namespace pictrove::readers::djvu
