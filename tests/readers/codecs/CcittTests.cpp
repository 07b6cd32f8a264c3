// The one CCITT fax decoder: Group 4, Group 3 one- and two-dimensional, and damaged data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/Ccitt.h"

namespace pictrove::readers::codecs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// 23 x 6 pixels; "1" is black. The encoded forms below were made by an independent encoder.
const char* kFaxRows[] = {"10000100001000010000100", "11000100001000010000100", "10100100001000010000100",
                          "10010100001000010000100", "11111111111111111111111", "10000100001000010000100"};

void ExpectFaxRows(const Bytes& bits, bool blackIs1) {
    ASSERT_GE(bits.size(), 6u * 3u);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 23; ++x) {
            const bool set =
                (bits[static_cast<std::size_t>(y) * 3 + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
            EXPECT_EQ(set == blackIs1, kFaxRows[y][x] == '1') << "pixel " << x << "," << y;
        }
    }
}

TEST(Ccitt, DecodesGroup4AndGroup3OneDimensional) {
    CcittParams g4;
    g4.k = -1;
    g4.columns = 23;
    g4.rows = 6;
    auto bits = CcittDecode(FromHex("26a8da368da0416fff40817ff617fe222221cab2acab2ac280080080"), g4);
    ASSERT_TRUE(bits);
    ExpectFaxRows(*bits, false);
    g4.blackIs1 = true;
    bits = CcittDecode(FromHex("26a8da368da0416fff40817ff617fe222221cab2acab2ac280080080"), g4);
    ASSERT_TRUE(bits);
    ExpectFaxRows(*bits, true);

    CcittParams g3;
    g3.k = 0;
    g3.columns = 23;
    g3.encodedByteAlign = true;
    bits = CcittDecode(FromHex("00013556ad5ab4e00135e15ab569c0013543a756ad5a7001354e8756ad5a7001350500013556ad5ab4e0"),
                       g3);
    ASSERT_TRUE(bits);
    EXPECT_EQ(bits->size(), 18u);
    ExpectFaxRows(*bits, false);
}

TEST(Ccitt, DecodesGroup3TwoDimensionalRowsAndStopsAtDamage) {
    // Row 1 one-dimensional: white 3, black 2, white 3. Row 2 two-dimensional: V0 three times.
    const std::string bitsText =
        "000000000001"
        "1"
        "1000"
        "11"
        "1000"
        "000000000001"
        "0"
        "111";
    Bytes data((bitsText.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bitsText.size(); ++i) {
        if (bitsText[i] == '1') data[i / 8] |= std::uint8_t(0x80 >> (i % 8));
    }
    CcittParams params;
    params.k = 1;
    params.columns = 8;
    params.rows = 2;
    auto rows = CcittDecode(data, params);
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, (Bytes{0xE7, 0xE7}));
    // Garbage after a good row keeps the good row and ends there.
    params.k = 0;
    params.rows = 0;
    Bytes damaged = {0x00, 0x18, 0xE0, 0x00, 0x00, 0x00};  // EOL, white 3 black 2 white 3, then nothing valid
    rows = CcittDecode(damaged, params);
    ASSERT_TRUE(rows);
    EXPECT_EQ((*rows)[0], 0xE7);
    params.columns = 0;
    EXPECT_FALSE(CcittDecode(data, params));
}

}  // namespace
}  // namespace pictrove::readers::codecs
