// The layout of a MOBI, AZW or AZW3 (KF8) book inside its Palm database: the MOBI header and
// its EXTH metadata say where the resource records start and which one is the cover; the
// pictures are the resource records that hold image files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "containers/PalmDatabase.h"

namespace pictrove::readers {

struct MobiPicture {
    std::size_t record = 0;  // index in the Palm database
    std::u16string name;     // "cover" or "image0001" ...
};

struct MobiBook {
    enum class Status { kOk, kEncrypted, kDamaged };
    Status status = Status::kDamaged;
    // The cover first (when the book names one that holds a picture), then every other
    // picture record in record order. The thumbnail the EXTH names is left out when the book
    // has a cover: it is a smaller copy of it.
    std::vector<MobiPicture> pictures;
};

// Whether a record holds an image file (JPEG, PNG, GIF or BMP) with a readable size rather than
// text, a font, a resource table or a marker.
bool IsPictureRecord(std::span<const std::uint8_t> record);

// Reads the book's layout from an already parsed container.
MobiBook ReadMobiBook(std::span<const std::uint8_t> file, const PalmDatabase& database);

}  // namespace pictrove::readers
