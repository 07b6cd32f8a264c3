// The Palm database container (.pdb, .prc, .mobi, .azw): a 78-byte header naming the database's
// type and creator, then a list of records, each a byte range of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pictrove::readers {

struct PalmDatabase {
    std::string name;     // up to 31 characters, as stored
    std::string type;     // four characters, such as "BOOK" or "TEXt"
    std::string creator;  // four characters, such as "MOBI" or "REAd"
    // Record i is file[records[i].offset, records[i].offset + records[i].size).
    struct Record {
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    std::vector<Record> records;

    std::span<const std::uint8_t> RecordData(std::span<const std::uint8_t> file, std::size_t index) const {
        if (index >= records.size()) return {};
        return file.subspan(records[index].offset, records[index].size);
    }
};

// The container of the file; nothing when the header is damaged or a record lies outside the
// file. Records must follow each other in the file (a record's end is the next one's start).
std::optional<PalmDatabase> ParsePalmDatabase(std::span<const std::uint8_t> file);

}  // namespace pictrove::readers
