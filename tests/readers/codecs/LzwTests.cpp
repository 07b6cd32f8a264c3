// The one LZW decoder: the code width switch one code early or on time, a full table used until
// a clear code, the code that names the entry being made, invalid codes and the output's limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/Lzw.h"

namespace pictrove::readers::codecs {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kClear = 256;
constexpr int kEnd = 257;

// Codes packed most significant bit first, each at the width an encoder would use: it makes
// one table entry per code after the first since a clear, and widens like the decoder.
class CodeWriter {
  public:
    explicit CodeWriter(bool earlyChange) : early_(earlyChange ? 1 : 0) {}

    CodeWriter& Put(int code) {
        for (int bit = width_ - 1; bit >= 0; --bit) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((code >> bit) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
        if (code == kClear) {
            width_ = 9;
            next_ = 258;
            first_ = true;
        } else if (code != kEnd) {
            if (!first_ && next_ < 4096) ++next_;
            first_ = false;
            if (next_ + early_ >= (1 << width_) && width_ < 12) ++width_;
        }
        return *this;
    }
    int Width() const { return width_; }
    int Next() const { return next_; }
    const Bytes& Data() const { return bytes_; }

  private:
    int early_;
    int width_ = 9;
    int next_ = 258;
    bool first_ = true;
    std::size_t used_ = 0;
    Bytes bytes_;
};

DecodeResult Decode(const Bytes& in, bool early, std::size_t limit, Bytes& out) {
    out.clear();
    ByteSink sink(out, limit);
    return LzwDecode(in, sink, {.earlyChange = early});
}

// A literal byte per code: after the clear code, n codes of the bytes i * 7 mod 256.
Bytes Literals(CodeWriter& writer, int n) {
    Bytes written;
    for (int i = 0; i < n; ++i) {
        written.push_back(static_cast<std::uint8_t>(i * 7 % 256));
        writer.Put(written.back());
    }
    return written;
}

TEST(Lzw, CodeWidthGrowsOneCodeEarlyOrOnTime) {
    for (bool early : {true, false}) {
        SCOPED_TRACE(early ? "early change" : "late change");
        CodeWriter writer(early);
        writer.Put(kClear);
        // The table reaches 511 entries after 254 codes: the early rule widens there, the other
        // one code later.
        const Bytes first = Literals(writer, 254);
        EXPECT_EQ(writer.Width(), early ? 10 : 9);
        Bytes expected = first;
        const Bytes more = Literals(writer, 2);
        expected.insert(expected.end(), more.begin(), more.end());
        EXPECT_EQ(writer.Width(), 10);
        writer.Put(kEnd);
        Bytes out;
        auto result = Decode(writer.Data(), early, 10000, out);
        EXPECT_EQ(result.end, DecodeEnd::kEndCode);
        EXPECT_EQ(out, expected);
        // Read with the other rule the codes after the switch come apart.
        result = Decode(writer.Data(), !early, 10000, out);
        ASSERT_GE(out.size(), 254u);
        EXPECT_TRUE(std::equal(first.begin(), first.end(), out.begin()));
        EXPECT_NE(out, expected);
    }
}

TEST(Lzw, FullTableIsKeptUntilAClearCode) {
    CodeWriter writer(true);
    writer.Put(kClear);
    // 3839 literals fill entries 258..4095.
    Bytes expected = Literals(writer, 3839);
    ASSERT_EQ(writer.Next(), 4096);
    ASSERT_EQ(writer.Width(), 12);
    // Literals and an early entry, still at 12 bits, make no entries.
    writer.Put('x').Put(300).Put(4095);
    expected.push_back('x');
    expected.insert(expected.end(), {expected[42], expected[43]});      // entry 258 + j: bytes j and j + 1
    expected.insert(expected.end(), {expected[3837], expected[3838]});  // the last entry made
    // After the clear code, 9 bits again.
    writer.Put(kClear).Put('a').Put('b').Put(258).Put(kEnd);
    ASSERT_EQ(writer.Width(), 9);
    expected.insert(expected.end(), {'a', 'b', 'a', 'b'});
    Bytes out;
    const auto result = Decode(writer.Data(), true, 100000, out);
    EXPECT_EQ(result.end, DecodeEnd::kEndCode);
    EXPECT_EQ(out, expected);
}

TEST(Lzw, CodeOfTheEntryBeingMadeRepeatsThePreviousString) {
    CodeWriter writer(true);
    writer.Put(kClear).Put('a').Put(258).Put(259).Put(kEnd);  // a, aa, aaa
    Bytes out;
    const auto result = Decode(writer.Data(), true, 100, out);
    EXPECT_EQ(result.end, DecodeEnd::kEndCode);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aaaaaa");
}

TEST(Lzw, InvalidCodesStopWithWhatCameBefore) {
    Bytes out;
    // An entry before any byte.
    CodeWriter start(true);
    start.Put(kClear).Put(258).Put('a');
    auto result = Decode(start.Data(), true, 100, out);
    EXPECT_EQ(result.end, DecodeEnd::kInvalidCode);
    EXPECT_TRUE(out.empty());
    // An entry past the next free one.
    CodeWriter ahead(true);
    ahead.Put(kClear).Put('a').Put('b').Put(260).Put('c');
    result = Decode(ahead.Data(), true, 100, out);
    EXPECT_EQ(result.end, DecodeEnd::kInvalidCode);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ab");
    // The first code after a clear in the middle of the data.
    CodeWriter again(true);
    again.Put(kClear).Put('a').Put(kClear).Put(300);
    result = Decode(again.Data(), true, 100, out);
    EXPECT_EQ(result.end, DecodeEnd::kInvalidCode);
    EXPECT_EQ(result.written, 1u);
}

TEST(Lzw, OutputLimitAndInputEnd) {
    CodeWriter writer(true);
    writer.Put(kClear).Put('a').Put(258).Put('b');  // a, aa, b; no end code
    Bytes out;
    auto result = Decode(writer.Data(), true, 100, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aaab");
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);
    // The limit inside the string "aa".
    result = Decode(writer.Data(), true, 2, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aa");
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
    // The limit right after a whole string.
    result = Decode(writer.Data(), true, 3, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aaa");
    EXPECT_EQ(result.end, DecodeEnd::kOutputFull);
    // A fixed buffer is cut at its end and nothing after it is touched.
    Bytes memory(4, 0xDE);
    ByteSink sink{std::span(memory).first(2)};
    result = LzwDecode(writer.Data(), sink);
    EXPECT_EQ(memory, (Bytes{'a', 'a', 0xDE, 0xDE}));
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
}

}  // namespace
}  // namespace pictrove::readers::codecs
