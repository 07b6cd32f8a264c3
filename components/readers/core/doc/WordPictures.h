// The pictures of a Word 97-2003 document (.doc): found through the file information block of
// the WordDocument stream, inline pictures through the character runs that point into the Data
// stream, floating pictures through their anchors and the drawing's picture store, all put in
// the order of the text they belong to.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "containers/CompoundFile.h"

namespace pictrove::readers {

enum class BlipKind { kEmf, kWmf, kJpeg, kPng, kDib, kTiff };

// One stored picture as the drawing layer keeps it.
struct WordBlip {
    BlipKind kind = BlipKind::kPng;
    std::vector<std::uint8_t> data;  // the picture bytes after the record's own header fields
    // Metafiles only: deflate-compressed data, its size once inflated, and the picture's size
    // in English metric units (914400 to the inch) and in metafile units.
    bool deflated = false;
    std::uint32_t inflatedSize = 0;
    std::int32_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
    std::int32_t sizeX = 0, sizeY = 0;
};

struct WordPictures {
    enum class Status { kOk, kEncrypted, kDamaged };
    Status status = Status::kDamaged;
    std::vector<WordBlip> blips;  // in document order, each picture once
};

// Parses one OfficeArt BLIP record (header included); nothing for kinds other than the above
// (such as Macintosh PICT) or damaged records.
std::optional<WordBlip> ParseBlip(std::span<const std::uint8_t> record);

WordPictures FindWordPictures(const CompoundFile& file);

// The picture store of an OfficeArt drawing group container (the record at the start of
// drawingGroup), one entry per slot in store order: a picture kept in the entry itself or at
// its offset in delayStream; an empty blip (no data) for a deleted, unknown or damaged entry.
std::vector<WordBlip> PictureStore(std::span<const std::uint8_t> drawingGroup,
                                   std::span<const std::uint8_t> delayStream);

}  // namespace pictrove::readers
