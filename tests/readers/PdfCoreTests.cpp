// The portable PDF reader: crypto against published vectors, syntax, filters, structure and
// recovery, which images are listed and how they are named, pixels of every colour space,
// depth and mask kind, and the standard security handler.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "TestPdf.h"
#include "pdf/PdfCrypto.h"
#include "pdf/PdfFilters.h"
#include "pdf/PdfLexer.h"
#include "pdf/PdfSource.h"

namespace pictrove::readers {
namespace {

using test::Bytes;
using test::PdfPageSpec;
using test::PdfWriter;

std::string HexOf(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// --- crypto -------------------------------------------------------------------------------

TEST(PdfCrypto, HashesMatchPublishedVectors) {
    EXPECT_EQ(HexOf(pdf::crypto::Md5(Text(""))), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(HexOf(pdf::crypto::Md5(Text("abc"))), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(HexOf(pdf::crypto::Md5(
                  Text("12345678901234567890123456789012345678901234567890123456789012345678901234567890"))),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(HexOf(pdf::crypto::Sha256(Text("abc"))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks: the padding crosses a block boundary.
    EXPECT_EQ(HexOf(pdf::crypto::Sha256(Text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(HexOf(pdf::crypto::Sha384(Text("abc"))),
              "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
    EXPECT_EQ(HexOf(pdf::crypto::Sha512(Text("abc"))),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
              "454d4423643ce80e2a9ac94fa54ca49f");
}

// Messages of 'a' around the block boundaries, where the padding and length just fit in the
// last block, just do not, or start a block of their own (digests by coreutils).
TEST(PdfCrypto, HashesPadAtTheBlockBoundaries) {
    const auto a = [](std::size_t n) { return Bytes(n, 'a'); };
    EXPECT_EQ(HexOf(pdf::crypto::Md5(a(55))), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(HexOf(pdf::crypto::Md5(a(56))), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(HexOf(pdf::crypto::Md5(a(64))), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(HexOf(pdf::crypto::Sha256(a(55))), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(HexOf(pdf::crypto::Sha256(a(56))), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(HexOf(pdf::crypto::Sha256(a(64))), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    EXPECT_EQ(HexOf(pdf::crypto::Sha384(a(111))),
              "3c37955051cb5c3026f94d551d5b5e2ac38d572ae4e07172085fed81f8466b8f90dc23a8ffcdea0b8d8e58e8fdacc80a");
    EXPECT_EQ(HexOf(pdf::crypto::Sha384(a(112))),
              "187d4e07cb306103c69967bf544d0dfbe9042577599c73c330abc0cb64c61236d5ed565ee19119d8c31779a38f791fcd");
    EXPECT_EQ(HexOf(pdf::crypto::Sha384(a(128))),
              "edb12730a366098b3b2beac75a3bef1b0969b15c48e2163c23d96994f8d1bef760c7e27f3c464d3829f56c0d53808b0b");
    EXPECT_EQ(HexOf(pdf::crypto::Sha512(a(111))),
              "fa9121c7b32b9e01733d034cfc78cbf67f926c7ed83e82200ef86818196921760b4beff48404df811b953828274461673"
              "c68d04e297b0eb7b2b4d60fc6b566a2");
    EXPECT_EQ(HexOf(pdf::crypto::Sha512(a(112))),
              "c01d080efd492776a1c43bd23dd99d0a2e626d481e16782e75d54c2503b5dc32bd05f0f1ba33e568b88fd2d970929b71"
              "9ecbb152f58f130a407c8830604b70ca");
    EXPECT_EQ(HexOf(pdf::crypto::Sha512(a(128))),
              "b73d1929aa615934e61a871596b3f3b33359f42b8175602e89f7e06e5f658a243667807ed300314b95cacdd579f3e33a"
              "bdfbe351909519a846d465c59582f321");
}

TEST(PdfCrypto, Rc4AndAesMatchPublishedVectors) {
    EXPECT_EQ(HexOf(pdf::crypto::Rc4(Text("Key"), Text("Plaintext"))), "bbf316e8d940af0ad3");
    EXPECT_EQ(HexOf(pdf::crypto::Rc4(Text("Wiki"), Text("pedia"))), "1021bf0420");
    const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
    struct {
        std::string key;
        std::string cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const pdf::crypto::Aes aes(FromHex(c.key));
        std::uint8_t out[16];
        aes.EncryptBlock(plain.data(), out);
        EXPECT_EQ(HexOf(out), c.cipher);
        std::uint8_t back[16];
        aes.DecryptBlock(out, back);
        EXPECT_EQ(HexOf(back), HexOf(plain));
    }
    // CBC with the IV in front and PKCS#7 padding removed.
    const Bytes key = FromHex(cases[0].key);
    const Bytes iv(16, 0x42);
    Bytes message = Text("thirteen byte");
    Bytes padded = message;
    padded.insert(padded.end(), 3, 3);
    Bytes sealed = iv;
    const Bytes body = pdf::crypto::AesCbcEncrypt(key, iv, padded);
    sealed.insert(sealed.end(), body.begin(), body.end());
    EXPECT_EQ(pdf::crypto::AesCbcDecryptWithIv(key, sealed, true), message);
    EXPECT_TRUE(pdf::crypto::AesCbcDecryptWithIv(key, Bytes(7, 1), true).empty());
}

// --- syntax -------------------------------------------------------------------------------

TEST(PdfLexer, ReadsEveryKindOfObject) {
    const std::string text =
        "<< /Int -42 /Real .5 /Neg -3.25 /Str (a\\(b\\)\\n\\101\\\nc) /Hex <41 42 2> /Name /A#20B "
        "/Arr [1 0 R true null [ /X ]] /Nested << /K 7 0 R >> >> rest";
    const Bytes bytes = Text(text);
    pdf::Lexer lexer(bytes);
    pdf::Parser parser(lexer);
    auto object = parser.ReadObject();
    ASSERT_TRUE(object && object->IsDict());
    const pdf::Dict& d = *object->dict;
    EXPECT_EQ(d.Get("Int").Int(), -42);
    EXPECT_DOUBLE_EQ(d.Get("Real").Number(), 0.5);
    EXPECT_DOUBLE_EQ(d.Get("Neg").Number(), -3.25);
    EXPECT_EQ(d.Get("Str").text, "a(b)\nAc");
    EXPECT_EQ(d.Get("Hex").text, "AB ");
    EXPECT_EQ(d.Get("Name").text, "A B");
    const auto& array = *d.Get("Arr").array;
    ASSERT_EQ(array.size(), 4u);
    EXPECT_TRUE(array[0].IsRef());
    EXPECT_EQ(array[0].integer, 1);
    EXPECT_TRUE(array[1].Bool());
    EXPECT_TRUE(array[2].IsNull());
    EXPECT_TRUE(array[3].IsArray());
    EXPECT_EQ(d.Get("Nested").dict->Get("K").integer, 7);
    EXPECT_TRUE(parser.ReadObject() == std::nullopt);
    auto keyword = parser.TakePending();
    ASSERT_TRUE(keyword);
    EXPECT_TRUE(keyword->IsKeyword("rest"));
}

TEST(PdfLexer, SurvivesDeepNestingAndUnclosedContainers) {
    std::string deep(5000, '[');
    Bytes bytes = Text(deep);
    pdf::Lexer lexer(bytes);
    pdf::Parser parser(lexer);
    EXPECT_FALSE(parser.ReadObject());  // refused beyond the nesting limit, no stack overflow
    // "5-" at the very end of the data once read past the token (found by fuzzing).
    for (const char* text : {"<< /A [1 2", "(unclosed", "<4142", "[ << /K", "/", "5-", "-.5+-"}) {
        SCOPED_TRACE(text);
        Bytes b = Text(text);
        pdf::Lexer l(b);
        pdf::Parser p(l);
        (void)p.ReadObject();
        EXPECT_TRUE(l.AtEnd());
    }
}

// --- filters ------------------------------------------------------------------------------

TEST(PdfFilters, DecodeTextFiltersAndRunLength) {
    Bytes out;
    EXPECT_TRUE(pdf::AsciiHexDecode(Text("48 65 6c6C 6f7>"), 100, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("Hello") + '\x70');
    EXPECT_TRUE(pdf::Ascii85Decode(
        Text("<~9jqo^BlbD-BleB1DJ+*+F(f,q/0JhKF<GL>Cj@.4Gp$d7F!,L7@<6@)/"
             "0JDEF<G%<+EV:2F!,O<DJ+*.@<*K0@<6L(Df-\\0Ec5e;DffZ(EZee.Bl.9pF\"AGXBPCsi+DGm>@3BB/F*&OCAfu2/"
             "AKYi(DIb:@FD,*)+C]U=@3BB/F*&OCAfu2/AKYi(DIb:@FD,*)+C]U=@3BB/F*&OCAfu2/AKYi(DIb:@FD,*)+C]U=@3BB/F*&OCAfu2/"
             "AKYi(DIb:@FD,*)+C]U=@3BB/F*&OCAfu2/AKYi(DIb:@FD,*)+C]U=@3BB/F*&OCAfu2/AKYi(DIb:@FD,*)+C]U=~>"),
        1000, out));
    EXPECT_EQ(std::string(out.begin(), out.begin() + 24), "Man is distinguished, no");
    EXPECT_TRUE(pdf::Ascii85Decode(Text("z9jqo~>"), 100, out));
    EXPECT_EQ(out, (Bytes{0, 0, 0, 0, 'M', 'a', 'n'}));
    // Literal run of 3, repeat of 4, end of data.
    EXPECT_TRUE(pdf::RunLengthDecode(Bytes{2, 'a', 'b', 'c', 253, 'z', 128, 'x'}, 100, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abczzzz");
    // Every decoder stops at the limit.
    EXPECT_TRUE(pdf::RunLengthDecode(Bytes{129, 'q', 129, 'q', 129, 'q'}, 200, out));
    EXPECT_EQ(out.size(), 200u);
}

TEST(PdfFilters, LzwDecodesTheReferenceExampleAndBothCodeWidthRules) {
    Bytes out;
    // "-----A---B", the worked example of the format's documentation.
    EXPECT_TRUE(pdf::LzwDecode(Bytes{0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85, 0x01}, true, 100, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "-----A---B");
    // 300 distinct pairs grow the table past 511 entries: early and late width change differ.
    Bytes data;
    for (int i = 0; i < 600; ++i) data.push_back(static_cast<std::uint8_t>((i * 7) % 256));
    for (bool early : {true, false}) {
        SCOPED_TRACE(early);
        // Encoder: plain LZW with 9..12 bit codes.
        std::vector<std::pair<std::string, int>> dict;
        std::map<std::string, int> table;
        for (int i = 0; i < 256; ++i) table[std::string(1, char(i))] = i;
        int next = 258, bits = 9;
        Bytes packed;
        std::uint32_t acc = 0;
        int have = 0;
        auto put = [&](int code) {
            acc = (acc << bits) | unsigned(code);
            have += bits;
            while (have >= 8) {
                packed.push_back(std::uint8_t(acc >> (have - 8)));
                have -= 8;
            }
        };
        put(256);
        std::string w;
        for (auto c : data) {
            std::string wc = w + char(c);
            if (table.count(wc)) {
                w = wc;
                continue;
            }
            put(table[w]);
            table[wc] = next++;
            if (next + (early ? 1 : 0) > (1 << bits) && bits < 12) ++bits;
            w = std::string(1, char(c));
        }
        put(table[w]);
        put(257);
        if (have > 0) packed.push_back(std::uint8_t(acc << (8 - have)));
        EXPECT_TRUE(pdf::LzwDecode(packed, early, 10000, out));
        EXPECT_EQ(out, data);
    }
}

TEST(PdfFilters, PredictorsUndoEveryPngFilterAndTiffDifferences) {
    // Two rows of 3 RGB pixels; each PNG row type applied by hand.
    const Bytes row0 = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    const Bytes row1 = {15, 25, 35, 30, 60, 50, 200, 10, 0};
    const auto paeth = [](int a, int b, int c) {
        const int p = a + b - c;
        const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE(type);
        Bytes encoded = {std::uint8_t(type)};
        encoded.insert(encoded.end(), row0.begin(), row0.end());  // row 0 with "above" = 0
        for (std::size_t i = 0; i < 9; ++i) {
            const int a = i >= 3 ? row0[i - 3] : 0, b = 0, c = 0;
            int predicted = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : type == 4 ? paeth(a, b, c) : 0;
            encoded[1 + i] = std::uint8_t(row0[i] - predicted);
        }
        encoded.push_back(std::uint8_t(type));
        for (std::size_t i = 0; i < 9; ++i) {
            const int a = i >= 3 ? row1[i - 3] : 0, b = row0[i], c = i >= 3 ? row0[i - 3] : 0;
            int predicted = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : type == 4 ? paeth(a, b, c) : 0;
            encoded.push_back(std::uint8_t(row1[i] - predicted));
        }
        ASSERT_TRUE(pdf::Unpredict(15, 3, 8, 3, encoded));
        Bytes expected = row0;
        expected.insert(expected.end(), row1.begin(), row1.end());
        EXPECT_EQ(encoded, expected);
    }
    Bytes tiff = {10, 20, 30, 5, 5, 5, 1, 1, 1};
    ASSERT_TRUE(pdf::Unpredict(2, 3, 8, 3, tiff));
    EXPECT_EQ(tiff, (Bytes{10, 20, 30, 15, 25, 35, 16, 26, 36}));
    // 4-bit gray samples: 1, +2, +3, +(-1) -> 1, 3, 6, 5.
    Bytes nibbles = {0x12, 0x3F};
    ASSERT_TRUE(pdf::Unpredict(2, 1, 4, 4, nibbles));
    EXPECT_EQ(nibbles, (Bytes{0x13, 0x65}));
}

// Rows filtered the PNG way by the test's own encoder, each row with the given type.
Bytes PngFiltered(const Bytes& raw, std::size_t rowBytes, std::size_t pixelBytes, const std::vector<int>& types) {
    Bytes out;
    for (std::size_t r = 0; r * rowBytes < raw.size(); ++r) {
        const int type = types[r % types.size()];
        out.push_back(static_cast<std::uint8_t>(type));
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const auto at = [&](std::size_t row, std::size_t column) { return int(raw[row * rowBytes + column]); };
            const int a = i >= pixelBytes ? at(r, i - pixelBytes) : 0;
            const int b = r > 0 ? at(r - 1, i) : 0;
            const int c = r > 0 && i >= pixelBytes ? at(r - 1, i - pixelBytes) : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted = type == 1 ? a : type == 2 ? b : type == 3 ? (a + b) / 2 : type == 4 ? paeth : 0;
            out.push_back(static_cast<std::uint8_t>(at(r, i) - predicted));
        }
    }
    return out;
}

// Many rows of every type after every other type, one and three bytes a pixel, and a partial
// row at the end (dropped): each row lands in the right place and sees the right row above.
TEST(PdfFilters, PngPredictorsOverManyRowsOfMixedTypes) {
    for (const int colours : {1, 3}) {
        SCOPED_TRACE(colours);
        constexpr int kColumns = 7;
        const std::size_t rowBytes = kColumns * static_cast<std::size_t>(colours);
        Bytes raw(rowBytes * 26);
        for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 37 + i / 5);
        Bytes encoded =
            PngFiltered(raw, rowBytes, static_cast<std::size_t>(colours), {0, 1, 2, 3, 4, 4, 2, 0, 3, 1, 1});
        encoded.insert(encoded.end(), {2, 9, 9});  // a row cut short
        ASSERT_TRUE(pdf::Unpredict(15, colours, 8, kColumns, encoded));
        EXPECT_EQ(encoded, raw);
    }
}

// What inflates is kept whatever the stream's checksum says; a stream that inflates to nothing
// is one only when its checksum is that of nothing; a damaged header refuses the stream.
TEST(PdfFilters, FlateKeepsWhatInflatesWhateverTheChecksum) {
    Bytes data;
    for (int i = 0; i < 5000; ++i) data.push_back(static_cast<std::uint8_t>(i % 251 ^ i / 7));
    const Bytes good = test::ZlibCompress(data);
    Bytes out;
    ASSERT_TRUE(pdf::FlateDecode(good, 1 << 20, out));
    EXPECT_EQ(out, data);
    Bytes wrongSum = good;
    wrongSum.back() ^= 0x55;
    ASSERT_TRUE(pdf::FlateDecode(wrongSum, 1 << 20, out));
    EXPECT_EQ(out, data);
    const Bytes noSum(good.begin(), good.end() - 4);
    ASSERT_TRUE(pdf::FlateDecode(noSum, 1 << 20, out));
    EXPECT_EQ(out, data);
    ASSERT_TRUE(pdf::FlateDecode(good, 100, out));
    EXPECT_EQ(out, Bytes(data.begin(), data.begin() + 100));

    const Bytes nothing = test::ZlibCompress({});
    EXPECT_TRUE(pdf::FlateDecode(nothing, 100, out));
    EXPECT_TRUE(out.empty());
    Bytes nothingWrongSum = nothing;
    nothingWrongSum.back() ^= 1;
    EXPECT_FALSE(pdf::FlateDecode(nothingWrongSum, 100, out));

    Bytes badHeader = good;
    badHeader[1] ^= 1;  // no longer a multiple of 31 with the first byte
    EXPECT_FALSE(pdf::FlateDecode(badHeader, 1 << 20, out));
    Bytes presetDictionary = good;
    presetDictionary[1] = 0x20;  // FDICT, with the check bits made right again
    presetDictionary[1] = static_cast<std::uint8_t>(presetDictionary[1] + (31 - (good[0] * 256 + 0x20) % 31) % 31);
    EXPECT_FALSE(pdf::FlateDecode(presetDictionary, 1 << 20, out));
}

}  // namespace
}  // namespace pictrove::readers
