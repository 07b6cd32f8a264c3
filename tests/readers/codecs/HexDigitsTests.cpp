// The one hex digit helper: the digits and the bytes on either side of each range.
#include <gtest/gtest.h>

#include "codecs/HexDigits.h"

namespace pictrove::readers::codecs {
namespace {

TEST(HexDigits, DigitsOfBothCasesAndTheirNeighbours) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    for (const std::uint8_t c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xB0', '\xFF'})
        EXPECT_EQ(HexDigitValue(c), -1) << "byte " << int(c);
}

}  // namespace
}  // namespace pictrove::readers::codecs
