// The one PackBits decoder: what -128 means per format, word units, the output's limit reached
// inside a run or a literal, and input that ends inside a code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/PackBits.h"

namespace pictrove::readers::codecs {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Decodes into a vector limited to limit bytes.
DecodeResult Decode(const Bytes& in, std::size_t limit, Bytes& out, PackBitsOptions options = {}) {
    out.clear();
    ByteSink sink(out, limit);
    return PackBitsDecode(in, sink, options);
}

TEST(PackBits, ByteOneTwentyEightIsSkippedOrEndsTheDataByOption) {
    const Bytes in = {2, 'a', 'b', 'c', 128, 253, 'z'};
    Bytes out;
    auto result = Decode(in, 100, out);
    EXPECT_EQ(Text(out), "abczzzz");
    EXPECT_EQ(result.written, 7u);
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);

    result = Decode(in, 100, out, {.endCode128 = true});
    EXPECT_EQ(Text(out), "abc");
    EXPECT_EQ(result.end, DecodeEnd::kEndCode);

    // A lone 128 at the very end: nothing more to read either way.
    result = Decode(Bytes{0, 'x', 128}, 100, out);
    EXPECT_EQ(Text(out), "x");
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);
}

TEST(PackBits, LongestLiteralAndLongestRun) {
    Bytes in = {127};
    for (int i = 0; i < 128; ++i) in.push_back(static_cast<std::uint8_t>(i));
    in.insert(in.end(), {129, 0xEE});  // -127: 128 copies
    Bytes out;
    const auto result = Decode(in, 1000, out);
    ASSERT_EQ(out.size(), 256u);
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(out[i], i) << "literal byte " << i;
    for (int i = 128; i < 256; ++i) EXPECT_EQ(out[i], 0xEE) << "run byte " << i;
}

TEST(PackBits, OutputLimitBetweenInsideARunAndInsideALiteral) {
    Bytes out;
    // Exactly filled by the last code: the rest of the input is not looked at.
    auto result = Decode(Bytes{1, 'a', 'b', 0xFF, 'c', 0x7F}, 4, out);
    EXPECT_EQ(Text(out), "abcc");
    EXPECT_EQ(result.end, DecodeEnd::kOutputFull);
    // A run of four with room for three.
    result = Decode(Bytes{1, 'a', 'b', 0xFD, 'c'}, 5, out);
    EXPECT_EQ(Text(out), "abccc");
    EXPECT_EQ(result.written, 5u);
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
    // A literal of three with room for two.
    result = Decode(Bytes{2, 'x', 'y', 'z'}, 2, out);
    EXPECT_EQ(Text(out), "xy");
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
    // A limit of nothing is full before the first code.
    result = Decode(Bytes{0, 'x'}, 0, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(result.end, DecodeEnd::kOutputFull);
}

TEST(PackBits, InputEndingInsideACodeKeepsWhatItHad) {
    Bytes out;
    auto result = Decode(Bytes{0, 'a', 4, 'b', 'c'}, 100, out);
    EXPECT_EQ(Text(out), "abc");
    EXPECT_EQ(result.end, DecodeEnd::kTruncated);
    // A run's count without its byte.
    result = Decode(Bytes{0, 'a', 0xF0}, 100, out);
    EXPECT_EQ(Text(out), "a");
    EXPECT_EQ(result.end, DecodeEnd::kTruncated);
    // Short input and short room together: the room decides.
    result = Decode(Bytes{9, 'a', 'b', 'c'}, 2, out);
    EXPECT_EQ(Text(out), "ab");
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
}

TEST(PackBits, WordUnitsRepeatAndCopyPairs) {
    const PackBitsOptions words{.unit = 2};
    Bytes out;
    // One literal word, then a word repeated three times.
    auto result = Decode(Bytes{0, 0x12, 0x34, 0xFE, 0xAB, 0xCD}, 100, out, words);
    EXPECT_EQ(out, (Bytes{0x12, 0x34, 0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 0xCD}));
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);
    // Half a word to repeat.
    result = Decode(Bytes{0xFE, 0xAB}, 100, out, words);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(result.end, DecodeEnd::kTruncated);
    // Half a word of room left: the cut falls inside the word.
    result = Decode(Bytes{0xFE, 0xAB, 0xCD}, 3, out, words);
    EXPECT_EQ(out, (Bytes{0xAB, 0xCD, 0xAB}));
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
    // A literal of two words with one and a half there.
    result = Decode(Bytes{1, 1, 2, 3}, 100, out, words);
    EXPECT_EQ(out, (Bytes{1, 2, 3}));
    EXPECT_EQ(result.end, DecodeEnd::kTruncated);
}

TEST(PackBits, FixedBufferIsNeverWrittenPastItsEnd) {
    std::vector<std::uint8_t> memory(8, 0xDE);
    ByteSink sink{std::span(memory).first(5)};
    const auto result = PackBitsDecode(Bytes{0x81, 'q', 0x81, 'q'}, sink);
    EXPECT_EQ(result.written, 5u);
    EXPECT_EQ(result.end, DecodeEnd::kOutputCut);
    EXPECT_EQ(memory, (Bytes{'q', 'q', 'q', 'q', 'q', 0xDE, 0xDE, 0xDE}));
}

TEST(PackBits, GrowingOutputTakesOnlyWhatIsWrittenNotTheLimit) {
    Bytes out;
    const auto result = Decode(Bytes{0xFD, 'r'}, std::size_t{1} << 40, out);
    EXPECT_EQ(Text(out), "rrrr");
    EXPECT_EQ(result.end, DecodeEnd::kInputEnd);
    EXPECT_LT(out.capacity(), std::size_t{1} << 20);
}

}  // namespace
}  // namespace pictrove::readers::codecs
