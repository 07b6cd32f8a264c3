// The field loads beside ByteReader: both byte orders, with the top bit of every byte set so a
// sign or a lost shift shows.
#include <gtest/gtest.h>

#include <vector>

#include "model/ByteReader.h"

namespace pictrove::readers {
namespace {

TEST(ByteReaderLoads, BothByteOrdersAgreeWithTheReader) {
    const std::vector<std::uint8_t> data = {0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6, 0xE7, 0xF8};
    EXPECT_EQ(LoadU16LE(data.data()), 0x9281u);
    EXPECT_EQ(LoadU16BE(data.data()), 0x8192u);
    EXPECT_EQ(LoadU32LE(data.data()), 0xB4A39281u);
    EXPECT_EQ(LoadU32BE(data.data()), 0x8192A3B4u);
    EXPECT_EQ(LoadU64BE(data.data()), 0x8192A3B4C5D6E7F8u);
    ByteReader reader(data);
    EXPECT_EQ(reader.U32BE(), LoadU32BE(data.data()));
    EXPECT_EQ(reader.U32LE(), LoadU32LE(data.data() + 4));
}

}  // namespace
}  // namespace pictrove::readers
