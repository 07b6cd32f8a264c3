// Comic pages kept in a RAR 4, RAR 5, 7z or tar archive (zip comics stay on ZipArchive). Open
// walks the archive once, front to back, reading each entry's header and only the first bytes of
// its data, enough for the picture's own header; no page is kept. Pages are then decoded from a
// stream that remembers where it stands: asking for the pages in order reads the archive once,
// and in a solid archive (one compressed stream for all files) the pages passed on the way to
// another are kept in a bounded cache, so extracting every page stays linear in the archive's
// size whatever the order of the list.
#pragma once

#include <map>
#include <set>
#include <memory>
#include <vector>

#include "containers/ArchiveProbe.h"
#include "containers/ArchiveStream.h"
#include "model/DocumentSource.h"
#include "pictures/PayloadDecoder.h"

namespace pictrove::readers {

// Most bytes of unpacked pages held for later requests.
inline constexpr std::size_t kArchivePageCacheBytes = std::size_t{192} << 20;
// Most entry headers Open reads; a header chain past that is not a comic.
inline constexpr std::size_t kMaxArchiveEntries = std::size_t{1} << 16;
// Most bytes Open lets a solid archive unpack while it walks to the next header.
inline constexpr std::uint64_t kMaxArchiveWalkBytes = std::uint64_t{2} << 30;

class ArchiveComicSource final : public DocumentSource {
  public:
    ArchiveComicSource(PayloadDecoderPtr decoder, ArchiveKind kind) : decoder_(std::move(decoder)), kind_(kind) {}

    std::optional<DecodedImage> Decode(std::size_t index) override;
    std::optional<std::vector<std::uint8_t>> StoredBytes(std::size_t index) override;

    // How decoding went so far, for tests and the benchmark: restarts is how often the archive
    // was read again from its start, entriesUnpacked how many entries' data were unpacked.
    struct Statistics {
        std::size_t restarts = 0;
        std::size_t entriesUnpacked = 0;
        std::size_t cacheHits = 0;
    };
    const Statistics& Stats() const { return stats_; }

  protected:
    OpenStatus OpenDocument(OpenRequest request) override;
    void Close() override;

  private:
    struct Page {
        std::size_t entry = 0;  // position among the archive's entries
        std::uint64_t size = 0;
        std::string path;
    };

    std::optional<std::vector<std::uint8_t>> PageBytes(const Page& page);

    PayloadDecoderPtr decoder_;
    ArchiveKind kind_;
    bool solid_ = false;
    FileBytes file_;
    std::vector<Page> pages_;                         // in list order
    std::map<std::size_t, std::uint64_t> pageSizes_;  // entry -> size, for the pages only
    std::unique_ptr<ArchiveStream> stream_;
    std::size_t nextEntry_ = 0;                               // the entry whose header the stream reads next
    std::map<std::size_t, std::vector<std::uint8_t>> cache_;  // entry -> bytes of pages passed over
    std::size_t cacheBytes_ = 0;
    std::set<std::size_t> delivered_;  // entries already handed out: not worth keeping when passed again
    Statistics stats_;
};

// Entries that no comic page is: folders aside, what operating systems and archivers leave
// beside files (resource forks, Finder and Explorer records).
bool IsOsMetadataPath(std::string_view path);

}  // namespace pictrove::readers
