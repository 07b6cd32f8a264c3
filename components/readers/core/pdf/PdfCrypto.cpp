// MD5, SHA-2, RC4 and AES for the standard security handler.
#include "PdfCrypto.h"

#include <cstring>

#include "model/ByteReader.h"

namespace pictrove::readers::pdf::crypto {
namespace {

std::uint32_t Rotl32(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}
std::uint32_t Rotr32(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
std::uint64_t Rotr64(std::uint64_t x, int n) {
    return (x >> n) | (x << (64 - n));
}

constexpr std::uint32_t kMd5K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int kMd5Shift[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr std::uint32_t kSha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};
constexpr std::uint32_t kSha256H[8] = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};
constexpr std::uint64_t kSha512K[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc, 0x3956c25bf348b538,
    0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118, 0xd807aa98a3030242, 0x12835b0145706fbe,
    0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2, 0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235,
    0xc19bf174cf692694, 0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5, 0x983e5152ee66dfab,
    0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4, 0xc6e00bf33da88fc2, 0xd5a79147930aa725,
    0x06ca6351e003826f, 0x142929670a0e6e70, 0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed,
    0x53380d139d95b3df, 0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30, 0xd192e819d6ef5218,
    0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8, 0x19a4c116b8d2d0c8, 0x1e376c085141ab53,
    0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8, 0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373,
    0x682e6ff3d6b2b8a3, 0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b, 0xca273eceea26619c,
    0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178, 0x06f067aa72176fba, 0x0a637dc5a2c898a6,
    0x113f9804bef90dae, 0x1b710b35131c471b, 0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc,
    0x431d67c49c100d4c, 0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817,
};
constexpr std::uint64_t kSha512H[8] = {
    0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
    0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179,
};
constexpr std::uint64_t kSha384H[8] = {
    0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17, 0x152fecd8f70e5939,
    0x67332667ffc00b31, 0x8eb44a8768581511, 0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4,
};

void Md5Block(std::uint32_t state[4], const std::uint8_t* block) {
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = LoadU32LE(block + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t temp = d;
        d = c;
        c = b;
        b = b + Rotl32(a + f + kMd5K[i] + m[g], kMd5Shift[(i / 16) * 4 + i % 4]);
        a = temp;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

// Runs block(pointer) over the message and its padding (0x80, zeros, then the bit length in
// lengthBytes bytes): whole blocks straight from the data, the padded tail from a local buffer,
// so hashing allocates nothing (the AES-256 password hash hashes kilobytes 64 times or more).
template <typename BlockFunction>
void ForEachPaddedBlock(std::span<const std::uint8_t> data,
                        std::size_t blockSize,
                        std::size_t lengthBytes,
                        bool bigEndian,
                        BlockFunction block) {
    const std::size_t whole = data.size() / blockSize * blockSize;
    for (std::size_t i = 0; i < whole; i += blockSize) block(data.data() + i);
    std::uint8_t tail[256] = {};
    const std::size_t rest = data.size() - whole;
    if (rest > 0) std::memcpy(tail, data.data() + whole, rest);
    tail[rest] = 0x80;
    const std::size_t tailSize = rest + 1 + lengthBytes <= blockSize ? blockSize : 2 * blockSize;
    const std::uint64_t bits = std::uint64_t(data.size()) * 8;
    for (std::size_t i = 0; i < lengthBytes; ++i) {
        const std::size_t shift = bigEndian ? (lengthBytes - 1 - i) * 8 : i * 8;
        tail[tailSize - lengthBytes + i] = shift < 64 ? static_cast<std::uint8_t>(bits >> shift) : 0;
    }
    for (std::size_t i = 0; i < tailSize; i += blockSize) block(tail + i);
}

void Sha256Block(std::uint32_t h[8], const std::uint8_t* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = LoadU32BE(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotr32(w[i - 15], 7) ^ Rotr32(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotr32(w[i - 2], 17) ^ Rotr32(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t v[8];
    std::memcpy(v, h, sizeof(v));
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t s1 = Rotr32(v[4], 6) ^ Rotr32(v[4], 11) ^ Rotr32(v[4], 25);
        const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const std::uint32_t t1 = v[7] + s1 + ch + kSha256K[i] + w[i];
        const std::uint32_t s0 = Rotr32(v[0], 2) ^ Rotr32(v[0], 13) ^ Rotr32(v[0], 22);
        const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        const std::uint32_t t2 = s0 + maj;
        v[7] = v[6];
        v[6] = v[5];
        v[5] = v[4];
        v[4] = v[3] + t1;
        v[3] = v[2];
        v[2] = v[1];
        v[1] = v[0];
        v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) h[i] += v[i];
}

void Sha512Block(std::uint64_t h[8], const std::uint8_t* block) {
    std::uint64_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadU64BE(block + 8 * i);
    for (int i = 16; i < 80; ++i) {
        const std::uint64_t s0 = Rotr64(w[i - 15], 1) ^ Rotr64(w[i - 15], 8) ^ (w[i - 15] >> 7);
        const std::uint64_t s1 = Rotr64(w[i - 2], 19) ^ Rotr64(w[i - 2], 61) ^ (w[i - 2] >> 6);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint64_t v[8];
    std::memcpy(v, h, sizeof(v));
    for (int i = 0; i < 80; ++i) {
        const std::uint64_t s1 = Rotr64(v[4], 14) ^ Rotr64(v[4], 18) ^ Rotr64(v[4], 41);
        const std::uint64_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const std::uint64_t t1 = v[7] + s1 + ch + kSha512K[i] + w[i];
        const std::uint64_t s0 = Rotr64(v[0], 28) ^ Rotr64(v[0], 34) ^ Rotr64(v[0], 39);
        const std::uint64_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        const std::uint64_t t2 = s0 + maj;
        v[7] = v[6];
        v[6] = v[5];
        v[5] = v[4];
        v[4] = v[3] + t1;
        v[3] = v[2];
        v[2] = v[1];
        v[1] = v[0];
        v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) h[i] += v[i];
}

Bytes Sha512Family(std::span<const std::uint8_t> data, const std::uint64_t init[8], int outWords) {
    std::uint64_t h[8];
    std::memcpy(h, init, sizeof(h));
    ForEachPaddedBlock(data, 128, 16, true, [&](const std::uint8_t* block) { Sha512Block(h, block); });
    Bytes out;
    for (int i = 0; i < outWords; ++i) {
        for (int k = 7; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(h[i] >> (8 * k)));
    }
    return out;
}

// AES tables derived once from the field arithmetic rather than typed in.
std::uint8_t Xtime(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ (x & 0x80 ? 0x1B : 0));
}

// The S-box, its inverse, and for encryption the S-box and MixColumns folded into one word per
// byte and row (the revision-6 password hash encrypts some twenty thousand blocks per check).
struct AesTables {
    std::uint8_t sbox[256];
    std::uint8_t inverse[256];
    std::uint32_t encrypt[4][256];
    AesTables() {
        std::uint8_t p = 1, q = 1;
        do {
            p = static_cast<std::uint8_t>(p ^ (p << 1) ^ (p & 0x80 ? 0x1B : 0));
            q ^= q << 1;
            q ^= q << 2;
            q ^= q << 4;
            if (q & 0x80) q ^= 0x09;
            const std::uint8_t x = static_cast<std::uint8_t>(q ^ ((q << 1) | (q >> 7)) ^ ((q << 2) | (q >> 6)) ^
                                                             ((q << 3) | (q >> 5)) ^ ((q << 4) | (q >> 4)));
            sbox[p] = static_cast<std::uint8_t>(x ^ 0x63);
        } while (p != 1);
        sbox[0] = 0x63;
        for (int i = 0; i < 256; ++i) {
            inverse[sbox[i]] = static_cast<std::uint8_t>(i);
            const std::uint32_t b = sbox[i];
            const std::uint32_t b2 = Xtime(sbox[i]);
            const std::uint32_t word = (b2 << 24) | (b << 16) | (b << 8) | (b2 ^ b);
            for (int r = 0; r < 4; ++r) encrypt[r][i] = r == 0 ? word : (word >> (8 * r)) | (word << (32 - 8 * r));
        }
    }
};

const AesTables& Tables() {
    static const AesTables tables;
    return tables;
}

std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = Xtime(a);
        b >>= 1;
    }
    return r;
}

}  // namespace

std::array<std::uint8_t, 16> Md5(std::span<const std::uint8_t> data) {
    std::uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    ForEachPaddedBlock(data, 64, 8, false, [&](const std::uint8_t* block) { Md5Block(state, block); });
    std::array<std::uint8_t, 16> out{};
    for (int i = 0; i < 16; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(state[i / 4] >> (8 * (i % 4)));
    return out;
}

Bytes Sha256(std::span<const std::uint8_t> data) {
    std::uint32_t h[8];
    std::memcpy(h, kSha256H, sizeof(h));
    ForEachPaddedBlock(data, 64, 8, true, [&](const std::uint8_t* block) { Sha256Block(h, block); });
    Bytes out;
    for (int i = 0; i < 8; ++i) {
        for (int k = 3; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(h[i] >> (8 * k)));
    }
    return out;
}

Bytes Sha384(std::span<const std::uint8_t> data) {
    return Sha512Family(data, kSha384H, 6);
}
Bytes Sha512(std::span<const std::uint8_t> data) {
    return Sha512Family(data, kSha512H, 8);
}

Bytes Rc4(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
    Bytes out(data.begin(), data.end());
    if (key.empty()) return out;
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[static_cast<std::size_t>(i) % key.size()]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t i = 0;
    j = 0;
    for (auto& byte : out) {
        ++i;
        j = static_cast<std::uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        byte ^= s[static_cast<std::uint8_t>(s[i] + s[j])];
    }
    return out;
}

Aes::Aes(std::span<const std::uint8_t> key) {
    const AesTables& t = Tables();
    const int nk = key.size() >= 32 ? 8 : 4;
    rounds_ = nk + 6;
    const int total = 4 * (rounds_ + 1);
    for (int i = 0; i < nk; ++i) roundKeys_[static_cast<std::size_t>(i)] = LoadU32BE(key.data() + 4 * i);
    std::uint8_t rcon = 1;
    for (int i = nk; i < total; ++i) {
        std::uint32_t temp = roundKeys_[static_cast<std::size_t>(i - 1)];
        const auto sub = [&](std::uint32_t w) {
            return (std::uint32_t(t.sbox[w >> 24]) << 24) | (t.sbox[(w >> 16) & 0xFF] << 16) |
                   (t.sbox[(w >> 8) & 0xFF] << 8) | t.sbox[w & 0xFF];
        };
        if (i % nk == 0) {
            temp = sub((temp << 8) | (temp >> 24)) ^ (std::uint32_t(rcon) << 24);
            rcon = Xtime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            temp = sub(temp);
        }
        roundKeys_[static_cast<std::size_t>(i)] = roundKeys_[static_cast<std::size_t>(i - nk)] ^ temp;
    }
}

void Aes::EncryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    const AesTables& t = Tables();
    const std::uint32_t* key = roundKeys_.data();
    std::uint32_t s[4];
    for (int c = 0; c < 4; ++c) s[c] = LoadU32BE(in + 4 * c) ^ key[c];
    for (int round = 1; round < rounds_; ++round) {
        key += 4;
        std::uint32_t u[4];
        for (int c = 0; c < 4; ++c) {
            u[c] = t.encrypt[0][s[c] >> 24] ^ t.encrypt[1][(s[(c + 1) % 4] >> 16) & 0xFF] ^
                   t.encrypt[2][(s[(c + 2) % 4] >> 8) & 0xFF] ^ t.encrypt[3][s[(c + 3) % 4] & 0xFF] ^ key[c];
        }
        std::memcpy(s, u, sizeof s);
    }
    key += 4;
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t word =
            ((std::uint32_t(t.sbox[s[c] >> 24]) << 24) | (std::uint32_t(t.sbox[(s[(c + 1) % 4] >> 16) & 0xFF]) << 16) |
             (std::uint32_t(t.sbox[(s[(c + 2) % 4] >> 8) & 0xFF]) << 8) | t.sbox[s[(c + 3) % 4] & 0xFF]) ^
            key[c];
        for (int r = 0; r < 4; ++r) out[4 * c + r] = static_cast<std::uint8_t>(word >> (24 - 8 * r));
    }
}

void Aes::DecryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    const AesTables& t = Tables();
    std::uint8_t s[16];
    const auto addKey = [&](int round) {
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t k = roundKeys_[static_cast<std::size_t>(round * 4 + c)];
            for (int r = 0; r < 4; ++r) s[4 * c + r] ^= static_cast<std::uint8_t>(k >> (24 - 8 * r));
        }
    };
    std::memcpy(s, in, 16);
    addKey(rounds_);
    for (int round = rounds_ - 1; round >= 0; --round) {
        std::uint8_t u[16];
        // Inverse shift rows and inverse substitution.
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) u[4 * ((c + r) % 4) + r] = t.inverse[s[4 * c + r]];
        }
        std::memcpy(s, u, 16);
        addKey(round);
        if (round > 0) {
            for (int c = 0; c < 4; ++c) {
                std::uint8_t* col = s + 4 * c;
                const std::uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
                col[0] = static_cast<std::uint8_t>(Mul(a0, 14) ^ Mul(a1, 11) ^ Mul(a2, 13) ^ Mul(a3, 9));
                col[1] = static_cast<std::uint8_t>(Mul(a0, 9) ^ Mul(a1, 14) ^ Mul(a2, 11) ^ Mul(a3, 13));
                col[2] = static_cast<std::uint8_t>(Mul(a0, 13) ^ Mul(a1, 9) ^ Mul(a2, 14) ^ Mul(a3, 11));
                col[3] = static_cast<std::uint8_t>(Mul(a0, 11) ^ Mul(a1, 13) ^ Mul(a2, 9) ^ Mul(a3, 14));
            }
        }
    }
    std::memcpy(out, s, 16);
}

void AesCbcEncryptInPlace(std::span<const std::uint8_t> key,
                          std::span<const std::uint8_t> iv,
                          std::span<std::uint8_t> data) {
    const Aes aes(key);
    std::uint8_t chain[16] = {};
    std::memcpy(chain, iv.data(), std::min<std::size_t>(iv.size(), 16));
    for (std::size_t i = 0; i + 16 <= data.size(); i += 16) {
        std::uint8_t block[16];
        for (int k = 0; k < 16; ++k) block[k] = data[i + static_cast<std::size_t>(k)] ^ chain[k];
        aes.EncryptBlock(block, chain);
        std::memcpy(data.data() + i, chain, 16);
    }
}

Bytes AesCbcEncrypt(std::span<const std::uint8_t> key,
                    std::span<const std::uint8_t> iv,
                    std::span<const std::uint8_t> data) {
    Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(data.size() / 16 * 16));
    AesCbcEncryptInPlace(key, iv, out);
    return out;
}

Bytes AesCbcDecryptWithIv(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data, bool unpad) {
    if (data.size() < 16) return {};
    const Aes aes(key);
    const std::size_t blocks = (data.size() - 16) / 16;
    Bytes out(blocks * 16);
    const std::uint8_t* chain = data.data();
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* in = data.data() + 16 + b * 16;
        std::uint8_t plain[16];
        aes.DecryptBlock(in, plain);
        for (int k = 0; k < 16; ++k) out[b * 16 + static_cast<std::size_t>(k)] = plain[k] ^ chain[k];
        chain = in;
    }
    if (unpad && !out.empty()) {
        const std::uint8_t pad = out.back();
        if (pad >= 1 && pad <= 16 && pad <= out.size()) out.resize(out.size() - pad);
    }
    return out;
}

}  // namespace pictrove::readers::pdf::crypto
