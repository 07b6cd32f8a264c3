// Hand-written PDF files for the reader tests.
#include "TestPdf.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include <memory>

#include "pdf/PdfCrypto.h"

namespace pictrove::test {
namespace {

namespace crypto = readers::pdf::crypto;

constexpr std::uint8_t kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                       0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                       0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
constexpr std::int32_t kPermissions = -3904;

void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

Bytes Padded(const std::string& password) {
    Bytes out(password.begin(),
              password.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(password.size(), 32)));
    for (std::size_t i = 0; out.size() < 32; ++i) out.push_back(kPadding[i]);
    return out;
}

std::string Hex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "<";
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out + ">";
}

Bytes Md5(const Bytes& data) {
    const auto hash = crypto::Md5(data);
    return Bytes(hash.begin(), hash.end());
}

Bytes XorKey(Bytes key, int value) {
    for (auto& b : key) b ^= static_cast<std::uint8_t>(value);
    return key;
}

Bytes Hash2B(const std::string& password, const Bytes& salt, const Bytes& userKey) {
    const Bytes pw(password.begin(), password.end());
    Bytes input = pw;
    input.insert(input.end(), salt.begin(), salt.end());
    input.insert(input.end(), userKey.begin(), userKey.end());
    Bytes k = crypto::Sha256(input);
    int round = 0;
    Bytes e;
    while (round < 64 || e.back() > round - 32) {
        Bytes block = pw;
        block.insert(block.end(), k.begin(), k.end());
        block.insert(block.end(), userKey.begin(), userKey.end());
        Bytes k1;
        for (int i = 0; i < 64; ++i) k1.insert(k1.end(), block.begin(), block.end());
        e = crypto::AesCbcEncrypt(Bytes(k.begin(), k.begin() + 16), Bytes(k.begin() + 16, k.begin() + 32), k1);
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i) sum += e[static_cast<std::size_t>(i)];
        k = sum % 3 == 0 ? crypto::Sha256(e) : sum % 3 == 1 ? crypto::Sha384(e) : crypto::Sha512(e);
        ++round;
    }
    k.resize(32);
    return k;
}

// The encrypting side of the standard security handler.
class Encryptor {
  public:
    Encryptor(const PdfEncryption& e, const std::string& id) : e_(e) {
        if (e.revision == 6) {
            fileKey_.assign(32, 0);
            for (int i = 0; i < 32; ++i) fileKey_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(7 * i + 3);
            const Bytes uvs = {1, 2, 3, 4, 5, 6, 7, 8}, uks = {9, 10, 11, 12, 13, 14, 15, 16};
            const Bytes ovs = {17, 18, 19, 20, 21, 22, 23, 24}, oks = {25, 26, 27, 28, 29, 30, 31, 32};
            u_ = Hash2B(e.user, uvs, {});
            u_.insert(u_.end(), uvs.begin(), uvs.end());
            u_.insert(u_.end(), uks.begin(), uks.end());
            ue_ = crypto::AesCbcEncrypt(Hash2B(e.user, uks, {}), Bytes(16, 0), fileKey_);
            o_ = Hash2B(e.owner, ovs, u_);
            o_.insert(o_.end(), ovs.begin(), ovs.end());
            o_.insert(o_.end(), oks.begin(), oks.end());
            oe_ = crypto::AesCbcEncrypt(Hash2B(e.owner, oks, u_), Bytes(16, 0), fileKey_);
            return;
        }
        const std::size_t n = e.revision == 2 ? 5 : static_cast<std::size_t>(e.keyBits / 8);
        // O: the padded user password encrypted with a key from the owner password.
        Bytes ownerKey = Md5(Padded(e.owner));
        if (e.revision >= 3) {
            for (int i = 0; i < 50; ++i) ownerKey = Md5(ownerKey);
        }
        ownerKey.resize(n);
        o_ = crypto::Rc4(ownerKey, Padded(e.user));
        if (e.revision >= 3) {
            for (int i = 1; i <= 19; ++i) o_ = crypto::Rc4(XorKey(ownerKey, i), o_);
        }
        Bytes input = Padded(e.user);
        input.insert(input.end(), o_.begin(), o_.end());
        for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(std::uint32_t(kPermissions) >> (8 * i)));
        input.insert(input.end(), id.begin(), id.end());
        if (e.revision == 4 && !e.encryptMetadata) input.insert(input.end(), 4, 0xFF);
        fileKey_ = Md5(input);
        if (e.revision >= 3) {
            for (int i = 0; i < 50; ++i)
                fileKey_ = Md5(Bytes(fileKey_.begin(), fileKey_.begin() + static_cast<std::ptrdiff_t>(n)));
        }
        fileKey_.resize(n);
        if (e.revision == 2) {
            u_ = crypto::Rc4(fileKey_, Bytes(kPadding, kPadding + 32));
        } else {
            Bytes seed(kPadding, kPadding + 32);
            seed.insert(seed.end(), id.begin(), id.end());
            u_ = crypto::Rc4(fileKey_, Md5(seed));
            for (int i = 1; i <= 19; ++i) u_ = crypto::Rc4(XorKey(fileKey_, i), u_);
            u_.resize(32, 0xAB);
        }
    }

    std::string Dictionary() const {
        const int r = e_.revision;
        std::string dict = "<< /Filter /Standard /R " + std::to_string(r) + " /P " + std::to_string(kPermissions) +
                           " /O " + Hex(o_) + " /U " + Hex(u_);
        if (r == 6) {
            return dict + " /V 5 /Length 256 /OE " + Hex(oe_) + " /UE " + Hex(ue_) + " /Perms " + Hex(Bytes(16, 0x55)) +
                   " /CF << /StdCF << /CFM /AESV3 /AuthEvent /DocOpen /Length 32 >> >> /StmF /StdCF /StrF /StdCF >>";
        }
        if (r == 4) {
            return dict + " /V 4 /Length 128 /CF << /StdCF << /CFM " + (e_.aes ? "/AESV2" : "/V2") +
                   " /AuthEvent /DocOpen /Length 16 >> >> /StmF " + (e_.identityStreams ? "/Identity" : "/StdCF") +
                   " /StrF /StdCF" + (e_.encryptMetadata ? "" : " /EncryptMetadata false") + " >>";
        }
        return dict + " /V " + (r == 2 ? "1" : "2") + " /Length " + std::to_string(e_.keyBits) + " >>";
    }

    Bytes Encrypt(const Bytes& data, int number, bool isStream) const {
        if (isStream && e_.revision == 4 && e_.identityStreams) return data;
        const bool aes = e_.revision == 6 || (e_.revision == 4 && e_.aes);
        Bytes key = fileKey_;
        if (e_.revision != 6) {
            Bytes input = fileKey_;
            input.insert(input.end(), {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                       static_cast<std::uint8_t>(number >> 16), 0, 0});
            if (aes) input.insert(input.end(), {'s', 'A', 'l', 'T'});
            key = Md5(input);
            key.resize(std::min<std::size_t>(fileKey_.size() + 5, 16));
        }
        if (!aes) return crypto::Rc4(key, data);
        Bytes iv(16);
        for (int i = 0; i < 16; ++i) iv[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number * 31 + i);
        Bytes padded = data;
        const std::size_t pad = 16 - data.size() % 16;
        padded.insert(padded.end(), pad, static_cast<std::uint8_t>(pad));
        Bytes out = iv;
        const Bytes body = crypto::AesCbcEncrypt(key, iv, padded);
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    // Hex strings of a body encrypted; dictionaries' << >> are left alone.
    std::string EncryptStrings(const std::string& body, int number) const {
        std::string out;
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '<' && i + 1 < body.size() && body[i + 1] != '<' && (i == 0 || body[i - 1] != '<')) {
                const std::size_t end = body.find('>', i);
                Bytes plain;
                for (std::size_t k = i + 1; k + 1 < end; k += 2)
                    plain.push_back(static_cast<std::uint8_t>(std::stoi(body.substr(k, 2), nullptr, 16)));
                out += Hex(Encrypt(plain, number, false));
                i = end;
            } else {
                out += body[i];
            }
        }
        return out;
    }

  private:
    PdfEncryption e_;
    Bytes fileKey_;
    Bytes o_, u_, oe_, ue_;
};

std::string WithLength(std::string dict, std::size_t length) {
    const std::size_t close = dict.rfind(">>");
    dict.insert(close, " /Length " + std::to_string(length) + " ");
    return dict;
}

void AppendObject(Bytes& out, int number, const std::string& body, const Bytes* stream) {
    Append(out, std::to_string(number) + " 0 obj\n");
    if (stream != nullptr) {
        Append(out, WithLength(body, stream->size()) + "\nstream\n");
        out.insert(out.end(), stream->begin(), stream->end());
        Append(out, "\nendstream\nendobj\n");
    } else {
        Append(out, body + "\nendobj\n");
    }
}

std::string Offset10(std::size_t value) {
    std::string digits = std::to_string(value);
    return std::string(10 - std::min<std::size_t>(10, digits.size()), '0') + digits;
}

}  // namespace

Bytes ZlibCompress(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 6);
    out.resize(size);
    return out;
}

std::size_t StartXref(const Bytes& file) {
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    const std::size_t at = text.rfind("startxref");
    return static_cast<std::size_t>(std::stoul(std::string(text.substr(at + 10, 20))));
}

int PdfWriter::Reserve() {
    objects_.emplace_back();
    return static_cast<int>(objects_.size());
}

void PdfWriter::Set(int number, std::string body) {
    auto& entry = objects_[static_cast<std::size_t>(number - 1)];
    entry.body = std::move(body);
    entry.isStream = false;
    entry.set = true;
}

void PdfWriter::SetStream(int number, std::string dict, const Bytes& data) {
    auto& entry = objects_[static_cast<std::size_t>(number - 1)];
    entry.body = std::move(dict);
    entry.stream = data;
    entry.isStream = true;
    entry.set = true;
}

int PdfWriter::Add(std::string body) {
    const int number = Reserve();
    Set(number, std::move(body));
    return number;
}

int PdfWriter::AddStream(std::string dict, const Bytes& data) {
    const int number = Reserve();
    SetStream(number, std::move(dict), data);
    return number;
}

Bytes PdfWriter::Write(int root, const PdfWriteOptions& options) const {
    Bytes out;
    Append(out, "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    const int count = static_cast<int>(objects_.size());
    std::vector<std::size_t> offsets(static_cast<std::size_t>(count) + 3, 0);
    std::vector<int> inStream(static_cast<std::size_t>(count) + 3, -1);  // index in the object stream
    std::unique_ptr<Encryptor> encryptor;
    if (options.encryption != nullptr) encryptor = std::make_unique<Encryptor>(*options.encryption, options.id);

    std::vector<int> packed;
    for (int n = 1; n <= count; ++n) {
        const Entry& entry = objects_[static_cast<std::size_t>(n - 1)];
        if (!entry.set) continue;
        if (options.objectStreams && !entry.isStream && encryptor == nullptr) {
            inStream[static_cast<std::size_t>(n)] = static_cast<int>(packed.size());
            packed.push_back(n);
            continue;
        }
        offsets[static_cast<std::size_t>(n)] = out.size();
        if (entry.isStream) {
            const Bytes data = encryptor ? encryptor->Encrypt(entry.stream, n, true) : entry.stream;
            AppendObject(out, n, encryptor ? encryptor->EncryptStrings(entry.body, n) : entry.body, &data);
        } else {
            AppendObject(out, n, encryptor ? encryptor->EncryptStrings(entry.body, n) : entry.body, nullptr);
        }
    }
    int next = count + 1;
    int objectStream = 0;
    if (!packed.empty()) {
        objectStream = next++;
        std::string header;
        std::string bodies;
        for (int n : packed) {
            header += std::to_string(n) + " " + std::to_string(bodies.size()) + " ";
            bodies += objects_[static_cast<std::size_t>(n - 1)].body + "\n";
        }
        const std::string all = header + bodies;
        offsets[static_cast<std::size_t>(objectStream)] = out.size();
        const Bytes data = ZlibCompress(Bytes(all.begin(), all.end()));
        AppendObject(out, objectStream,
                     "<< /Type /ObjStm /N " + std::to_string(packed.size()) + " /First " +
                         std::to_string(header.size()) + " /Filter /FlateDecode >>",
                     &data);
    }
    std::string trailerKeys = " /Root " + std::to_string(root) + " 0 R /ID [" +
                              Hex(Bytes(options.id.begin(), options.id.end())) + " " +
                              Hex(Bytes(options.id.begin(), options.id.end())) + "]";
    if (encryptor) {
        const int encrypt = next++;
        offsets[static_cast<std::size_t>(encrypt)] = out.size();
        AppendObject(out, encrypt, encryptor->Dictionary(), nullptr);
        trailerKeys += " /Encrypt " + std::to_string(encrypt) + " 0 R";
    }
    if (options.omitXref) {
        Append(out, "%%EOF\n");
        return out;
    }
    const bool withStream = options.xrefStream || options.hybrid;
    const int size = next + (withStream ? 1 : 0);
    std::size_t xrefAt = out.size();
    std::size_t streamAt = 0;
    if (withStream) {
        // Rows of type (1 byte), offset or stream number (4), generation or index (2), with the
        // PNG Up predictor as writers commonly use it.
        const int self = next;
        streamAt = out.size();
        offsets[static_cast<std::size_t>(self)] = streamAt;
        Bytes rows;
        for (int n = 0; n < size; ++n) {
            std::uint8_t type = 0;
            std::uint32_t field = 0;
            std::uint16_t index = n == 0 ? 65535 : 0;
            if (n > 0 && inStream[static_cast<std::size_t>(n)] >= 0) {
                type = 2;
                field = static_cast<std::uint32_t>(objectStream);
                index = static_cast<std::uint16_t>(inStream[static_cast<std::size_t>(n)]);
            } else if (n > 0 && offsets[static_cast<std::size_t>(n)] > 0) {
                type = 1;
                field = static_cast<std::uint32_t>(offsets[static_cast<std::size_t>(n)] + options.xrefShift);
            }
            rows.insert(rows.end(),
                        {type, std::uint8_t(field >> 24), std::uint8_t(field >> 16), std::uint8_t(field >> 8),
                         std::uint8_t(field), std::uint8_t(index >> 8), std::uint8_t(index)});
        }
        Bytes predicted;
        for (std::size_t r = 0; r < rows.size() / 7; ++r) {
            predicted.push_back(2);
            for (std::size_t i = 0; i < 7; ++i) {
                const std::uint8_t up = r > 0 ? rows[(r - 1) * 7 + i] : 0;
                predicted.push_back(static_cast<std::uint8_t>(rows[r * 7 + i] - up));
            }
        }
        const Bytes compressed = ZlibCompress(predicted);
        AppendObject(out, self,
                     "<< /Type /XRef /Size " + std::to_string(size) + " /W [1 4 2] /Filter /FlateDecode " +
                         "/DecodeParms << /Predictor 12 /Columns 7 >>" + trailerKeys + " >>",
                     &compressed);
        xrefAt = streamAt;
    }
    if (!options.xrefStream) {
        // The table lists only plain objects; a hybrid file's packed ones are free here.
        xrefAt = out.size();
        Append(out, "xref\n0 " + std::to_string(size) + "\n0000000000 65535 f \n");
        for (int n = 1; n < size; ++n) {
            const std::size_t offset = offsets[static_cast<std::size_t>(n)];
            if (offset == 0 || (options.hybrid && n == size - 1))
                Append(out, "0000000000 00000 f \n");
            else
                Append(out, Offset10(static_cast<std::size_t>(static_cast<long>(offset) + options.xrefShift)) +
                                " 00000 n \n");
        }
        Append(out, "trailer\n<< /Size " + std::to_string(size) + trailerKeys +
                        (options.hybrid ? " /XRefStm " + std::to_string(streamAt) : "") + " >>\n");
    }
    Append(out, "startxref\n" + std::to_string(xrefAt) + "\n%%EOF\n");
    return out;
}

Bytes PdfWriter::AppendUpdate(const Bytes& base, int root, std::size_t prevXref) const {
    Bytes out = base;
    std::vector<std::pair<int, std::size_t>> written;
    for (int n = 1; n <= static_cast<int>(objects_.size()); ++n) {
        const Entry& entry = objects_[static_cast<std::size_t>(n - 1)];
        if (!entry.set) continue;
        written.emplace_back(n, out.size());
        AppendObject(out, n, entry.body, entry.isStream ? &entry.stream : nullptr);
    }
    const std::size_t xrefAt = out.size();
    Append(out, "xref\n");
    for (const auto& [n, offset] : written) {
        Append(out, std::to_string(n) + " 1\n" + Offset10(offset) + " 00000 n \n");
    }
    Append(out, "trailer\n<< /Size " + std::to_string(objects_.size() + 1) + " /Root " + std::to_string(root) +
                    " 0 R /Prev " + std::to_string(prevXref) + " >>\nstartxref\n" + std::to_string(xrefAt) +
                    "\n%%EOF\n");
    return out;
}

int AddPages(PdfWriter& writer, const std::vector<PdfPageSpec>& pages, const std::string& inheritedResources) {
    const int catalog = writer.Reserve();
    const int tree = writer.Reserve();
    std::string kids;
    for (const auto& page : pages) {
        const Bytes content(page.content.begin(), page.content.end());
        const int stream = writer.AddStream("<< >>", content);
        const int number =
            writer.Add("<< /Type /Page /Parent " + std::to_string(tree) + " 0 R /MediaBox [0 0 200 200] " +
                       (page.resources.empty() ? "" : "/Resources " + page.resources) + " /Contents " +
                       std::to_string(stream) + " 0 R " + page.extra + " >>");
        kids += std::to_string(number) + " 0 R ";
    }
    writer.Set(tree, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) +
                         (inheritedResources.empty() ? "" : " /Resources " + inheritedResources) + " >>");
    writer.Set(catalog, "<< /Type /Catalog /Pages " + std::to_string(tree) + " 0 R >>");
    return catalog;
}

}  // namespace pictrove::test
