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
void Append(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

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
    const std::uint16_t flags =
        static_cast<std::uint16_t>((options.utf8Names ? 0x0800 : 0) | (options.dataDescriptors ? 0x0008 : 0));
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
        Put32(file, options.zip64             ? 0xFFFFFFFF
                    : options.dataDescriptors ? 0
                                              : static_cast<std::uint32_t>(stored.size()));
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

Bytes MakePcx(const PcxPicture& picture) {
    Bytes file(128, 0);
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = picture.packed ? 1 : 0;
    file[3] = static_cast<std::uint8_t>(picture.bits);
    // Window from (2, 3): the size is max - min + 1.
    const auto put16 = [&](std::size_t at, int value) {
        file[at] = static_cast<std::uint8_t>(value);
        file[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    put16(4, 2);
    put16(6, 3);
    put16(8, 2 + picture.width - 1);
    put16(10, 3 + picture.height - 1);
    for (std::size_t i = 0; i < picture.palette16.size() && i < 48; ++i) file[16 + i] = picture.palette16[i];
    file[65] = static_cast<std::uint8_t>(picture.planes);
    put16(66, picture.bytesPerLine);
    file[68] = 1;
    if (!picture.packed) {
        file.insert(file.end(), picture.lines.begin(), picture.lines.end());
    } else {
        // Runs of up to 63; a single byte with both top bits set needs a run of one. Lines are
        // packed one by one, as most writers do.
        const std::size_t lineSize = std::size_t(picture.bytesPerLine) * picture.planes;
        for (std::size_t start = 0; start < picture.lines.size(); start += lineSize) {
            const std::size_t end = std::min(picture.lines.size(), start + lineSize);
            for (std::size_t i = start; i < end;) {
                std::size_t run = 1;
                while (i + run < end && run < 63 && picture.lines[i + run] == picture.lines[i]) ++run;
                if (run > 1 || (picture.lines[i] & 0xC0) == 0xC0) file.push_back(static_cast<std::uint8_t>(0xC0 | run));
                file.push_back(picture.lines[i]);
                i += run;
            }
        }
    }
    if (!picture.palette256.empty()) {
        file.push_back(0x0C);
        file.insert(file.end(), picture.palette256.begin(), picture.palette256.end());
    }
    return file;
}

Bytes MakeDcx(const std::vector<Bytes>& pages) {
    Bytes file;
    Put32(file, 0x3ADE68B1);
    std::uint32_t offset = static_cast<std::uint32_t>(4 + 4 * (pages.size() + 1));
    for (const auto& page : pages) {
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(page.size());
    }
    Put32(file, 0);
    for (const auto& page : pages) file.insert(file.end(), page.begin(), page.end());
    return file;
}

Bytes Base64(const Bytes& data) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::uint32_t chunk = (std::uint32_t(data[i]) << 16) | (i + 1 < data.size() ? data[i + 1] << 8 : 0) |
                                    (i + 2 < data.size() ? data[i + 2] : 0);
        out.push_back(kAlphabet[(chunk >> 18) & 63]);
        out.push_back(kAlphabet[(chunk >> 12) & 63]);
        out.push_back(i + 1 < data.size() ? kAlphabet[(chunk >> 6) & 63] : '=');
        out.push_back(i + 2 < data.size() ? kAlphabet[chunk & 63] : '=');
        if (i % 57 == 54) out.push_back('\n');  // line breaks, as real books have
    }
    return out;
}

}  // namespace pictrove::test
