// RAR block writers for the tests.
#include "TestArchives.h"

#include <zlib.h>

namespace pictrove::test {
namespace {

std::uint32_t Crc32(const Bytes& bytes, std::size_t from = 0) {
    return static_cast<std::uint32_t>(crc32(0L, bytes.data() + from, static_cast<uInt>(bytes.size() - from)));
}

void PutLE(Bytes& out, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutVarint(Bytes& out, std::uint64_t value) {
    do {
        std::uint8_t byte = value & 0x7F;
        value >>= 7;
        if (value != 0) byte |= 0x80;
        out.push_back(byte);
    } while (value != 0);
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    for (auto& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    return bytes;
}

// RAR 4 block: CRC16 (low half of the CRC32 of everything after it), type, flags, size, body.
void PutRar4Block(Bytes& out, std::uint8_t type, std::uint16_t flags, const Bytes& body) {
    Bytes block;
    block.push_back(type);
    PutLE(block, flags, 2);
    PutLE(block, 7 + body.size(), 2);
    block.insert(block.end(), body.begin(), body.end());
    PutLE(out, Crc32(block) & 0xFFFF, 2);
    out.insert(out.end(), block.begin(), block.end());
}

// RAR 5 header: CRC32 of the size field and the header, the size, then the header itself.
void PutRar5Header(Bytes& out, const Bytes& header) {
    Bytes sized;
    PutVarint(sized, header.size());
    sized.insert(sized.end(), header.begin(), header.end());
    PutLE(out, Crc32(sized), 4);
    out.insert(out.end(), sized.begin(), sized.end());
}

}  // namespace

Bytes MakeRar4(const std::vector<ArchiveFile>& files, const RarLayout& layout) {
    Bytes out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
    std::uint16_t mainFlags = 0;
    if (layout.solid) mainFlags |= 0x0008;
    if (layout.headersEncrypted) mainFlags |= 0x0080;
    PutRar4Block(out, 0x73, mainFlags, Bytes(6, 0));
    if (layout.headersEncrypted) {
        // A salt, then blocks no one without the key can parse.
        const Bytes rest = Noise(96, 7);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
    }
    std::uint32_t seed = 1;
    for (const ArchiveFile& file : files) {
        const Bytes data = file.encrypted ? Noise(file.data.size() + 16 - file.data.size() % 16, ++seed) : file.data;
        const std::uint64_t unpacked = file.declaredSize != 0 ? file.declaredSize : file.data.size();
        const bool large = unpacked > 0xFFFFFFFFu;
        std::uint16_t flags = 0x8000;
        if (file.encrypted) flags |= 0x0004 | 0x0400;
        if (file.folder) flags |= 0x00E0;
        if (large) flags |= 0x0100;
        Bytes body;
        PutLE(body, data.size(), 4);
        PutLE(body, unpacked & 0xFFFFFFFFu, 4);
        body.push_back(2);  // written on Windows
        PutLE(body, Crc32(file.data), 4);
        PutLE(body, 0x5A8C6000, 4);  // a DOS date and time
        body.push_back(29);          // version needed to extract
        body.push_back(0x30);        // stored
        PutLE(body, file.name.size(), 2);
        PutLE(body, file.folder ? 0x10 : 0x20, 4);
        if (large) {
            PutLE(body, 0, 4);
            PutLE(body, unpacked >> 32, 4);
        }
        body.insert(body.end(), file.name.begin(), file.name.end());
        if (file.encrypted) {
            const Bytes salt = Noise(8, ++seed);
            body.insert(body.end(), salt.begin(), salt.end());
        }
        PutRar4Block(out, 0x74, flags, body);
        out.insert(out.end(), data.begin(), data.end());
    }
    if (layout.endBlock) PutRar4Block(out, 0x7B, 0x4000, {});
    return out;
}

Bytes MakeRar5(const std::vector<ArchiveFile>& files, const RarLayout& layout) {
    Bytes out = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
    if (layout.headersEncrypted) {
        Bytes header;
        PutVarint(header, 4);  // archive encryption header
        PutVarint(header, 0);  // header flags
        PutVarint(header, 0);  // encryption version: AES-256
        PutVarint(header, 0);  // no password check value
        header.push_back(15);  // key derivation rounds, as a power of two
        const Bytes salt = Noise(16, 3);
        header.insert(header.end(), salt.begin(), salt.end());
        PutRar5Header(out, header);
        const Bytes rest = Noise(128, 5);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
    }
    Bytes main;
    PutVarint(main, 1);  // main archive header
    PutVarint(main, 0);
    PutVarint(main, layout.solid ? 0x0004 : 0);
    PutRar5Header(out, main);
    std::uint32_t seed = 11;
    for (const ArchiveFile& file : files) {
        const Bytes data = file.encrypted ? Noise(file.data.size() + 16 - file.data.size() % 16, ++seed) : file.data;
        const std::uint64_t unpacked = file.declaredSize != 0 ? file.declaredSize : file.data.size();
        Bytes extra;
        if (file.encrypted) {
            Bytes record;
            PutVarint(record, 1);  // file encryption record
            PutVarint(record, 0);  // AES-256
            PutVarint(record, 0);  // flags
            record.push_back(15);
            const Bytes saltAndIv = Noise(32, ++seed);
            record.insert(record.end(), saltAndIv.begin(), saltAndIv.end());
            PutVarint(extra, record.size());
            extra.insert(extra.end(), record.begin(), record.end());
        }
        Bytes header;
        PutVarint(header, 2);  // file header
        PutVarint(header, 0x0002 | (extra.empty() ? 0 : 0x0001));
        if (!extra.empty()) PutVarint(header, extra.size());
        PutVarint(header, data.size());
        PutVarint(header, (file.folder ? 0x0001 : 0) | 0x0004);  // folder flag, CRC32 present
        PutVarint(header, unpacked);
        PutVarint(header, file.folder ? 0x10 : 0x20);
        PutLE(header, Crc32(file.data), 4);
        PutVarint(header, 0);  // stored (a stored file never continues a solid stream)
        PutVarint(header, 0);  // written on Windows
        PutVarint(header, file.name.size());
        header.insert(header.end(), file.name.begin(), file.name.end());
        header.insert(header.end(), extra.begin(), extra.end());
        PutRar5Header(out, header);
        out.insert(out.end(), data.begin(), data.end());
    }
    if (layout.endBlock) {
        Bytes end;
        PutVarint(end, 5);
        PutVarint(end, 0);
        PutVarint(end, 0);
        PutRar5Header(out, end);
    }
    return out;
}

Bytes LibarchiveTestPattern(int magic, std::size_t size) {
    Bytes bytes;
    for (std::size_t i = 0; i < size / 4; ++i) {
        const std::int64_t k = static_cast<std::int64_t>(i) + 1;
        std::int64_t value = k * k - 3 * k + 1 + magic;
        if (value < 0) value = 0;
        PutLE(bytes, static_cast<std::uint32_t>(value), 4);
    }
    return bytes;
}

}  // namespace pictrove::test
