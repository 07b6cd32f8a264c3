// Password authentication and per-object decryption of the standard security handler.
#include "PdfSecurity.h"

#include <algorithm>
#include <cstring>

#include "PdfCrypto.h"

namespace pictrove::readers::pdf {
namespace {

using crypto::Bytes;

constexpr std::uint8_t kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                       0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                       0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Revisions 2 to 4 take the password in the document's 8-bit encoding: Latin-1 covers the
// characters a user can type into it.
Bytes Latin1(const std::u16string& password) {
    Bytes out;
    for (char16_t c : password) out.push_back(c < 256 ? static_cast<std::uint8_t>(c) : '?');
    return out;
}

// Revisions 5 and 6 take UTF-8, at most 127 bytes.
Bytes Utf8(const std::u16string& password) {
    Bytes out;
    for (std::size_t i = 0; i < password.size(); ++i) {
        std::uint32_t c = password[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < password.size() && password[i + 1] >= 0xDC00 &&
            password[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (password[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out.push_back(static_cast<std::uint8_t>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<std::uint8_t>(0xC0 | (c >> 6)));
            out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<std::uint8_t>(0xE0 | (c >> 12)));
            out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<std::uint8_t>(0xF0 | (c >> 18)));
            out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<std::uint8_t>(0x80 | (c & 0x3F)));
        }
    }
    if (out.size() > 127) out.resize(127);
    return out;
}

Bytes Padded(const Bytes& password) {
    Bytes out(password.begin(),
              password.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(password.size(), 32)));
    for (std::size_t i = 0; out.size() < 32; ++i) out.push_back(kPadding[i]);
    return out;
}

struct Parameters {
    int revision = 0;
    int keyBytes = 5;
    Bytes o;
    Bytes u;
    Bytes oe;
    Bytes ue;
    std::int32_t permissions = 0;
    Bytes id;
    bool encryptMetadata = true;
};

// The file key a user password gives (revisions 2 to 4).
Bytes ComputeKey(const Parameters& p, const Bytes& password) {
    Bytes input = Padded(password);
    input.insert(input.end(), p.o.begin(),
                 p.o.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(p.o.size(), 32)));
    for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(std::uint32_t(p.permissions) >> (8 * i)));
    input.insert(input.end(), p.id.begin(), p.id.end());
    if (p.revision >= 4 && !p.encryptMetadata) input.insert(input.end(), 4, 0xFF);
    auto hash = crypto::Md5(input);
    const std::size_t n = static_cast<std::size_t>(p.keyBytes);
    if (p.revision >= 3) {
        for (int i = 0; i < 50; ++i) hash = crypto::Md5(std::span<const std::uint8_t>(hash.data(), n));
    }
    return Bytes(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(n));
}

bool CheckUserKey(const Parameters& p, const Bytes& key) {
    if (p.u.size() < 16) return false;
    if (p.revision == 2) {
        const Bytes expected = crypto::Rc4(key, std::span<const std::uint8_t>(kPadding, 32));
        return p.u.size() >= 32 && std::equal(expected.begin(), expected.end(), p.u.begin());
    }
    Bytes input(kPadding, kPadding + 32);
    input.insert(input.end(), p.id.begin(), p.id.end());
    const auto hash = crypto::Md5(input);
    Bytes value = crypto::Rc4(key, hash);
    for (int i = 1; i <= 19; ++i) {
        Bytes xored = key;
        for (auto& b : xored) b ^= static_cast<std::uint8_t>(i);
        value = crypto::Rc4(xored, value);
    }
    return std::equal(value.begin(), value.begin() + 16, p.u.begin());
}

// The user password hidden in O, given the owner password (revisions 2 to 4).
Bytes UserPasswordFromOwner(const Parameters& p, const Bytes& owner) {
    auto hash = crypto::Md5(Padded(owner));
    const std::size_t n = p.revision == 2 ? 5 : static_cast<std::size_t>(p.keyBytes);
    if (p.revision >= 3) {
        for (int i = 0; i < 50; ++i) hash = crypto::Md5(hash);
    }
    const Bytes key(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(n));
    Bytes value(p.o.begin(), p.o.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(p.o.size(), 32)));
    if (p.revision == 2) return crypto::Rc4(key, value);
    for (int i = 19; i >= 0; --i) {
        Bytes xored = key;
        for (auto& b : xored) b ^= static_cast<std::uint8_t>(i);
        value = crypto::Rc4(xored, value);
    }
    return value;
}

// The hash of revisions 5 (one SHA-256) and 6 (the iterated mix of SHA-2 and AES).
Bytes Hash2B(int revision,
             const Bytes& password,
             std::span<const std::uint8_t> salt,
             std::span<const std::uint8_t> userKey) {
    Bytes input = password;
    input.insert(input.end(), salt.begin(), salt.end());
    input.insert(input.end(), userKey.begin(), userKey.end());
    Bytes k = crypto::Sha256(input);
    if (revision == 5) return k;
    // One buffer for every round, encrypted in place: at least 64 rounds of up to 12 KB each.
    Bytes e;
    e.reserve((password.size() + 64 + userKey.size()) * 64);
    for (int round = 0;; ++round) {
        e.clear();
        for (int i = 0; i < 64; ++i) {
            e.insert(e.end(), password.begin(), password.end());
            e.insert(e.end(), k.begin(), k.end());
            e.insert(e.end(), userKey.begin(), userKey.end());
        }
        crypto::AesCbcEncryptInPlace(std::span<const std::uint8_t>(k.data(), 16),
                                     std::span<const std::uint8_t>(k.data() + 16, 16), e);
        int sum = 0;
        for (int i = 0; i < 16; ++i) sum += e[static_cast<std::size_t>(i)];
        switch (sum % 3) {
            case 0:
                k = crypto::Sha256(e);
                break;
            case 1:
                k = crypto::Sha384(e);
                break;
            default:
                k = crypto::Sha512(e);
                break;
        }
        if (round >= 63 && e.back() <= round - 31) break;
        if (round > 2000) break;  // cannot happen with a sound hash; guards the loop anyway
    }
    k.resize(32);
    return k;
}

bool Aes256Key(const Parameters& p, const Bytes& password, Bytes& key) {
    if (p.u.size() < 48 || p.o.size() < 48) return false;
    const auto decryptKey = [&](const Bytes& intermediate, const Bytes& wrapped) {
        if (wrapped.size() < 32) return false;
        Bytes data(16, 0);  // the key is wrapped with a zero IV
        data.insert(data.end(), wrapped.begin(), wrapped.begin() + 32);
        key = crypto::AesCbcDecryptWithIv(intermediate, data, false);
        return key.size() == 32;
    };
    const std::span<const std::uint8_t> u(p.u.data(), 48);
    const std::span<const std::uint8_t> o(p.o.data(), 48);
    // The user password first: it is the one typed to open a document, and each check costs a
    // full run of the hash. Both passwords wrap the same file key, so a password that is both
    // opens through either; a UE too short to wrap a key still leaves the owner's way in.
    if (Hash2B(p.revision, password, u.subspan(32, 8), {}) == Bytes(u.begin(), u.begin() + 32) &&
        decryptKey(Hash2B(p.revision, password, u.subspan(40, 8), {}), p.ue)) {
        return true;
    }
    if (Hash2B(p.revision, password, o.subspan(32, 8), u) == Bytes(o.begin(), o.begin() + 32)) {
        return decryptKey(Hash2B(p.revision, password, o.subspan(40, 8), u), p.oe);
    }
    return false;
}

CryptMethod MethodOf(const Dict& encrypt, const Object& filterName, int& keyBytes) {
    if (!filterName.IsName() || filterName.text == "Identity") return CryptMethod::kNone;
    const Object& filters = encrypt.Get("CF");
    if (!filters.IsDict()) return CryptMethod::kNone;
    const Object& filter = filters.dict->Get(filterName.text);
    if (!filter.IsDict()) return CryptMethod::kNone;
    const Object& cfm = filter.dict->Get("CFM");
    const std::int64_t length = filter.dict->Get("Length").Int(0);
    if (cfm.IsName("V2")) {
        // The length is in bytes here, though some writers give bits.
        if (length >= 5 && length <= 16)
            keyBytes = static_cast<int>(length);
        else if (length >= 40 && length <= 128 && length % 8 == 0)
            keyBytes = static_cast<int>(length / 8);
        return CryptMethod::kRc4;
    }
    if (cfm.IsName("AESV2")) return CryptMethod::kAes128;
    if (cfm.IsName("AESV3")) return CryptMethod::kAes256;
    return CryptMethod::kNone;
}

}  // namespace

SecurityStatus Security::Create(const Dict& encrypt,
                                const std::string& firstId,
                                const std::u16string& password,
                                std::unique_ptr<Security>& out) {
    out.reset();
    if (!encrypt.Get("Filter").IsName("Standard")) return SecurityStatus::kUnsupported;
    Parameters p;
    const std::int64_t v = encrypt.Get("V").Int(0);
    p.revision = static_cast<int>(encrypt.Get("R").Int(0));
    p.o = ToBytes(encrypt.Get("O").text);
    p.u = ToBytes(encrypt.Get("U").text);
    p.oe = ToBytes(encrypt.Get("OE").text);
    p.ue = ToBytes(encrypt.Get("UE").text);
    p.permissions = static_cast<std::int32_t>(static_cast<std::uint32_t>(encrypt.Get("P").Int(0)));
    p.id = ToBytes(firstId);
    p.encryptMetadata = encrypt.Get("EncryptMetadata").Bool(true);
    if (p.revision < 2 || p.revision > 6 || v < 1 || v > 5) return SecurityStatus::kUnsupported;

    auto security = std::make_unique<Security>();
    if (p.revision >= 5) {
        const Bytes utf8 = Utf8(password);
        if (!Aes256Key(p, utf8, security->key_)) return SecurityStatus::kWrongPassword;
        int ignored = 32;
        security->streamMethod_ = MethodOf(encrypt, encrypt.Get("StmF"), ignored);
        security->stringMethod_ = MethodOf(encrypt, encrypt.Get("StrF"), ignored);
        out = std::move(security);
        return SecurityStatus::kOpened;
    }

    const std::int64_t length = encrypt.Get("Length").Int(40);
    p.keyBytes = p.revision == 2 ? 5 : static_cast<int>(std::clamp<std::int64_t>(length / 8, 5, 16));
    if (v == 4) {
        int keyBytes = 16;
        security->streamMethod_ = MethodOf(encrypt, encrypt.Get("StmF"), keyBytes);
        security->stringMethod_ = MethodOf(encrypt, encrypt.Get("StrF"), keyBytes);
        p.keyBytes = keyBytes;
        if (security->streamMethod_ == CryptMethod::kAes256 || security->stringMethod_ == CryptMethod::kAes256) {
            return SecurityStatus::kUnsupported;
        }
    } else {
        security->streamMethod_ = security->stringMethod_ = CryptMethod::kRc4;
    }
    const Bytes typed = Latin1(password);
    Bytes key = ComputeKey(p, typed);
    if (!CheckUserKey(p, key)) {
        key = ComputeKey(p, UserPasswordFromOwner(p, typed));
        if (!CheckUserKey(p, key)) return SecurityStatus::kWrongPassword;
    }
    security->key_ = std::move(key);
    out = std::move(security);
    return SecurityStatus::kOpened;
}

std::vector<std::uint8_t> Security::ObjectKey(CryptMethod method, std::int64_t number, int generation) const {
    if (method == CryptMethod::kAes256) return key_;
    Bytes input = key_;
    for (int i = 0; i < 3; ++i) input.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    for (int i = 0; i < 2; ++i) input.push_back(static_cast<std::uint8_t>(generation >> (8 * i)));
    if (method == CryptMethod::kAes128) input.insert(input.end(), {0x73, 0x41, 0x6C, 0x54});  // "sAlT"
    const auto hash = crypto::Md5(input);
    return Bytes(hash.begin(), hash.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(key_.size() + 5, 16)));
}

std::vector<std::uint8_t> Security::Run(CryptMethod method,
                                        std::span<const std::uint8_t> data,
                                        std::int64_t number,
                                        int generation) const {
    switch (method) {
        case CryptMethod::kNone:
            return Bytes(data.begin(), data.end());
        case CryptMethod::kRc4:
            return crypto::Rc4(ObjectKey(method, number, generation), data);
        case CryptMethod::kAes128:
        case CryptMethod::kAes256:
            return crypto::AesCbcDecryptWithIv(ObjectKey(method, number, generation), data, true);
    }
    return {};
}

void Security::DecryptString(std::string& bytes, std::int64_t number, int generation) const {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const Bytes plain = Run(stringMethod_, std::span<const std::uint8_t>(data, bytes.size()), number, generation);
    bytes.assign(plain.begin(), plain.end());
}

std::vector<std::uint8_t> Security::DecryptStream(std::span<const std::uint8_t> data,
                                                  std::int64_t number,
                                                  int generation) const {
    return Run(streamMethod_, data, number, generation);
}

}  // namespace pictrove::readers::pdf
