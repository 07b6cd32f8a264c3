// Zip files for the reader tests.
#include "TestDocuments.h"

#include <zlib.h>

namespace pictrove::test {
namespace {

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void Put64(Bytes& out, std::uint64_t value) {
    Put32(out, static_cast<std::uint32_t>(value));
    Put32(out, static_cast<std::uint32_t>(value >> 32));
}
void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Deflate(const Bytes& data) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

Bytes MakeZip(const std::vector<ZipFileEntry>& entries, const ZipOptions& options) {
    Bytes file;
    Bytes directory;
    const std::uint16_t flags = static_cast<std::uint16_t>((options.utf8Names ? 0x0800 : 0) |
                                                           (options.dataDescriptors ? 0x0008 : 0));
    const std::uint16_t version = options.zip64 ? 45 : 20;
    for (const auto& entry : entries) {
        const Bytes stored = entry.deflate ? Deflate(entry.data) : entry.data;
        const std::uint32_t crc =
            static_cast<std::uint32_t>(crc32(0, entry.data.data(), static_cast<uInt>(entry.data.size())));
        const std::uint64_t size =
            options.declaredSize >= 0 ? static_cast<std::uint64_t>(options.declaredSize) : entry.data.size();
        const std::uint64_t offset = file.size();
        Bytes zip64Local;
        if (options.zip64) {
            Put16(zip64Local, 1);
            Put16(zip64Local, 16);
            Put64(zip64Local, options.dataDescriptors ? 0 : size);
            Put64(zip64Local, options.dataDescriptors ? 0 : stored.size());
        }
        Put32(file, 0x04034B50);
        Put16(file, version);
        Put16(file, flags);
        Put16(file, entry.deflate ? 8 : 0);
        Put32(file, 0);  // time and date
        Put32(file, options.dataDescriptors ? 0 : crc);
        Put32(file, options.zip64 ? 0xFFFFFFFF : options.dataDescriptors ? 0 : static_cast<std::uint32_t>(stored.size()));
        Put32(file, options.zip64 ? 0xFFFFFFFF : options.dataDescriptors ? 0 : static_cast<std::uint32_t>(size));
        Put16(file, static_cast<std::uint32_t>(entry.name.size()));
        Put16(file, static_cast<std::uint32_t>(zip64Local.size()));
        Append(file, entry.name);
        file.insert(file.end(), zip64Local.begin(), zip64Local.end());
        file.insert(file.end(), stored.begin(), stored.end());
        if (options.dataDescriptors) {
            Put32(file, 0x08074B50);
            Put32(file, crc);
            if (options.zip64) {
                Put64(file, stored.size());
                Put64(file, size);
            } else {
                Put32(file, static_cast<std::uint32_t>(stored.size()));
                Put32(file, static_cast<std::uint32_t>(size));
            }
        }

        Bytes zip64Central;
        if (options.zip64) {
            Put16(zip64Central, 1);
            Put16(zip64Central, 24);
            Put64(zip64Central, size);
            Put64(zip64Central, stored.size());
            Put64(zip64Central, offset);
        }
        Put32(directory, 0x02014B50);
        Put16(directory, version);
        Put16(directory, version);
        Put16(directory, flags);
        Put16(directory, entry.deflate ? 8 : 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, options.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(stored.size()));
        Put32(directory, options.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
        Put16(directory, static_cast<std::uint32_t>(entry.name.size()));
        Put16(directory, static_cast<std::uint32_t>(zip64Central.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, options.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
        Append(directory, entry.name);
        directory.insert(directory.end(), zip64Central.begin(), zip64Central.end());
    }
    const std::uint64_t directoryOffset = file.size();
    file.insert(file.end(), directory.begin(), directory.end());
    if (options.zip64) {
        const std::uint64_t endOffset = file.size();
        Put32(file, 0x06064B50);
        Put64(file, 44);
        Put16(file, 45);
        Put16(file, 45);
        Put32(file, 0);
        Put32(file, 0);
        Put64(file, entries.size());
        Put64(file, entries.size());
        Put64(file, directory.size());
        Put64(file, directoryOffset);
        Put32(file, 0x07064B50);
        Put32(file, 0);
        Put64(file, endOffset);
        Put32(file, 1);
    }
    Put32(file, 0x06054B50);
    Put16(file, 0);
    Put16(file, 0);
    Put16(file, options.zip64 ? 0xFFFF : static_cast<std::uint32_t>(entries.size()));
    Put16(file, options.zip64 ? 0xFFFF : static_cast<std::uint32_t>(entries.size()));
    Put32(file, options.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(directory.size()));
    Put32(file, options.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(directoryOffset));
    Put16(file, 0);
    return file;
}

}  // namespace pictrove::test
