// The MQ arithmetic decoder: the published test sequence of the JBIG2 recommendation, round
// trips through an encoder written from the encoding side, and data that ends too early.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "../Jbig2TestStreams.h"
#include "codecs/MqDecoder.h"

namespace pictrove::readers::codecs {
namespace {

TEST(MqDecoder, DecodesThePublishedTestSequence) {
    // 256 decisions, all in one context, and their coded form.
    const std::vector<std::uint8_t> decisions = {0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                                                 0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                                                 0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};
    const std::vector<std::uint8_t> coded = {0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                                             0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                                             0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC};
    MqDecoder decoder(coded);
    std::uint8_t state = 0;
    for (std::size_t i = 0; i < decisions.size() * 8; ++i) {
        const int expected = (decisions[i / 8] >> (7 - i % 8)) & 1;
        ASSERT_EQ(decoder.Decode(state), expected) << "decision " << i;
    }
    EXPECT_LE(decoder.Overrun(), 2u);

    // The encoder of the tests writes the same bytes, so the round trips below test against
    // a faithful encoder.
    test::MqEncoder encoder;
    std::uint8_t encodeState = 0;
    for (std::size_t i = 0; i < decisions.size() * 8; ++i)
        encoder.Encode(encodeState, (decisions[i / 8] >> (7 - i % 8)) & 1);
    const auto written = encoder.Finish();
    ASSERT_GE(written.size(), coded.size() - 2);
    EXPECT_TRUE(std::equal(coded.begin(), coded.end() - 2, written.begin()));
}

TEST(MqDecoder, RoundTripsSkewedAndRandomDecisionsInManyContexts) {
    std::mt19937 random(1234);
    for (int run = 0; run < 6; ++run) {
        // From nearly always 0 (long runs, tiny LPS probability) to even odds.
        const double ones = run == 0 ? 0.001 : run == 1 ? 0.02 : run == 5 ? 0.999 : 0.1 * run;
        std::bernoulli_distribution bit(ones);
        std::uniform_int_distribution<int> contextOf(0, 63);
        std::vector<std::pair<int, int>> decisions;
        for (int i = 0; i < 20000; ++i) decisions.emplace_back(contextOf(random) % (run + 1), bit(random) ? 1 : 0);
        test::MqEncoder encoder;
        std::vector<std::uint8_t> encodeStates(64, 0);
        for (const auto& [context, value] : decisions) encoder.Encode(encodeStates[context], value);
        const auto coded = encoder.Finish();
        MqDecoder decoder(coded);
        MqContexts states(64);
        for (std::size_t i = 0; i < decisions.size(); ++i) {
            ASSERT_EQ(decoder.Decode(states[decisions[i].first]), decisions[i].second) << "run " << run << " at " << i;
        }
        EXPECT_LE(decoder.Overrun(), 2u) << "run " << run;
        EXPECT_LE(decoder.Position(), coded.size()) << "run " << run;
    }
}

TEST(MqDecoder, DataThatEndsEarlyIsCountedAsOverrun) {
    test::MqEncoder encoder;
    std::uint8_t state = 0;
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) encoder.Encode(state, static_cast<int>(random() & 1));
    auto coded = encoder.Finish();
    coded.resize(coded.size() / 2);
    MqDecoder decoder(coded);
    std::uint8_t decodeState = 0;
    for (int i = 0; i < 4000; ++i) decoder.Decode(decodeState);
    EXPECT_GT(decoder.Overrun(), 100u);

    MqDecoder empty(std::span<const std::uint8_t>{});
    std::uint8_t emptyState = 0;
    for (int i = 0; i < 100; ++i) empty.Decode(emptyState);
    EXPECT_GT(empty.Overrun(), 0u);
}

}  // namespace
}  // namespace pictrove::readers::codecs
